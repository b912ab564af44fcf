// IGraphicsX11: X events into the context's mouse, wheel and key calls.

#include "IGraphicsX11.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include "IGraphicsX11_session.h"
#include "aeffectx.h"

// The handlers of one pump, with the context's protected state in reach.
struct X11EventDispatch {
  static void Button(IGraphicsX11* g, XButtonEvent& e);
  static void Release(IGraphicsX11* g, XButtonEvent& e);
  static void Motion(IGraphicsX11* g, XMotionEvent& e);
  static void Key(IGraphicsX11* g, XKeyEvent& e);
  static void EntryKey(IGraphicsX11* g, XKeyEvent& e);
  static void PassToHost(IGraphicsX11* g, XKeyEvent& e);
};

void IGraphicsX11::HandleEvents() {
  // The session is looked up again for every event: a host callback made by a
  // gesture may close (and even reopen) the editor.
  while (mSession && mSession->Live() && XPending(mSession->conn.Get()) > 0) {
    Session& s = *mSession;
    Display* d = s.conn.Get();
    XEvent e;
    XNextEvent(d, &e);
    const bool onEntry = s.entry.open && e.xany.window == s.entry.win;
    switch (e.type) {
      case Expose:
        if (onEntry) {
          s.entry.blit.Put(s.entry.win, s.gc, &s.entry.bitmap, 0, 0, s.entry.w, s.entry.h);
        } else if (e.xany.window == s.win) {
          // Straight from the bitmap: exposure needs no control drawn again.
          RepaintFromBitmap(e.xexpose.x, e.xexpose.y, e.xexpose.width, e.xexpose.height);
        }
        break;
      case ButtonPress:
        X11EventDispatch::Button(this, e.xbutton);
        break;
      case ButtonRelease:
        X11EventDispatch::Release(this, e.xbutton);
        break;
      case MotionNotify: {
        // Only the latest position of a burst matters.
        while (XCheckTypedWindowEvent(d, e.xmotion.window, MotionNotify, &e)) {
        }
        X11EventDispatch::Motion(this, e.xmotion);
        break;
      }
      case KeyPress:
      case KeyRelease:
        if (s.entry.open) {
          if (e.type == KeyPress) X11EventDispatch::EntryKey(this, e.xkey);
        } else {
          X11EventDispatch::Key(this, e.xkey);
        }
        break;
      case FocusIn:
        if (onEntry && e.xfocus.detail != NotifyPointer) s.entry.hadFocus = true;
        break;
      case FocusOut:
        // The keyboard taken away after the entry had it (not a grab's passing change,
        // not the pointer's implicit focus): the entry is abandoned.
        if (onEntry && s.entry.hadFocus && e.xfocus.mode == NotifyNormal &&
            e.xfocus.detail != NotifyInferior && e.xfocus.detail != NotifyPointer)
          EndTextEntry(false);
        break;
      case DestroyNotify:
        if (e.xdestroywindow.window == s.win) {
          // Went with the host's parent window: the editor is closed from now on.
          s.gone = true;
          s.entry.open = false;
        }
        break;
      default:
        break;
    }
  }
}

void X11EventDispatch::Button(IGraphicsX11* g, XButtonEvent& e) {
  IGraphicsX11::Session& s = *g->mSession;
  if (e.window != s.win && !(s.entry.open && e.window == s.entry.win)) return;
  int x = e.x, y = e.y;
  if (e.window != s.win) {  // inside the entry: keep typing
    return;
  }
  s.prevX = x;
  s.prevY = y;
  if (X11IsWheelButton(e.button)) {
    if (s.entry.open) g->EndTextEntry(false);
    IMouseMod mod = X11MotionMod(e.state);
    g->OnMouseWheel(x, y, &mod, X11WheelStep(e.button));
    return;
  }
  if (e.button < Button1 || e.button > Button3) return;
  // A click anywhere but in the entry abandons it; the click itself still counts.
  if (s.entry.open) g->EndTextEntry(false);
  IMouseMod mod = X11ButtonMod(e.state, e.button);
  s.inPress = true;
  s.menuRanInPress = false;
  const bool dbl = s.clicks.IsDoubleClick(e.time, x, y, e.button) && e.button == Button1;
  if (dbl) {
    g->OnMouseDblClick(x, y, &mod);
  } else {
    g->OnMouseDown(x, y, &mod);
  }
  if (!g->mSession) return;
  g->mSession->inPress = false;
  // A popup menu opened by the press took its release: end the gesture as the
  // release would have, so the host hears the end of the edit it was told began.
  if (g->mSession->menuRanInPress && g->IsMouseButtonDown()) g->OnMouseUp(x, y, &mod);
}

void X11EventDispatch::Release(IGraphicsX11* g, XButtonEvent& e) {
  IGraphicsX11::Session& s = *g->mSession;
  if (e.window != s.win || e.button < Button1 || e.button > Button3) return;
  s.prevX = e.x;
  s.prevY = e.y;
  IMouseMod mod = X11ButtonMod(e.state, e.button);
  g->OnMouseUp(e.x, e.y, &mod);
}

