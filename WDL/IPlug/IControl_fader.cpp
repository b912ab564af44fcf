// The fader: a handle bitmap on a track, snapping its middle to the mouse.
#include "IControl.h"
#include "IGraphics.h"

IFaderControl::IFaderControl(IPlugBase* pPlug, int x, int y, int len, int paramIdx,
                             const IBitmap* pBitmap, EDirection direction, bool onlyHandle)
    : IControl(pPlug, IRECT(), paramIdx),
      mLen(len),
      mBitmap(pBitmap ? *pBitmap : IBitmap()),
      mDirection(direction),
      mOnlyHandle(onlyHandle) {
  const int hw = mBitmap.frameWidth(), hh = mBitmap.frameHeight();
  mHandleHeadroom = direction == kHorizontal ? hw : hh;
  SetRECT(direction == kHorizontal ? IRECT(x, y, x + len, y + hh) : IRECT(x, y, x + hw, y + len));
}

IRECT IFaderControl::GetHandleRECT(double value) const {
  if (value < 0.0) value = mValue;
  IRECT r(mRECT.L, mRECT.T, &mBitmap);
  const int travel = mLen - mHandleHeadroom;
  if (mDirection == kHorizontal) {
    const int offs = static_cast<int>(value * travel);
    r.L += offs;
    r.R += offs;
  } else {
    const int offs = static_cast<int>(travel * (1.0 - value));
    r.T += offs;
    r.B += offs;
  }
  return r;
}

void IFaderControl::OnMouseDown(int x, int y, IMouseMod* pMod) {
  if (pMod && pMod->R) {
    PromptUserInput();
    return;
  }
  SnapToMouse(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int, int, IMouseMod*) { SnapToMouse(x, y); }

void IFaderControl::OnMouseWheel(int, int, IMouseMod* pMod, int d) {
  mValue += d * ((pMod && (pMod->C || pMod->S)) ? 0.001 : 0.01);
  SetDirty(true);
}

void IFaderControl::SnapToMouse(int x, int y) {
  const int travel = mLen - mHandleHeadroom;
  // A handle as long as the track cannot move.
  if (travel == 0) return;
  if (mDirection == kHorizontal)
    mValue = static_cast<double>(static_cast<int>(x - mRECT.L - mHandleHeadroom / 2)) / travel;
  else
    mValue = 1.0 - (y - mRECT.T - mHandleHeadroom / 2.0) / travel;
  SetDirty(true);
}

bool IFaderControl::Draw(IGraphics* pGraphics) {
  IRECT handle = GetHandleRECT();
  return pGraphics->DrawBitmap(&mBitmap, &handle, 1, &mBlend);
}

bool IFaderControl::IsHit(int x, int y) {
  if (mOnlyHandle) return GetHandleRECT().Contains(x, y);
  return mTargetRECT.Contains(x, y);
}
