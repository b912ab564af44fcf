// IGraphicsX11: the editor on the X Window System. OpenWindow embeds a child window
// in the host's parent window (an X window id passed as the pointer) through a
// connection of the editor's own; events, the redraw tick and every gesture run on
// the thread that calls effEditIdle (OnEditorIdle).
//
// Threads and hand-over: while a window is open a keep-alive thread of the editor's
// own waits in the background. When kHostIdleGraceMs pass without an effEditIdle
// (a host that never sends it, or one that stopped), that thread handles events and
// redraws instead, polling every frame period; the next effEditIdle takes the work
// back and the thread goes back to waiting. Every entry point takes the plug-in
// mutex before the editor's lock; the keep-alive thread only try-locks them, so it
// never blocks a host thread and CloseWindow can always join it. Events are handled
// with both held (gestures end in the plug-in anyway); the redraw runs under the
// editor's lock alone, so drawing never holds up the audio thread. A popup menu is
// modal and keeps the plug-in mutex for as long as it is open.
//
// X errors raised by our requests are trapped on our connection and never reach the
// host; a connection that breaks, or a parent window the host destroys first,
// leaves the editor closed (GetWindow() null) without further X calls.
#ifndef IPLUG_X11_IGRAPHICSX11_H_
#define IPLUG_X11_IGRAPHICSX11_H_

// The framework's headers first: Xlib defines macros (Bool, None, Status) that
// would otherwise rewrite names in them.
#include "IGraphics.h"
#include "IPlugBase.h"

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "X11Blitter.h"
#include "X11Connection.h"
#include "X11Input.h"
#include "X11TextEntryBuffer.h"

class X11Font;

class IGraphicsX11 : public IGraphics {
 public:
  static constexpr int kHostIdleGraceMs = 250;

  IGraphicsX11(IPlugBase* pPlug, int w, int h, int refreshRate = 0);
  ~IGraphicsX11() override;

  // ---- Platform operations ------------------------------------------------------------
  // Names itself "X11 GUI". OpenWindow: pParentWnd is the parent X window id; null
  // makes a top-level window of our own. GetWindow: the editor's X window id as a
  // pointer, null while closed. SetWindowTransparency sets _NET_WM_WINDOW_OPACITY on
  // the editor's window (a compositing manager shows it). UpdateTooltips: tooltips are
  // never enabled in this system, so there is nothing to register.
  IGRAPHICS_PLATFORM_OPERATIONS
  void Resize(int w, int h, int keepControls = 0) override;
  bool WindowIsOpen() override { return GetWindow() != nullptr; }
  void HideMouseCursor() override;
  void ShowMouseCursor() override;

  // ---- Host idle and keys (the VST binding calls these) -------------------------------
  void OnEditorIdle() override;
  bool OnHostKey(int character, int virtualKey, int modifiers, bool down) override;

  // ---- Inspection (tests) -------------------------------------------------------------
  bool UsesShm();
  bool TextEntryOpen();
  // Redraw ticks run so far, and how many of them the keep-alive thread ran.
  long NTicks() const { return mTicks; }
  long NKeepAliveTicks() const { return mKeepAliveTicks; }
  bool KeepAliveThreadRunning() const { return mKeepAlive.joinable(); }

 private:
  friend struct X11EventDispatch;
  friend struct X11TextEntryUI;

  // Everything that exists while a window is open.
  struct Session;

  // Handles the queued X events (plug-in mutex and editor lock held).
  void PumpEvents();
  // Runs the redraw tick when it is due (editor lock held).
  void PumpTick(bool fromKeepAlive);
  void HandleEvents();
  void Tick();
  void Teardown();  // frees X resources, keeps the thread
  // What one keep-alive thread shares with its owner: each thread has its own, so a
  // thread stopped from inside its own pump (a host closing, or closing and reopening,
  // the editor from a callback) sees its own stop even when a new thread has started.
  struct KeepAliveState {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;  // guarded by mutex
  };
  void KeepAliveLoop(std::shared_ptr<KeepAliveState> pState);
  void StopKeepAlive();
  void JoinRetiredKeepAlive();
  void EndTextEntry(bool apply);
  void RepaintFromBitmap(int x, int y, int w, int h);
  bool RootPosition(int x, int y, int* pRootX, int* pRootY);

  std::recursive_mutex mLock;  // guards mSession and everything reached through it
  std::unique_ptr<Session> mSession;
  std::atomic<long> mTicks{0}, mKeepAliveTicks{0};
  std::atomic<long long> mLastHostIdleMs{0};

  std::thread mKeepAlive;
  std::shared_ptr<KeepAliveState> mKeepAliveState;
  // A keep-alive thread stopped from inside its own pump: never detached (it still
  // returns through this object), joined by the next open, close or the destructor.
  std::thread mRetiredKeepAlive;
};

#endif  // IPLUG_X11_IGRAPHICSX11_H_
