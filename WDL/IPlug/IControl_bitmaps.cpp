// The panel and the film-strip bitmap control, with the frame rule every bitmap
// control shares.
#include "IControl.h"
#include "IGraphics.h"

int FrameForValue(double value, int nFrames) {
  if (nFrames < 2) return 1;
  // Clamped before the conversion: a value far outside 0..1 (or not a number) must
  // not reach the int cast.
  if (!(value > 0.0)) return 1;
  if (value >= 1.0) return nFrames;
  const int frame = static_cast<int>((nFrames - 1) * value + 0.5) + 1;
  return frame < 1 ? 1 : (frame > nFrames ? nFrames : frame);
}

IPanelControl::IPanelControl(IPlugBase* pPlug, IRECT pR, const IColor* pColor, IChannelBlend blend)
    : IControl(pPlug, pR, -1, blend), mColor(pColor ? *pColor : COLOR_BLACK) {}

// The fill is kept inside the pass's draw rectangle: a filled rectangle is clipped
// only to the bitmap, and a panel under the whole editor would otherwise wipe every
// control outside the region being repainted (which the pass does not redraw).
bool IPanelControl::Draw(IGraphics* pGraphics) {
  const IRECT* clip = pGraphics->GetDrawRECT();
  IRECT r = clip->Empty() ? mRECT : mRECT.Intersect(clip);
  if (r.Empty()) return true;
  return pGraphics->FillIRect(&mColor, &r, &mBlend);
}

// One frame of the bitmap at (x, y); a missing bitmap gives an empty spot there.
static IRECT FrameRect(int x, int y, const IBitmap* pBitmap) {
  return pBitmap ? IRECT(x, y, pBitmap) : IRECT(x, y, x, y);
}

IBitmapControl::IBitmapControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap,
                               IChannelBlend::EBlendMethod blendMethod)
    : IControl(pPlug, FrameRect(x, y, pBitmap), paramIdx, IChannelBlend(blendMethod)),
      mBitmap(pBitmap ? *pBitmap : IBitmap()) {}

bool IBitmapControl::Draw(IGraphics* pGraphics) {
  return pGraphics->DrawBitmap(&mBitmap, &mRECT, FrameForValue(mValue, mBitmap.N), &mBlend);
}
