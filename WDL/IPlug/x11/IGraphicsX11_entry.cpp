// IGraphicsX11: the text entry, a child window over the control drawn by us.

#include <algorithm>

#include "IGraphicsX11.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include "IGraphicsX11_session.h"

namespace {

LICE_pixel Pixel(const IColor& c) { return LICE_RGBA(c.R, c.G, c.B, 255); }

// Around the text rectangle: a one-pixel frame and a pixel of air inside it.
constexpr int kEntryFrame = 1;
constexpr int kEntryMargin = 2;
// The selection's highlight, laid over the field's background.
constexpr LICE_pixel kSelectionColor = LICE_RGBA(0x33, 0x99, 0xff, 255);
constexpr float kSelectionAlpha = 0.5f;

}  // namespace

X11EntryBox X11EntryBoxFor(const IRECT& text, int editorW, int editorH) {
  // One pixel wider and taller than the rectangle, as the platform's view makes it,
  // grown by the frame and margin; then moved (and if need be cut) to lie inside the
  // editor, so the frame is always seen.
  X11EntryBox b;
  b.w = std::max(1, text.W() + 1 + 2 * kEntryMargin);
  b.h = std::max(1, text.H() + 1 + 2 * kEntryMargin);
  b.w = std::min(b.w, std::max(1, editorW));
  b.h = std::min(b.h, std::max(1, editorH));
  b.x = std::max(0, std::min(text.L - kEntryMargin, editorW - b.w));
  b.y = std::max(0, std::min(text.T - kEntryMargin, editorH - b.h));
  return b;
}

void IGraphicsX11::CreateTextEntry(IControl* pControl, IText* pText, IRECT* pTextRect,
                                   const char* str, IParam* pParam) {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  if (!pControl || !pTextRect || !mSession || !mSession->Live() || mSession->entry.open) return;
  Session& s = *mSession;
  X11TextEntryState& t = s.entry;
  Display* d = s.conn.Get();
  X11ErrorTrap trap(s.conn);
  const X11EntryBox box = X11EntryBoxFor(*pTextRect, Width(), Height());
  t.x = box.x;
  t.y = box.y;
  t.w = box.w;
  t.h = box.h;
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
  // The frame, so the field reads as one over whatever the editor shows around it.
  LICE_FillRect(&t.bitmap, 0, 0, t.w, kEntryFrame, t.fg, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(&t.bitmap, 0, t.h - kEntryFrame, t.w, kEntryFrame, t.fg, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(&t.bitmap, 0, 0, kEntryFrame, t.h, t.fg, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(&t.bitmap, t.w - kEntryFrame, 0, kEntryFrame, t.h, t.fg, 1.0f, LICE_BLIT_MODE_COPY);
  const X11TextEntryBuffer& b = t.buffer;
  const std::string& text = b.Text();
  const int inset = kEntryFrame + 1;  // frame, then one pixel before the text
  const int innerW = t.w - 2 * inset;
  const int full = t.font->Width(text.c_str());
  const int left = t.align == 1 ? inset + (innerW - full) / 2 : t.align == 2 ? inset + innerW - full : inset;
  // A text wider than the field keeps its start in view.
  const int x0 = std::max(inset, std::min(left, inset + innerW - full));
  auto xAt = [&](size_t offset) {
    return x0 + t.font->Width(text.substr(0, offset).c_str());
  };
  const int top = inset, bottom = t.h - inset;
  if (b.HasSelection()) {
    const int sx = std::max(inset, xAt(b.SelectionStart()));
    const int ex = std::min(t.w - inset, xAt(b.SelectionEnd()));
    if (ex > sx)
      LICE_FillRect(&t.bitmap, sx, top, ex - sx, bottom - top, kSelectionColor, kSelectionAlpha,
                    LICE_BLIT_MODE_COPY);
  }
  t.font->Draw(&t.bitmap, text.c_str(), x0, top, std::max(x0 + full, t.w - inset), bottom, t.fg, 0);
  if (!b.HasSelection()) {
    const int cx = std::max(inset, std::min(t.w - inset - 1, xAt(b.Caret())));
    LICE_Line(&t.bitmap, cx, top + 1, cx, bottom - 2, t.fg, 1.0f, 0, false);
  }
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
    mGestures.Enter(true);
    control->TextFromTextEntry(text.c_str());
    mGestures.Leave();
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
