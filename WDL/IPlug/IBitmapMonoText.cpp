// DrawBitmapedText and IBitmapTextControl.
#include "IBitmapMonoText.h"

#include <cstring>

void DrawBitmapedText(IGraphics* pGraphics, IBitmap* pTextBitmap, IRECT* pR, IText* pText,
                      IChannelBlend* pBlend, const char* str, bool vCenter, bool multiline,
                      int charWidth, int charHeight, int charOffset) {
  if (!pGraphics || !pTextBitmap || !pR || !str || !*str) return;
  if (charWidth < 1 || charHeight < 1) return;
  // 64-bit arithmetic throughout: an over-long text or a far rectangle cannot overflow.
  const long long len = (long long)strlen(str);
  const long long cw = charWidth, ch = charHeight;
  const long long textWidth = cw * len;
  const long long left = pR->L, right = pR->R;

  long long y0 = pR->T;
  if (vCenter) y0 += ((long long)pR->B - ch - pR->T) / 2;
  const int align = pText ? pText->mAlign : IText::kAlignNear;
  long long x0 = left;
  if (align == IText::kAlignFar)
    x0 = right - textWidth;
  else if (align == IText::kAlignCenter)
    x0 = left + (right - textWidth - left) / 2;

  const long long avail = right - left;
  if (avail <= 0) return;
  long long perLine, lines = 1;
  if (!multiline) {
    perLine = avail / cw;
  } else if (textWidth <= avail) {
    perLine = len;
  } else {
    perLine = avail / cw;
    lines = textWidth / avail + 1;
  }
  if (perLine <= 0) return;

  // A box beyond every bitmap draws nothing, so the loop may stop there.
  const long long kFar = 1LL << 28;
  long long pos = 0;
  for (long long i = 0; i < lines && pos < len; ++i) {
    const long long top = y0 + i * ch;
    if (top > kFar || top < -kFar) break;
    long long x = x0;
    for (long long j = 0; j < perLine && pos < len; ++j, ++pos) {
      if (x > kFar || x < -kFar) break;
      const int frame = int((unsigned char)str[pos]) - 31;
      if (frame >= 1 && frame <= pTextBitmap->N) {
        IRECT box(int(x), int(top), int(x + cw), int(top + ch));
        pGraphics->DrawBitmap(pTextBitmap, &box, frame, pBlend);
      }
      x += cw + charOffset;
    }
  }
}

IBitmapTextControl::IBitmapTextControl(IPlugBase* pPlug, IRECT pR, IBitmap* pBitmap,
                                       const char* str, IText* pText, int charWidth,
                                       int charHeight, int charOffset, bool multiLine,
                                       bool vCenter, IChannelBlend blend)
    : IControl(pPlug, pR, -1, blend),
      mStr(str ? str : ""),
      mCharWidth(charWidth),
      mCharHeight(charHeight),
      mCharOffset(charOffset),
      mMultiLine(multiLine),
      mVCentre(vCenter),
      mTextBitmap(pBitmap ? *pBitmap : IBitmap()) {
  if (pText) mText = *pText;
}

void IBitmapTextControl::SetTextFromPlug(const char* str) {
  if (!str) str = "";
  bool changed;
  {
    std::lock_guard<std::mutex> lock(mStrLock);
    changed = strcmp(mStr.Get(), str) != 0;
    if (changed) mStr.Set(str);
  }
  if (changed) SetDirty(false);
}

bool IBitmapTextControl::Draw(IGraphics* pGraphics) {
  if (!pGraphics) return false;
  {
    std::lock_guard<std::mutex> lock(mStrLock);
    mDrawnStr.Set(mStr.Get());
  }
  if (mDrawnStr.GetLength()) {
    IChannelBlend blend = mBlend;
    DrawBitmapedText(pGraphics, &mTextBitmap, &mRECT, &mText, &blend, mDrawnStr.Get(), mVCentre,
                     mMultiLine, mCharWidth, mCharHeight, mCharOffset);
  }
  return true;
}
