// The control base: value, dirty and redraw handshake, prompts, auxiliary parameters
// and the display controls a value change refreshes.
//
// The handshake between a host thread (SetValueFromPlug) and the editor thread
// (SetClean after drawing) must not lose a change. The host side raises "redraw
// requested" before "dirty"; the editor side clears "dirty" before it takes "redraw
// requested", all four steps sequentially consistent. Whichever way they interleave,
// either the editor sees the request or the host's "dirty" lands after the editor's
// clear: the control is drawn again. The host's stores also publish the value stored
// before them to the editor's (acquiring) dirty check.
#include "IControl.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "IGraphics.h"
#include "IParam.h"

IRECT IResize::GetRectResize() const {
  // Rule 3 scales a horizontal quantity by the horizontal factor and a vertical one by
  // the vertical factor.
  auto moved = [this](int v, int rule, bool horizontal) {
    switch (rule) {
      case 1: return v + static_cast<int>(mRefW * mFactorX);
      case 2: return v + static_cast<int>(mRefH * mFactorY);
      case 3: return static_cast<int>(v * (horizontal ? mFactorX : mFactorY));
      default: return v;
    }
  };
  const int l = moved(mLeft, mLeftRule, true);
  const int t = moved(mTop, mTopRule, false);
  return IRECT(l, t, l + moved(mWidth, mWidthRule, true), t + moved(mHeight, mHeightRule, false));
}

IControl::IControl(IPlugBase* pPlug, IRECT pR, int paramIdx, IChannelBlend blendMethod)
    : mPlug(pPlug),
      mRECT(pR),
      mTargetRECT(pR),
      mParamIdx(paramIdx),
      mBlend(blendMethod),
      mBlendWeight(blendMethod.mWeight) {
  if (const IParam* param = GetParam()) mDefaultValue = param->GetNormalized(param->GetDefault());
}

IControl::~IControl() { mAuxParams.Empty(true); }

IGraphics* IControl::GetGUI() const { return mPlug ? mPlug->GetGUI() : nullptr; }

IParam* IControl::GetParam() const {
  return (mPlug && mParamIdx >= 0) ? mPlug->GetParam(mParamIdx) : nullptr;
}

// ---- Events ---------------------------------------------------------------------------------

void IControl::OnMouseDown(int, int, IMouseMod* pMod) {
  if (pMod && pMod->R) PromptUserInput();
}

void IControl::OnMouseUp(int, int, IMouseMod*) {}
void IControl::OnMouseDrag(int, int, int, int, IMouseMod*) {}

void IControl::OnMouseDblClick(int, int, IMouseMod*) {
  const double def = mDefaultValue;
  if (def >= 0.0) {
    mValue = def;
    SetDirty(true);
  }
}

void IControl::OnMouseWheel(int, int, IMouseMod*, int) {}
bool IControl::OnKeyDown(int, int, int) { return false; }
void IControl::OnMouseOver(int, int, IMouseMod*) {}
void IControl::OnMouseOut() {}

// ---- Values ---------------------------------------------------------------------------------

void IControl::SetValueFromPlug(double value) {
  if (mDefaultValue < 0.0) {
    mDefaultValue = value;
    mValue = value;
    return;
  }
  if (value == mValue) return;
  mValue = value;
  RequestRedrawThenDirty();
}

double IControl::GetValueFromPlug() { return mValue; }

void IControl::SetValueFromUserInput(double value) {
  if (value == mValue) return;
  mValue = value;
  SetDirty(true);
  mRedraw = true;
}

void IControl::SetDefaultValueFromUserInput(double value) { mDefaultValue = value; }

void IControl::SetRECT(IRECT r) {
  mRECT = r;
  mTargetRECT = r;
}

void IControl::TextFromTextEntry(const char*) {}

void IControl::SetAuxParamValueFromPlug(int auxParamIdx, double value) {
  AuxParam* aux = GetAuxParam(auxParamIdx);
  if (!aux || aux->mValue == value) return;
  aux->mValue = value;
  RequestRedrawThenDirty();
}

void IControl::RequestRedrawThenDirty() {
  mRedraw.Store(true, std::memory_order_seq_cst);
  SetDirty(false);
}

// ---- Visibility -----------------------------------------------------------------------------

