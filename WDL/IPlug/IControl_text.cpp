// Text fields: a plain text, and the caption that shows its parameter's value.
#include <cstring>

#include "IControl.h"
#include "IGraphics.h"

ITextControl::ITextControl(IPlugBase* pPlug, IRECT pR, const IText* pText, const char* str)
    : IControl(pPlug, pR), mStr(str ? str : "") {
  if (pText) mText = *pText;
}

void ITextControl::SetTextFromPlug(const char* str) {
  if (!str) str = "";
  if (strcmp(mStr.Get(), str) == 0) return;
  SetDirty(false);
  mStr.Set(str);
}

bool ITextControl::Draw(IGraphics* pGraphics) {
  if (!mStr.GetLength()) return true;
  return pGraphics->DrawIText(&mText, mStr.Get(), &mRECT);
}
