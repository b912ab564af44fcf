#include "X11Font.h"

X11Font::X11Font(const char* face, int size, bool bold) {
  mHFont = CreateFont(size, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, face);
  if (mHFont) mFont.SetFromHFont(mHFont, 0);
  mFont.SetBkMode(TRANSPARENT);
}

X11Font::~X11Font() {
  if (mHFont) DeleteObject(mHFont);
}

int X11Font::Width(const char* text) {
  if (!text || !*text) return 0;
  RECT r = {0, 0, 0, 0};
  mFont.DrawText(nullptr, text, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return r.right - r.left;
}

void X11Font::Draw(LICE_IBitmap* bm, const char* text, int l, int t, int r, int b,
                   LICE_pixel color, int align) {
  if (!bm || !text || !*text) return;
  RECT rc = {l, t, r, b};
  unsigned int flags = DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER;
  if (align == 1) flags |= DT_CENTER;
  if (align == 2) flags |= DT_RIGHT;
  mFont.SetTextColor(color);
  mFont.DrawText(bm, text, -1, &rc, flags);
}
