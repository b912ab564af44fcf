// The knob family: drag gearing with a fine mode, wheel steps, and the ways a knob
// shows its value (film strip, line, rotated bitmap, rotated mask).
#include <cmath>

#include "IControl.h"
#include "IGraphics.h"

namespace {

bool FineMode(const IMouseMod* pMod) { return pMod && (pMod->C || pMod->S); }

}  // namespace

IKnobControl::IKnobControl(IPlugBase* pPlug, IRECT pR, int paramIdx, EDirection direction,
                           double gearing)
    : IControl(pPlug, pR, paramIdx), mDirection(direction), mGearing(gearing) {}

void IKnobControl::OnMouseDrag(int, int, int dX, int dY, IMouseMod* pMod) {
  double gearing = mGearing;
  if (FineMode(pMod)) gearing *= 10.0;
  // A control of no extent, or no gearing, has no drag scale: the value stays.
  const int extent = mDirection == kVertical ? mRECT.T - mRECT.B : mRECT.R - mRECT.L;
  if (extent == 0 || gearing == 0.0 || !std::isfinite(gearing)) return;
  const int delta = mDirection == kVertical ? dY : dX;
  mValue += static_cast<double>(delta) / static_cast<double>(extent) / gearing;
  SetDirty(true);
}

void IKnobControl::OnMouseWheel(int, int, IMouseMod* pMod, int d) {
  mValue += d * (FineMode(pMod) ? 0.001 : 0.01);
  SetDirty(true);
}

IKnobMultiControl::IKnobMultiControl(IPlugBase* pPlug, int x, int y, int paramIdx,
                                     const IBitmap* pBitmap, EDirection direction, double gearing)
    : IKnobControl(pPlug, pBitmap ? IRECT(x, y, pBitmap) : IRECT(x, y, x, y), paramIdx, direction,
                   gearing),
      mBitmap(pBitmap ? *pBitmap : IBitmap()) {}

bool IKnobMultiControl::Draw(IGraphics* pGraphics) {
  return pGraphics->DrawBitmap(&mBitmap, &mRECT, FrameForValue(mValue, mBitmap.N), &mBlend);
}

// ---- Line, rotated bitmap, rotated mask ---------------------------------------------------

IKnobLineControl::IKnobLineControl(IPlugBase* pPlug, IRECT pR, int paramIdx, const IColor* pColor,
                                   double innerRadius, double outerRadius, double minAngle,
                                   double maxAngle, EDirection direction, double gearing)
    : IKnobControl(pPlug, pR, paramIdx, direction, gearing),
      mColor(pColor ? *pColor : COLOR_BLACK),
      mMinAngle(static_cast<float>(minAngle)),
      mMaxAngle(static_cast<float>(maxAngle)),
      mInnerRadius(static_cast<float>(innerRadius)),
      mOuterRadius(static_cast<float>(outerRadius)) {
  if (mOuterRadius == 0.0f) mOuterRadius = 0.5f * static_cast<float>(pR.W());
  mBlend = IChannelBlend(IChannelBlend::kBlendClobber);
}

bool IKnobLineControl::Draw(IGraphics* pGraphics) {
  const double v = mValue;
  const float angle = mMinAngle + static_cast<float>(v) * (mMaxAngle - mMinAngle);
  const float cx = mRECT.MW(), cy = mRECT.MH();
  const float s = std::sin(angle), c = std::cos(angle);
  return pGraphics->DrawLine(&mColor, cx + s * mInnerRadius, cy - c * mInnerRadius, cx + s * mOuterRadius,
                             cy - c * mOuterRadius, &mBlend, true);
}

IKnobRotaterControl::IKnobRotaterControl(IPlugBase* pPlug, int x, int y, int paramIdx,
                                         const IBitmap* pBitmap, double minAngle, double maxAngle,
                                         int yOffsetZeroDeg, EDirection direction, double gearing)
    : IKnobControl(pPlug, pBitmap ? IRECT(x, y, pBitmap) : IRECT(x, y, x, y), paramIdx, direction,
                   gearing),
      mBitmap(pBitmap ? *pBitmap : IBitmap()),
      mMinAngle(minAngle),
      mMaxAngle(maxAngle),
      mYOffset(yOffsetZeroDeg) {}

bool IKnobRotaterControl::Draw(IGraphics* pGraphics) {
  const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
  const int cx = (mRECT.L + mRECT.R) / 2, cy = (mRECT.T + mRECT.B) / 2;
  return pGraphics->DrawRotatedBitmap(&mBitmap, cx, cy, angle, mYOffset, &mBlend);
}

IKnobRotatingMaskControl::IKnobRotatingMaskControl(IPlugBase* pPlug, int x, int y, int paramIdx,
                                                   const IBitmap* pBase, const IBitmap* pMask,
                                                   const IBitmap* pTop, double minAngle, double maxAngle,
                                                   EDirection direction, double gearing)
    : IKnobControl(pPlug, pBase ? IRECT(x, y, pBase) : IRECT(x, y, x, y), paramIdx, direction, gearing),
      mBase(pBase ? *pBase : IBitmap()),
      mMask(pMask ? *pMask : IBitmap()),
      mTop(pTop ? *pTop : IBitmap()),
      mMinAngle(minAngle),
      mMaxAngle(maxAngle) {}

bool IKnobRotatingMaskControl::Draw(IGraphics* pGraphics) {
  const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
  return pGraphics->DrawRotatedMask(&mBase, &mMask, &mTop, mRECT.L, mRECT.T, angle, &mBlend);
}
