// IGraphicsX11: window lifecycle, the keep-alive thread, the pump and the redraw.
#include "IGraphicsX11.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>

#include "IGraphicsResources.h"
#include "IGraphicsX11_session.h"
#include "IPlugBase.h"
#include "X11Cursor.h"
#include "X11Settings.h"

namespace {

long long NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask;

}  // namespace

IGraphicsX11::IGraphicsX11(IPlugBase* pPlug, int w, int h, int refreshRate)
    : IGraphics(pPlug, w, h, refreshRate) {}

IGraphicsX11::~IGraphicsX11() {
  CloseThread();
  CloseWindow();
  // Only when destroyed from inside a keep-alive thread's own pump (a host deleting the
  // plug-in from a callback the editor's thread made), which cannot wait for itself.
  if (mRetiredKeepAlive.joinable()) mRetiredKeepAlive.detach();
}

// ---- Open and close -------------------------------------------------------------------

void* IGraphicsX11::OpenWindow(void* pParentWnd) {
  CloseWindow();
  std::lock_guard<std::recursive_mutex> lock(mLock);
  auto s = std::make_unique<Session>();
  if (!s->conn.Open()) return nullptr;
  Display* d = s->conn.Get();
  {
    X11ErrorTrap trap(s->conn);
    s->parent = pParentWnd ? static_cast<Window>(reinterpret_cast<uintptr_t>(pParentWnd))
                           : DefaultRootWindow(d);
    s->ownTopLevel = !pParentWnd;
    XWindowAttributes pa{};
    // A parent id that names no window fails here, with the error kept on our side.
    if (!XGetWindowAttributes(d, s->parent, &pa) || trap.Sync()) return nullptr;
    XSetWindowAttributes a{};
    a.event_mask = kEventMask;
    a.background_pixmap = None;
    a.border_pixel = 0;
    a.bit_gravity = NorthWestGravity;
    unsigned long mask = CWEventMask | CWBackPixmap | CWBorderPixel | CWBitGravity;
    Visual* vis = DefaultVisual(d, DefaultScreen(d));
    int depth = DefaultDepth(d, DefaultScreen(d));
    if (pa.c_class == InputOutput && pa.visual) {
      vis = pa.visual;
      depth = pa.depth;
      a.colormap = pa.colormap;
      mask |= CWColormap;
    }
    s->win = XCreateWindow(d, s->parent, 0, 0, static_cast<unsigned>(Width()),
                           static_cast<unsigned>(Height()), 0, depth, InputOutput, vis, mask, &a);
    if (trap.Sync() || !s->win) return nullptr;
    // Named after the plug-in, so window lists and accessibility tools can tell what
    // the window is (an embedded child as much as a window of our own).
    const char* name = mPlug && mPlug->GetEffectName()[0] ? mPlug->GetEffectName() : "Editor";
    XStoreName(d, s->win, name);
    XClassHint hint;
    hint.res_name = const_cast<char*>(name);
    hint.res_class = const_cast<char*>(name);
    XSetClassHint(d, s->win, &hint);
    s->visual = vis;
    s->depth = depth;
    if (!s->blit.Create(&s->conn, vis, depth, Width(), Height())) {
      XDestroyWindow(d, s->win);
      trap.Sync();
      return nullptr;
    }
    s->gc = XCreateGC(d, s->win, 0, nullptr);
    s->arrow = X11CreateArrowCursor(d);
    XDefineCursor(d, s->win, s->arrow);
    unsigned long clickMs = s->clicks.MaxMs();
    int clickDistance = s->clicks.MaxDistance();
    X11ReadDoubleClickSettings(d, &clickMs, &clickDistance);
    s->clicks.SetLimits(clickMs, clickDistance);
    XMapWindow(d, s->win);
    if (trap.Sync()) {
      s->blit.Destroy();
      XDestroyWindow(d, s->win);
      trap.Sync();
      return nullptr;
    }
  }
  s->nextTick = std::chrono::steady_clock::now();
  mSession = std::move(s);
  mLastHostIdleMs = NowMs();
  // The first picture shows everything; later ticks only what changed.
  if (GetDrawBitmap()) {
    IRECT all(0, 0, Width(), Height());
    Draw(&all);
  }
  JoinRetiredKeepAlive();
  mKeepAliveState = std::make_shared<KeepAliveState>();
  mKeepAlive = std::thread(&IGraphicsX11::KeepAliveLoop, this, mKeepAliveState);
  return GetWindow();
}

void IGraphicsX11::CloseWindow() {
  StopKeepAlive();
  std::lock_guard<std::recursive_mutex> lock(mLock);
  Teardown();
}

