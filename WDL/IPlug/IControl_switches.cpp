// Switches: stepping, pop-up, frame-selecting, momentary, overlay, invisible and
// radio buttons.
#include "IControl.h"
#include "IGraphics.h"

void ISwitchControl::OnMouseDown(int, int, IMouseMod*) {
  const int n = mBitmap.N;
  mValue += n > 1 ? 1.0 / (n - 1) : 1.0;
  // The tolerance lets the last step land on 1 despite rounding.
  if (mValue > 1.001) mValue = 0.0;
  SetDirty(true);
}

void ISwitchControl::OnMouseDblClick(int x, int y, IMouseMod* pMod) { OnMouseDown(x, y, pMod); }

ISwitchPopUpControl::ISwitchPopUpControl(IPlugBase* pPlug, int x, int y, int paramIdx,
                                         const IBitmap* pBitmap, IChannelBlend::EBlendMethod blendMethod)
    : ISwitchControl(pPlug, x, y, paramIdx, pBitmap, blendMethod) {
  // The menu is all this switch does: with prompting off it could not be used.
  mDisablePrompt = false;
}

void ISwitchPopUpControl::OnMouseDown(int, int, IMouseMod*) {
  PromptUserInput();
  SetDirty(true);
}

ISwitchFramesControl::ISwitchFramesControl(IPlugBase* pPlug, int x, int y, int paramIdx,
                                           const IBitmap* pBitmap, bool imagesAreHorizontal,
                                           IChannelBlend::EBlendMethod blendMethod)
    : ISwitchControl(pPlug, x, y, paramIdx, pBitmap, blendMethod) {
  const int n = mBitmap.N;
  const int w = mRECT.W(), h = mRECT.H();
  for (int j = 0; j < n; ++j) {
    IRECT* part = imagesAreHorizontal
                      ? new IRECT(mRECT.L + j * w / n, mRECT.T, mRECT.L + (j + 1) * w / n, mRECT.B)
                      : new IRECT(mRECT.L, mRECT.T + j * h / n, mRECT.R, mRECT.T + (j + 1) * h / n);
    mRECTs.Add(part);
  }
}

void ISwitchFramesControl::OnMouseDown(int x, int y, IMouseMod*) {
  const int n = mRECTs.GetSize();
  for (int j = 0; j < n; ++j) {
    if (mRECTs.Get(j)->Contains(x, y)) {
      mValue = n > 1 ? static_cast<double>(j) / (n - 1) : 0.0;
      break;
    }
  }
  SetDirty(true);
}

void IContactControl::OnMouseUp(int, int, IMouseMod*) {
  mValue = 0.0;
  SetDirty(true);
}

bool IBitmapOverlayControl::Draw(IGraphics* pGraphics) {
  if (mValue < 0.5) {
    mTargetRECT = mTargetArea;
    return true;
  }
  mTargetRECT = mRECT;
  return IBitmapControl::Draw(pGraphics);
}

IInvisibleSwitchControl::IInvisibleSwitchControl(IPlugBase* pPlug, IRECT pR, int paramIdx)
    : IControl(pPlug, pR, paramIdx, IChannelBlend(IChannelBlend::kBlendClobber)) {
  mDisablePrompt = true;
}

void IInvisibleSwitchControl::OnMouseDown(int, int, IMouseMod*) {
  mValue = mValue < 0.5 ? 1.0 : 0.0;
  SetDirty(true);
}

// ---- Radio buttons ----------------------------------------------------------------------------

IRadioButtonsControl::IRadioButtonsControl(IPlugBase* pPlug, IRECT pR, int paramIdx, int nButtons,
                                           const IBitmap* pBitmap, EDirection direction, bool reverse)
    : IControl(pPlug, pR, paramIdx), mBitmap(pBitmap ? *pBitmap : IBitmap()) {
  const int n = nButtons < 1 ? 1 : nButtons;
  const int bw = mBitmap.W, bh = mBitmap.H / mBitmap.N;
  // One button has no neighbours and so no gap.
  const int gap = n < 2 ? 0
                        : (direction == kVertical ? static_cast<int>(static_cast<double>(pR.H() - n * bh) / (n - 1))
                                                  : (pR.W() - n * bw) / (n - 1));
  for (int i = 0; i < n; ++i) {
    IRECT* button;
    if (direction == kVertical) {
      const int top = reverse ? pR.B - gap - (i + 1) * bh - i * gap : pR.T + i * (bh + gap);
      button = new IRECT(pR.L, top, pR.L + bw, top + bh);
    } else {
      const int left = reverse ? pR.R - gap - (i + 1) * bw - i * gap : pR.L + i * (bw + gap);
      button = new IRECT(left, pR.T, left + bw, pR.T + bh);
    }
    mRECTs.Add(button);
  }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, IMouseMod* pMod) {
  if (pMod && pMod->R) {
    PromptUserInput();
    return;
  }
  const int n = mRECTs.GetSize();
  for (int j = 0; j < n; ++j) {
    if (mRECTs.Get(j)->Contains(x, y)) {
      mValue = n > 1 ? static_cast<double>(j) / (n - 1) : 0.0;
      break;
    }
  }
  SetDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics* pGraphics) {
  const int n = mRECTs.GetSize();
  // FrameForValue over n frames picks the active button (1-based).
  const int active = FrameForValue(mValue, n) - 1;
  bool ok = true;
  for (int i = 0; i < n; ++i) ok &= pGraphics->DrawBitmap(&mBitmap, mRECTs.Get(i), i == active ? 2 : 1, &mBlend);
  return ok;
}
