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
  std::lock_guard<std::mutex> lock(mStrLock);
  if (strcmp(mStr.Get(), str) == 0) return;
  mStr.Set(str);
  SetDirty(false);
}

bool ITextControl::Draw(IGraphics* pGraphics) {
  {
    std::lock_guard<std::mutex> lock(mStrLock);
    mDrawStr.Set(mStr.Get());
  }
  return DrawText(pGraphics, &mDrawStr);
}

bool ITextControl::DrawText(IGraphics* pGraphics, WDL_String* str) {
  if (!str->GetLength()) return true;
  return pGraphics->DrawIText(&mText, str->Get(), &mRECT);
}

ITextControl::ITextControl(IPlugBase* pPlug, IRECT pR, int paramIdx, const IText* pText, const char* str)
    : IControl(pPlug, pR, paramIdx), mStr(str ? str : "") {
  if (pText) mText = *pText;
}

// ---- Caption ----------------------------------------------------------------------------------

ICaptionControl::ICaptionControl(IPlugBase* pPlug, IRECT pR, int paramIdx, const IText* pText,
                                 bool showParamLabel)
    : ITextControl(pPlug, pR, paramIdx, pText), mShowParamLabel(showParamLabel) {}

void ICaptionControl::OnMouseDown(int, int, IMouseMod* pMod) {
  if (pMod && (pMod->L || pMod->R)) PromptUserInput();
}

void ICaptionControl::OnMouseDblClick(int, int, IMouseMod*) { PromptUserInput(); }

bool ICaptionControl::Draw(IGraphics* pGraphics) {
  const IParam* param = GetParam();
  if (param) {
    // The control's own value: the parameter is written by host threads.
    const double value = mValue;
    char display[MAX_PARAM_DISPLAY_LEN];
    param->GetDisplayForHost(value, true, display, true);
    std::lock_guard<std::mutex> lock(mStrLock);
    mStr.Set(display);
    if (mShowParamLabel) {
      mStr.Append(" ");
      mStr.Append(param->GetLabelForHost(param->Value(value)));
    }
  }
  return ITextControl::Draw(pGraphics);
}
