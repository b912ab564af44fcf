// IGraphicsX11: the text entry, a child window over the control drawn by us.

#include <algorithm>

#include "IGraphicsX11.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include "IGraphicsX11_session.h"

namespace {

LICE_pixel Pixel(const IColor& c) { return LICE_RGBA(c.R, c.G, c.B, 255); }

}  // namespace

void IGraphicsX11::CreateTextEntry(IControl* pControl, IText* pText, IRECT* pTextRect,
                                   const char* str, IParam* pParam) {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!pControl || !pTextRect || !mSession || !mSession->Live() || mSession->entry.open) return;
  Session& s = *mSession;
  X11TextEntryState& t = s.entry;
  Display* d = s.conn.Get();
  X11ErrorTrap trap(s.conn);
  // One pixel wider and taller than the rectangle, as the platform's view makes it.
  t.x = pTextRect->L;
  t.y = pTextRect->T;
  t.w = std::max(1, pTextRect->W() + 1);
  t.h = std::max(1, pTextRect->H() + 1);
  XSetWindowAttributes a{};
  a.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | FocusChangeMask;
  a.background_pixmap = None;
  a.border_pixel = 0;
  t.win = XCreateWindow(d, s.win, t.x, t.y, static_cast<unsigned>(t.w), static_cast<unsigned>(t.h), 0,
                        s.depth, InputOutput, s.visual, CWEventMask | CWBackPixmap | CWBorderPixel, &a);
  if (!t.win || trap.Sync()) return;
  t.bitmap.resize(t.w, t.h);
  if (!t.blit.Create(&s.conn, s.visual, s.depth, t.w, t.h)) {
    XDestroyWindow(d, t.win);
    t.win = 0;
    return;
  }
  const IText style = pText ? *pText : IText();
  const int size = std::max(6, static_cast<int>(style.mSize * 0.9));
  t.font = std::make_unique<X11Font>(style.mFont[0] ? style.mFont : nullptr, size,
                                     style.mStyle == IText::kStyleBold);
  t.fg = Pixel(style.mTextEntryFGColor);
  t.bg = Pixel(style.mTextEntryBGColor);
  t.align = style.mAlign == IText::kAlignCenter ? 1 : style.mAlign == IText::kAlignFar ? 2 : 0;
  t.buffer.Begin(str, X11EntryCharset(pParam), pParam ? pControl->GetTextEntryLength() : 0);
  t.control = pControl;
  t.param = pParam;
  t.open = true;
  t.hadFocus = false;
  XMapRaised(d, t.win);
  // The keyboard comes to the entry while it is open; the focus goes back after.
  XGetInputFocus(d, &t.prevFocus, &t.prevRevert);
  XSync(d, False);
  XSetInputFocus(d, t.win, RevertToParent, CurrentTime);
  X11TextEntryUI::Redraw(this);
  trap.Sync();
}

void X11TextEntryUI::Redraw(IGraphicsX11* g) {
  IGraphicsX11::Session& s = *g->mSession;
  X11TextEntryState& t = s.entry;
  if (!t.open || !s.Live()) return;
  LICE_FillRect(&t.bitmap, 0, 0, t.w, t.h, t.bg, 1.0f, LICE_BLIT_MODE_COPY);
  const std::string& text = t.buffer.Text();
  const int pad = 2;
  const int full = t.font->Width(text.c_str());
  const int left = t.align == 1 ? (t.w - full) / 2 : t.align == 2 ? t.w - pad - full : pad;
  const int x0 = std::max(pad, std::min(left, t.w - pad - full));
  t.font->Draw(&t.bitmap, text.c_str(), x0, 0, t.w + full, t.h, t.fg, 0);
  const std::string before = text.substr(0, t.buffer.Caret());
  const int cx = std::min(t.w - 1, x0 + t.font->Width(before.c_str()));
  LICE_Line(&t.bitmap, cx, 2, cx, t.h - 3, t.fg, 1.0f, 0, false);
  t.blit.Put(t.win, s.gc, &t.bitmap, 0, 0, t.w, t.h);
}


void IGraphicsX11::EndTextEntry(bool apply) {
  if (!mSession || !mSession->entry.open) return;
  Session& s = *mSession;
  X11TextEntryState& t = s.entry;
  t.open = false;
  IControl* control = t.control;
  IParam* param = t.param;
  std::string text = t.buffer.Text();
  t.control = nullptr;
  t.param = nullptr;
  if (s.Live()) {
    X11ErrorTrap trap(s.conn);
    Display* d = s.conn.Get();
    t.blit.Destroy();
    XDestroyWindow(d, t.win);
    if (t.prevFocus && t.prevFocus != PointerRoot) XSetInputFocus(d, t.prevFocus, RevertToParent, CurrentTime);
    trap.Sync();
  }
  t.blit.Destroy();
  t.win = 0;
  t.font.reset();
  if (!apply || !control) return;
  if (param) {
    SetFromStringAfterPrompt(control, param, &text[0]);
  } else {
    control->TextFromTextEntry(text.c_str());
  }
  if (mSession && mSession->Live() && GetDrawBitmap()) {
    IRECT all(0, 0, Width(), Height());
    Draw(&all);
  }
}

void IGraphicsX11::ForceEndUserEdit() {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  EndTextEntry(false);
}

bool IGraphicsX11::TextEntryOpen() {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  return mSession && mSession->entry.open;
}