void IGraphicsX11::Teardown() {
  if (!mSession) return;
  Session& s = *mSession;
  if (s.entry.open) EndTextEntry(false);
  if (!s.conn.Lost()) {
    // Also when the window went with its parent: the graphics context and cursors
    // are the connection's, not the window's.
    X11ErrorTrap trap(s.conn);
    Display* d = s.conn.Get();
    if (!s.gone) XDestroyWindow(d, s.win);
    if (s.gc) XFreeGC(d, s.gc);
    if (s.arrow) XFreeCursor(d, s.arrow);
    if (s.custom) XFreeCursor(d, s.custom);
    if (s.blank) XFreeCursor(d, s.blank);
    s.blit.Destroy();
    trap.Sync();
  } else if (s.gc) {
    // A broken connection: nothing reaches the server any more, but the graphics
    // context's memory is ours to free (the request only goes into the dead buffer).
    X11ErrorTrap trap(s.conn);
    XFreeGC(s.conn.Get(), s.gc);
  }
  s.blit.Destroy();
  mCursorHidden = false;
  s.conn.Close();
  mSession.reset();
}

void* IGraphicsX11::GetWindow() {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!mSession || !mSession->Live()) return nullptr;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(mSession->win));
}

bool IGraphicsX11::UsesShm() {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  return mSession && mSession->blit.UsesShm();
}

// ---- Threads ----------------------------------------------------------------------------

void IGraphicsX11::OnEditorIdle() {
  mLastHostIdleMs = NowMs();
  // Events under the plug-in mutex and then the editor's lock, the order every host
  // entry point takes them in; the redraw under the editor's lock alone.
  WDL_Mutex* plugMutex = mPlug ? mPlug->GetMutex() : nullptr;
  if (plugMutex) plugMutex->Enter();
  std::lock_guard<std::recursive_mutex> lock(mLock);
  PumpEvents();
  if (plugMutex) plugMutex->Leave();
  PumpTick(false);
}

void IGraphicsX11::KeepAliveLoop(std::shared_ptr<KeepAliveState> pState) {
  std::unique_lock<std::mutex> lk(pState->mutex);
  while (!pState->stop) {
    pState->wake.wait_for(lk, std::chrono::milliseconds(1000 / (FPS() > 0 ? FPS() : 25)));
    if (pState->stop) break;
    if (NowMs() - mLastHostIdleMs < kHostIdleGraceMs) continue;
    lk.unlock();
    // Try-locks only, in the host's order: the host may be waiting for this thread
    // in CloseWindow with the plug-in mutex held.
    WDL_Mutex* plugMutex = mPlug ? mPlug->GetMutex() : nullptr;
    if (!plugMutex || plugMutex->TryEnter()) {
      if (mLock.try_lock()) {
        PumpEvents();
        if (plugMutex) plugMutex->Leave();
        plugMutex = nullptr;
        PumpTick(true);
        mLock.unlock();
      }
      if (plugMutex) plugMutex->Leave();
    }
    lk.lock();
  }
}

void IGraphicsX11::StopKeepAlive() {
  if (mKeepAliveState) {
    {
      std::lock_guard<std::mutex> k(mKeepAliveState->mutex);
      mKeepAliveState->stop = true;
    }
    mKeepAliveState->wake.notify_all();
    mKeepAliveState.reset();
  }
  JoinRetiredKeepAlive();
  if (!mKeepAlive.joinable()) return;
  if (mKeepAlive.get_id() == std::this_thread::get_id()) {
    // Closed from its own pump: it ends when the pump returns, and is joined later.
    mRetiredKeepAlive = std::move(mKeepAlive);
  } else {
    mKeepAlive.join();
  }
}

// Waits for a keep-alive thread that was stopped from inside its own pump, unless this
// is that thread (a close and reopen from the same callback): it is then kept for the
// next call from elsewhere.
void IGraphicsX11::JoinRetiredKeepAlive() {
  if (mRetiredKeepAlive.joinable() && mRetiredKeepAlive.get_id() != std::this_thread::get_id())
    mRetiredKeepAlive.join();
}

// ---- Pump and redraw ---------------------------------------------------------------------

void IGraphicsX11::PumpEvents() {
  if (mSession && mSession->Live()) {
    X11ErrorTrap trap(mSession->conn);
    HandleEvents();
    if (mSession && mSession->Live()) XFlush(mSession->conn.Get());
  }
  // Without a window (the server went away, the parent was destroyed) no release
  // will come: whatever the user was doing ends now. Else a wheel run may be over.
  if (mSession && !mSession->Live()) {
    EndEditGestures();
  } else {
    PollEditGestures();
  }
}

void IGraphicsX11::PumpTick(bool fromKeepAlive) {
  if (!mSession || !mSession->Live()) return;
  const auto now = std::chrono::steady_clock::now();
  if (now < mSession->nextTick) return;
  const auto period = std::chrono::microseconds(1000000 / (FPS() > 0 ? FPS() : 25));
  mSession->nextTick += period;
  if (mSession->nextTick < now) mSession->nextTick = now + period;
  X11ErrorTrap trap(mSession->conn);
  Tick();
  if (fromKeepAlive) ++mKeepAliveTicks;
  if (mSession && mSession->Live()) XFlush(mSession->conn.Get());
}

void IGraphicsX11::Tick() {
  ++mTicks;
  IRECT r;
  if (IsDirty(&r) && GetDrawBitmap()) Draw(&r);
}

const char* IGraphicsX11::GetGUIAPI() { return "X11 GUI"; }

