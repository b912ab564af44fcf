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
