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
    mStr.Set(display);
    if (mShowParamLabel) {
      mStr.Append(" ");
      mStr.Append(param->GetLabelForHost(param->Value(value)));
    }
  }
  return ITextControl::Draw(pGraphics);
}