void IGraphicsX11::UpdateTooltips() {}

bool IGraphicsX11::DrawScreen(IRECT* pR) {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!mSession || !mSession->Live() || !GetDrawBitmap()) return false;
  // One pixel wider and taller than the rectangle, as the platform's view converts
  // it; the blit clips to the bitmap.
  IRECT r = pR ? *pR : IRECT(0, 0, Width(), Height());
  if (r.Empty()) r = IRECT(0, 0, Width(), Height());
  mSession->blit.Put(mSession->win, mSession->gc, GetDrawBitmap(), r.L, r.T, r.W() + 1, r.H() + 1);
  return true;
}

void IGraphicsX11::RepaintFromBitmap(int x, int y, int w, int h) {
  if (!mSession || !mSession->Live() || !GetDrawBitmap()) return;
  mSession->blit.Put(mSession->win, mSession->gc, GetDrawBitmap(), x, y, w, h);
}

void IGraphicsX11::UpdateFPS(int fps) {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!mSession) return;
  mFPS = fps > 0 ? fps : 25;
  mSession->nextTick = std::chrono::steady_clock::now();
}

void IGraphicsX11::Resize(int w, int h, int keepControls) {
  if (w == Width() && h == Height()) return;
  std::lock_guard<std::recursive_mutex> lock(mLock);
  IGraphics::Resize(w, h, keepControls);
  if (!mSession || !mSession->Live()) return;
  X11ErrorTrap trap(mSession->conn);
  XResizeWindow(mSession->conn.Get(), mSession->win, static_cast<unsigned>(w), static_cast<unsigned>(h));
  mSession->blit.Create(&mSession->conn, mSession->visual, mSession->depth, w, h);
  trap.Sync();
}

// ---- Cursors and window look -------------------------------------------------------------

void IGraphicsX11::SetMCursor(int cursor) {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!mSession || !mSession->Live() || (cursor != kMCursorArrow && cursor != kMCursorCustom)) return;
  Session& s = *mSession;
  X11ErrorTrap trap(s.conn);
  if (cursor == kMCursorCustom && !s.custom) s.custom = X11CreateCustomCursor(s.conn.Get());
  const Cursor c = cursor == kMCursorCustom ? s.custom : s.arrow;
  if (!c) return;
  s.cursor = cursor;
  if (!mCursorHidden) XDefineCursor(s.conn.Get(), s.win, c);
  XFlush(s.conn.Get());
}

void IGraphicsX11::HideMouseCursor() {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (mCursorHidden || !mSession || !mSession->Live()) return;
  Session& s = *mSession;
  Display* d = s.conn.Get();
  X11ErrorTrap trap(s.conn);
  Window root, child;
  int rx = 0, ry = 0, wx, wy;
  unsigned int state;
  if (XQueryPointer(d, s.win, &root, &child, &rx, &ry, &wx, &wy, &state)) {
    mHiddenMousePointX = rx;
    mHiddenMousePointY = ry;
  }
  if (!s.blank) {
    static const char zero[2] = {0, 0};
    Pixmap p = XCreateBitmapFromData(d, s.win, zero, 1, 1);
    XColor black{};
    s.blank = XCreatePixmapCursor(d, p, p, &black, &black, 0, 0);
    XFreePixmap(d, p);
  }
  XDefineCursor(d, s.win, s.blank);
  mCursorHidden = trap.Sync() == 0;
}

void IGraphicsX11::ShowMouseCursor() {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!mCursorHidden || !mSession || !mSession->Live()) return;
  Session& s = *mSession;
  Display* d = s.conn.Get();
  X11ErrorTrap trap(s.conn);
  XWarpPointer(d, None, DefaultRootWindow(d), 0, 0, 0, 0, mHiddenMousePointX, mHiddenMousePointY);
  XDefineCursor(d, s.win, s.cursor == kMCursorCustom && s.custom ? s.custom : s.arrow);
  if (trap.Sync() == 0) mCursorHidden = false;
}

void IGraphicsX11::SetWindowTransparency(int alpha) {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!mSession || !mSession->Live()) return;
  Display* d = mSession->conn.Get();
  X11ErrorTrap trap(mSession->conn);
  const Atom opacity = XInternAtom(d, "_NET_WM_WINDOW_OPACITY", False);
  const int a = alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
  const unsigned long value = static_cast<unsigned long>(static_cast<double>(a) / 255.0 * 0xffffffffUL);
  XChangeProperty(d, mSession->win, opacity, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&value), 1);
  trap.Sync();
}

LICE_IBitmap* IGraphicsX11::OSLoadBitmap(int id, const char* name) { return LoadResourceBitmap(id, name); }

bool IGraphicsX11::GetTextFromClipboard(WDL_String* /*pStr*/) { return false; }

bool IGraphicsX11::RootPosition(int x, int y, int* pRootX, int* pRootY) {
  if (!mSession || !mSession->Live()) return false;
  Display* d = mSession->conn.Get();
  Window child;
  return XTranslateCoordinates(d, mSession->win, DefaultRootWindow(d), x, y, pRootX, pRootY, &child);
}