void IControl::Hide(bool hide) {
  mHide = hide;
  RequestRedrawThenDirty();
}

// Plug-ins gray out and fade controls from their parameter handlers, on host threads:
// the weight goes into a shared value that the draw pass copies into the blend.
void IControl::GrayOut(bool gray) {
  mGrayed = gray;
  mBlendWeight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

void IControl::MakeTransparent(bool transparent) {
  mBlendWeight = transparent ? 0.25f : 1.0f;
  SetDirty(false);
}

void IControl::SyncBlendForDraw() { mBlend.mWeight = mBlendWeight; }

bool IControl::IsHit(int x, int y) { return mTargetRECT.Contains(x, y); }

// ---- Dirty and clean ------------------------------------------------------------------------

void IControl::SetDirty(bool pushParamToPlug) {
  // A value that is not a number is not inside any range: it becomes the low end.
  const double lo = mClampLo, hi = mClampHi, v = mValue;
  mValue = !(v >= lo) ? lo : (v < hi ? v : hi);
  mDirty.Store(true, std::memory_order_seq_cst);
  if (!pushParamToPlug || !mPlug || mParamIdx < 0) return;

  const double value = mValue;
  mPlug->SetParameterFromGUI(mParamIdx, value);
  const IParam* param = GetParam();
  if (!param) return;
  if (mValDisplayControl) {
    // The text of the value just pushed, from the control's own copy: the parameter
    // itself is written by host threads under the plug-in lock.
    char display[MAX_PARAM_DISPLAY_LEN];
    param->GetDisplayForHost(value, true, display, true);
    char text[MAX_PARAM_DISPLAY_LEN + MAX_PARAM_LABEL_LEN + 2];
    snprintf(text, sizeof(text), "%.32s %.32s", display, param->GetLabelForHost(param->Value(value)));
    if (strcmp(text, mValDisplayControl->GetTextForDisplay()) != 0) {
      mValDisplayControl->SetDirty(false);
      mValDisplayControl->SetTextFromPlug(text);
    }
  }
  if (mNameDisplayControl &&
      strcmp(param->GetNameForHost(), mNameDisplayControl->GetTextForDisplay()) != 0) {
    mNameDisplayControl->SetDirty(false);
    mNameDisplayControl->SetTextFromPlug(param->GetNameForHost());
  }
}

void IControl::SetClean() {
  mDirty.Store(false, std::memory_order_seq_cst);
  if (mRedraw.Exchange(false, std::memory_order_seq_cst)) mDirty.Store(true, std::memory_order_seq_cst);
}

bool IControl::IsDirty() { return mDirty.Load(std::memory_order_acquire); }

void IControl::OnGUIIdle() {}

// ---- Prompts and auxiliary parameters -------------------------------------------------------

void IControl::PromptUserInput() {
  IParam* param = GetParam();
  if (!param || mDisablePrompt) return;
  if (param->GetNDisplayTexts()) {
    PromptUserInput(&mRECT);
    return;
  }
  const int cx = static_cast<int>((mRECT.L + mRECT.R) * 0.5);
  const int cy = static_cast<int>((mRECT.T + mRECT.B) * 0.5);
  IRECT box(cx - 20, cy - 8, cx + 20, cy + 8);
  PromptUserInput(&box);
}

void IControl::PromptUserInput(IRECT* pTextRect) {
  IParam* param = GetParam();
  if (!param || mDisablePrompt) return;
  if (IGraphics* gui = GetGUI()) gui->PromptUserInput(this, param, pTextRect);
  mRedraw = true;
}

void IControl::AddAuxParam(int paramIdx) { mAuxParams.Add(new AuxParam(paramIdx)); }

int IControl::AuxParamIdx(int paramIdx) {
  for (int i = 0; i < mAuxParams.GetSize(); ++i)
    if (mAuxParams.Get(i)->mParamIdx == paramIdx) return i;
  return -1;
}

void IControl::SetAllAuxParamsFromGUI() {
  if (!mPlug) return;
  for (int i = 0; i < mAuxParams.GetSize(); ++i) {
    AuxParam* aux = mAuxParams.Get(i);
    mPlug->SetParameterFromGUI(aux->mParamIdx, aux->mValue);
  }
}
