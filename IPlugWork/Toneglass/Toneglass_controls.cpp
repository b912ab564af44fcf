#include "Toneglass_controls.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "IGraphics.h"
#include "IParam.h"

namespace {
constexpr int kValueTextSize = 32;
constexpr int kTextSize = 64;
constexpr int kNameSize = 32;
}  // namespace

IKnobMultiControlText1::IKnobMultiControlText1(IPlugBase* pPlug, IRECT pR, int paramIdx,
                                               const IBitmap* pBitmap, const IText* pText)
    : IKnobControl(pPlug, pR, paramIdx),
      mTextRECT(pR.L, pR.B - kValueHeight, pR.R, pR.B),
      mNameRECT(pR.L, pR.T, pR.R, pR.T + kNameHeight) {
  if (pBitmap) mBitmap = *pBitmap;
  mImgRECT = IRECT(pR.L, pR.T + kNameHeight, pR.L + mBitmap.frameWidth(),
                   pR.T + kNameHeight + mBitmap.frameHeight());
  if (pText) SetText(pText);
  DisablePrompt(false);
  // The unit as the host sees it when no fixed text stands for the value; kept here so
  // drawing never reads the parameter's current value.
  if (const IParam* param = GetParam()) {
    const double v = param->Value();
    const bool fixedText = v > INT_MIN - 1.0 && v < INT_MAX + 1.0 && param->GetDisplayText(static_cast<int>(v))[0];
    if (!fixedText) mLabel.Set(param->GetLabelForHost());
  }
}

IKnobMultiControlText1::~IKnobMultiControlText1() = default;

// The parameter's unit, except where a fixed display text stands for the value (as
// IParam::GetLabelForHost decides for the current value).
const char* IKnobMultiControlText1::LabelFor(const IParam& param, double plain) const {
  if (plain > INT_MIN - 1.0 && plain < INT_MAX + 1.0 && param.GetDisplayText(static_cast<int>(plain))[0]) return "";
  return mLabel.Get();
}

int IKnobMultiControlText1::FrameFor(double value, int nFrames) {
  if (nFrames < 1 || std::isnan(value)) return 1;
  // Rounded in double and compared before converting, so any value stays defined.
  const double i = std::trunc((nFrames - 1) * value + 0.5);
  if (i < 0.0) return 1;
  if (i < nFrames) return static_cast<int>(i) + 1;
  return nFrames;
}

bool IKnobMultiControlText1::Draw(IGraphics* pGraphics) {
  if (mBitmap.mData) {
    pGraphics->DrawBitmap(&mBitmap, &mImgRECT, FrameFor(GetValue(), mBitmap.N), &mBlend);
  }

  const IParam* param = GetPlug() ? GetPlug()->GetParam(ParamIdx()) : nullptr;
  if (!param) return true;

  // The value comes from the control's own copy, which the host side keeps in step
  // with the parameter: the parameter itself is written by host threads under the
  // plug-in lock, which drawing never takes.
  const double plain = param->Value(GetValue());
  char value[kValueTextSize];
  value[0] = 0;
  param->GetDisplayForHostSized(plain, false, value, kValueTextSize, true);
  char text[kTextSize];
  snprintf(text, sizeof(text), "%s %s", value, LabelFor(*param, plain));

  bool ok = true;
  if (text[0]) ok = pGraphics->DrawIText(&mText, text, &mTextRECT);

  const char* name = param->GetNameForHost();
  if (name && name[0] && ok) {
    char nameText[kNameSize];
    snprintf(nameText, sizeof(nameText), "%s", name);
    ok = pGraphics->DrawIText(&mText, nameText, &mNameRECT);
  }
  return ok;
}

void IKnobMultiControlText1::OnMouseDown(int /*x*/, int /*y*/, IMouseMod* pMod) {
  if (pMod && pMod->R) PromptUserInput(&mTextRECT);
}

void IKnobMultiControlText1::OnMouseDblClick(int /*x*/, int /*y*/, IMouseMod* /*pMod*/) {
  const double def = GetDefaultValue();
  if (def >= 0.0) {
    mValue = def;
    SetDirty(true);
  }
}