void X11EventDispatch::Motion(IGraphicsX11* g, XMotionEvent& e) {
  IGraphicsX11::Session& s = *g->mSession;
  if (e.window != s.win) return;
  s.prevX = e.x;
  s.prevY = e.y;
  IMouseMod mod = X11MotionMod(e.state);
  if (e.state & (Button1Mask | Button2Mask | Button3Mask)) {
    // The press's implicit grab keeps the motion coming to us outside the window.
    if (!s.entry.open) g->OnMouseDrag(e.x, e.y, &mod);
  } else {
    g->OnMouseOver(e.x, e.y, &mod);
  }
}

void X11EventDispatch::PassToHost(IGraphicsX11* g, XKeyEvent& e) {
  IGraphicsX11::Session& s = *g->mSession;
  if (s.ownTopLevel) return;
  XEvent copy;
  copy.xkey = e;
  copy.xkey.window = s.parent;
  copy.xkey.subwindow = None;
  XSendEvent(s.conn.Get(), s.parent, True, e.type == KeyPress ? KeyPressMask : KeyReleaseMask, &copy);
}

void X11EventDispatch::Key(IGraphicsX11* g, XKeyEvent& e) {
  IGraphicsX11::Session& s = *g->mSession;
  const unsigned int kc = e.keycode & 0xff;
  if (e.type == KeyRelease) {
    if (s.keyTaken[kc]) s.keyTaken[kc] = false;
    else PassToHost(g, e);
    return;
  }
  int code = X11KeyCodeForKeysym(XLookupKeysym(&e, 0));
  if (code < 0) code = X11KeyCodeForKeysym(XLookupKeysym(&e, 1));
  const bool taken = code >= 0 && g->OnKeyDown(s.prevX, s.prevY, code);
  if (!g->mSession || !g->mSession->Live()) return;  // closed by what the key did
  g->mSession->keyTaken[kc] = taken;
  if (!taken) PassToHost(g, e);
}

bool IGraphicsX11::OnHostKey(int character, int virtualKey, int modifiers, bool down) {
  // The binding calls this with the plug-in mutex held already; it is recursive, and
  // taking it here keeps the order of every other entry point for other callers.
  WDL_MutexLock plugLock(mPlug ? mPlug->GetMutex() : nullptr);
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!mSession || !mSession->Live()) return false;
  if (mSession->entry.open) {
    // Hosts that keep the keyboard hand the typing over this way.
    X11TextEntryBuffer& b = mSession->entry.buffer;
    if (!down) return true;
    const bool shift = (modifiers & MODIFIER_SHIFT) != 0;
    const bool ctrl = (modifiers & (MODIFIER_CONTROL | MODIFIER_COMMAND)) != 0;
    switch (virtualKey) {
      case VKEY_RETURN: case VKEY_ENTER: EndTextEntry(true); return true;
      case VKEY_ESCAPE: EndTextEntry(false); return true;
      case VKEY_BACK: b.Backspace(); break;
      case VKEY_DELETE: b.Delete(); break;
      case VKEY_LEFT: b.Left(shift); break;
      case VKEY_RIGHT: b.Right(shift); break;
      case VKEY_HOME: b.Home(shift); break;
      case VKEY_END: b.End(shift); break;
      default: {
        if (ctrl) {
          if (character == 'a' || character == 'A') b.SelectAll();
          break;  // no other shortcut types a character
        }
        if (character <= 0 || character > 0x7e) return true;
        const char txt[2] = {static_cast<char>(character), 0};
        b.Insert(txt);
      }
    }
    X11TextEntryUI::Redraw(this);
    return true;
  }
  if (!down) return false;
  const int code = X11KeyCodeForHostKey(character, virtualKey);
  return code >= 0 && OnKeyDown(mSession->prevX, mSession->prevY, code);
}

void X11EventDispatch::EntryKey(IGraphicsX11* g, XKeyEvent& e) {
  X11TextEntryBuffer& b = g->mSession->entry.buffer;
  char txt[16] = {};
  KeySym ks = 0;
  const int n = XLookupString(&e, txt, sizeof(txt) - 1, &ks, nullptr);
  const bool shift = (e.state & ShiftMask) != 0;
  if ((e.state & ControlMask) && (ks == XK_a || ks == XK_A)) {
    b.SelectAll();
    X11TextEntryUI::Redraw(g);
    return;
  }
  switch (ks) {
    case XK_Return:
    case XK_KP_Enter:
      g->EndTextEntry(true);
      return;
    case XK_Escape:
      g->EndTextEntry(false);
      return;
    case XK_BackSpace: b.Backspace(); break;
    case XK_Delete: case XK_KP_Delete: b.Delete(); break;
    case XK_Left: case XK_KP_Left: b.Left(shift); break;
    case XK_Right: case XK_KP_Right: b.Right(shift); break;
    case XK_Home: case XK_KP_Home: b.Home(shift); break;
    case XK_End: case XK_KP_End: b.End(shift); break;
    default:
      if (n > 0 && !(e.state & ControlMask)) {
        txt[n] = 0;
        b.Insert(txt);  // refused keystrokes leave the text as it was
      }
      break;
  }
  X11TextEntryUI::Redraw(g);
}
