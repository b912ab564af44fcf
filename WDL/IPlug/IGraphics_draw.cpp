// The drawing operations of the graphics context: each paints into the draw bitmap
// through the raster library. Blits clip to the draw rectangle (so a partial repaint
// copies only what it needs); shapes and fills rely on the raster library's own
// clipping to the bitmap.
//
// Arguments come from controls and plug-ins: a null pointer or a missing draw bitmap
// makes an operation return false, and coordinates that cannot be pixels (not a
// number, beyond any bitmap) are handled without undefined conversions. None of these
// operations allocates, except the two that work through a temporary copy
// (Translate_TB, Scale_TB) and the first masked rotation, which sizes the scratch
// bitmap.
#include <cmath>
#include <cstdint>

#include "IGraphics.h"

namespace {

// Farther than any bitmap reaches, small enough that sums and differences of two
// such values stay inside an int.
constexpr int kFarCoord = 1 << 28;
constexpr double kPi = 3.14159265358979323846;

// Truncates a float coordinate toward zero, held within +-kFarCoord; false for a NaN.
bool TruncCoord(float v, int* out) {
  if (std::isnan(v)) return false;
  if (v >= float(kFarCoord))
    *out = kFarCoord;
  else if (v <= -float(kFarCoord))
    *out = -kFarCoord;
  else
    *out = int(v);
  return true;
}

// The nearest pixel (halves rounded up), as DrawPoint places it.
bool RoundCoord(float v, int* out) { return !std::isnan(v) && TruncCoord(v + 0.5f, out); }

int ClampCoord(int64_t v) {
  return int(v < -kFarCoord ? -kFarCoord : (v > kFarCoord ? kFarCoord : v));
}

// A rectangle's fields held within +-kFarCoord, so that its width and height can be
// computed without overflow. The raster library clips the rest to the bitmap.
IRECT Tame(const IRECT& r) {
  return IRECT(ClampCoord(r.L), ClampCoord(r.T), ClampCoord(r.R), ClampCoord(r.B));
}

// Blits r.W() x r.H() of src, starting at (sx, sy), to (r.L, r.T) of dest.
void BlitRegion(LICE_IBitmap* dest, LICE_IBitmap* src, const IRECT& r, int64_t sx, int64_t sy,
                float weight, int mode) {
  if (r.W() <= 0 || r.H() <= 0) return;
  LICE_Blit(dest, src, r.L, r.T, ClampCoord(sx), ClampCoord(sy), r.W(), r.H(), weight, mode);
}

}  // namespace

// ---- Bitmaps ------------------------------------------------------------------------

bool IGraphics::DrawBitmap(IBitmap* pBitmap, IRECT* pDest, int srcX, int srcY,
                           const IChannelBlend* pBlend) {
  if (!pBitmap) return false;
  return DrawBitmapLice(pBitmap->mData, pDest, srcX, srcY, pBlend);
}

bool IGraphics::DrawBitmap(IBitmap* pBitmap, IRECT* pDest, int frame, const IChannelBlend* pBlend) {
  if (!pBitmap) return false;
  int srcX = 0, srcY = 0;
  if (pBitmap->N > 1 && frame > 1) {
    // Frames are found by rounding, so a strip whose size is not a multiple of the
    // frame count still lands near each frame's start.
    const double extent = pBitmap->mFramesAreHorizontal ? pBitmap->W : pBitmap->H;
    const int offset = ClampCoord(int64_t((double(frame) - 1.0) * extent / pBitmap->N + 0.5));
    (pBitmap->mFramesAreHorizontal ? srcX : srcY) = offset;
  }
  return DrawBitmapLice(pBitmap->mData, pDest, srcX, srcY, pBlend);
}

bool IGraphics::DrawBitmapLice(LICE_IBitmap* pBitmap, IRECT* pDest, int srcX, int srcY,
                               const IChannelBlend* pBlend) {
  if (!pBitmap || !pDest || !mDrawBitmap) return false;
  const IRECT dest = Tame(*pDest), clip = Tame(mDrawRECT);
  const IRECT r = dest.Intersect(&clip);
  if (r.Empty()) return true;
  BlitRegion(mDrawBitmap, pBitmap, r, int64_t(srcX) + r.L - dest.L, int64_t(srcY) + r.T - dest.T,
             LiceWeight(pBlend), LiceBlendMode(pBlend));
  return true;
}

bool IGraphics::DrawRotatedBitmap(IBitmap* pBitmap, int destCtrX, int destCtrY, double angle,
                                  int yOffsetZeroDeg, const IChannelBlend* pBlend) {
  if (!pBitmap || !pBitmap->mData || !mDrawBitmap) return false;
  const int W = pBitmap->W, H = pBitmap->H;
  LICE_RotatedBlit(mDrawBitmap, pBitmap->mData, ClampCoord(int64_t(destCtrX) - W / 2),
                   ClampCoord(int64_t(destCtrY) - H / 2), W, H, 0.0f, 0.0f, float(W), float(H),
                   float(angle), false, LiceWeight(pBlend),
                   LiceBlendMode(pBlend) | LICE_BLIT_FILTER_BILINEAR, 0.0f, float(yOffsetZeroDeg));
  return true;
}

bool IGraphics::DrawRotatedMask(IBitmap* pBase, IBitmap* pMask, IBitmap* pTop, int x, int y,
                                double angle, const IChannelBlend* pBlend) {
  if (!pBase || !pMask || !pTop || !pBase->mData || !mDrawBitmap) return false;
  if (!mTmpBitmap) {
    mTmpBitmap = new LICE_MemBitmap(0, 0, 4);
  }
  const float rad = float(angle * kPi / 180.0);
  LICE_Copy(mTmpBitmap, pBase->mData);
  const int W = mTmpBitmap->getWidth(), H = mTmpBitmap->getHeight();
  if (W <= 0 || H <= 0) return true;
  // The mask's alpha is added to a transparent copy of the base; the top then lands
  // where the mask let it.
  LICE_ClearRect(mTmpBitmap, 0, 0, W, H, LICE_RGBA(255, 255, 255, 0), 0);
  const float xCentre = (W & 1) ? -0.5f : 0.0f;
  const int filter = LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR;
  if (pMask->mData)
    LICE_RotatedBlit(mTmpBitmap, pMask->mData, 0, 0, W, H, 0.0f, 0.0f, float(pMask->W),
                     float(pMask->H), rad, true, 1.0f, LICE_BLIT_MODE_ADD | filter, xCentre, 0.0f);
  if (pTop->mData)
    LICE_RotatedBlit(mTmpBitmap, pTop->mData, 0, 0, W, H, 0.0f, 0.0f, float(pTop->W),
                     float(pTop->H), rad, true, 1.0f, LICE_BLIT_MODE_COPY | filter, xCentre, 0.0f);
  IRECT dest(ClampCoord(x), ClampCoord(y), ClampCoord(int64_t(x) + W), ClampCoord(int64_t(y) + H));
  return DrawBitmapLice(mTmpBitmap, &dest, 0, 0, pBlend);
}

// ---- Pixels -------------------------------------------------------------------------

bool IGraphics::DrawPoint(const IColor* pColor, float x, float y, const IChannelBlend* pBlend,
                          bool /*antiAlias*/) {
  if (!pColor || !mDrawBitmap) return false;
  int xi, yi;
  if (!RoundCoord(x, &xi) || !RoundCoord(y, &yi)) return false;
  LICE_PutPixel(mDrawBitmap, xi, yi, LiceColor(pColor), LiceWeight(pBlend), LiceBlendMode(pBlend));
  return true;
}

bool IGraphics::DrawPointBitmap(LICE_MemBitmap* pBitmap, const IColor* pColor, float x, float y,
                                const IChannelBlend* pBlend, bool /*antiAlias*/) {
  if (!pBitmap || !pColor) return false;
  int xi, yi;
  if (!RoundCoord(x, &xi) || !RoundCoord(y, &yi)) return false;
  LICE_PutPixel(pBitmap, xi, yi, LiceColor(pColor), LiceWeight(pBlend), LiceBlendMode(pBlend));
  return true;
}

// The fast path for callers that place many pixels themselves. It stores without
// blending, but a point outside the bitmap is refused rather than written past it.
bool IGraphics::ForcePixel(const IColor* pColor, int x, int y) {
  if (!pColor || !mDrawBitmap) return false;
  LICE_pixel* bits = mDrawBitmap->getBits();
  if (!bits || x < 0 || y < 0 || x >= mDrawBitmap->getWidth() || y >= mDrawBitmap->getHeight())
    return false;
  bits[size_t(y) * size_t(mDrawBitmap->getRowSpan()) + size_t(x)] = LiceColor(pColor);
  return true;
}

IColor IGraphics::GetPoint(int x, int y) {
  const LICE_pixel p = mDrawBitmap ? LICE_GetPixel(mDrawBitmap, x, y) : 0;
  return IColor(LICE_GETA(p), LICE_GETR(p), LICE_GETG(p), LICE_GETB(p));
}

LICE_pixel* IGraphics::GetBits() { return mDrawBitmap ? mDrawBitmap->getBits() : nullptr; }

// ---- Lines and shapes ---------------------------------------------------------------

bool IGraphics::DrawLine(const IColor* pColor, float x1, float y1, float x2, float y2,
                         const IChannelBlend* pBlend, bool antiAlias) {
  if (!pColor || !mDrawBitmap) return false;
  int ix1, iy1, ix2, iy2;
  if (!TruncCoord(x1, &ix1) || !TruncCoord(y1, &iy1) || !TruncCoord(x2, &ix2) ||
      !TruncCoord(y2, &iy2))
    return false;
  LICE_Line(mDrawBitmap, ix1, iy1, ix2, iy2, LiceColor(pColor), LiceWeight(pBlend),
            LiceBlendMode(pBlend), antiAlias);
  return true;
}

bool IGraphics::DrawLineAlpha(const IColor* pColor, float x1, float y1, float x2, float y2,
                              const IChannelBlend* pBlend, bool antiAlias) {
  if (!pColor) return false;
  // The colour's own alpha is the weight; the blend contributes only its mode.
  const IChannelBlend weighted(pBlend ? pBlend->mMethod : IChannelBlend::kBlendNormal,
                               float(pColor->A) / 255.0f);
  return DrawLine(pColor, x1, y1, x2, y2, &weighted, antiAlias);
}

bool IGraphics::DrawFLine(const IColor* pColor, float x1, float y1, float x2, float y2,
                          const IChannelBlend* pBlend, bool antiAlias) {
  if (!pColor || !mDrawBitmap) return false;
  LICE_FLine(mDrawBitmap, x1, y1, x2, y2, LiceColor(pColor), LiceWeight(pBlend),
             LiceBlendMode(pBlend), antiAlias);
  return true;
}

bool IGraphics::DrawArc(const IColor* pColor, float cx, float cy, float r, float minAngle,
                        float maxAngle, const IChannelBlend* pBlend, bool antiAlias) {
  if (!pColor || !mDrawBitmap) return false;
  LICE_Arc(mDrawBitmap, cx, cy, r, minAngle, maxAngle, LiceColor(pColor), LiceWeight(pBlend),
           LiceBlendMode(pBlend), antiAlias);
  return true;
}

bool IGraphics::DrawCircle(const IColor* pColor, float cx, float cy, float r,
                           const IChannelBlend* pBlend, bool antiAlias) {
  if (!pColor || !mDrawBitmap) return false;
  LICE_Circle(mDrawBitmap, cx, cy, r, LiceColor(pColor), LiceWeight(pBlend), LiceBlendMode(pBlend),
              antiAlias);
  return true;
}

bool IGraphics::FillCircle(const IColor* pColor, int cx, int cy, float r,
                           const IChannelBlend* pBlend, bool antiAlias) {
  if (!pColor || !mDrawBitmap) return false;
  LICE_FillCircle(mDrawBitmap, float(cx), float(cy), r, LiceColor(pColor), LiceWeight(pBlend),
                  LiceBlendMode(pBlend), antiAlias);
  return true;
}

bool IGraphics::RoundRect(const IColor* pColor, IRECT* pR, const IChannelBlend* pBlend,
                          int cornerradius, bool aa) {
  if (!pColor || !pR || !mDrawBitmap) return false;
  const IRECT r = Tame(*pR);
  LICE_RoundRect(mDrawBitmap, float(r.L), float(r.T), float(r.W()), float(r.H()), cornerradius,
                 LiceColor(pColor), LiceWeight(pBlend), LiceBlendMode(pBlend), aa);
  return true;
}

bool IGraphics::FillRoundRect(const IColor* pColor, IRECT* pR, const IChannelBlend* pBlend,
                              int cornerradius, bool aa) {
  if (!pColor || !pR || !mDrawBitmap) return false;
  const IRECT r = Tame(*pR);
  const int c = ClampCoord(cornerradius), w = r.W(), h = r.H();
  const LICE_pixel color = LiceColor(pColor);
  const float weight = LiceWeight(pBlend);
  const int mode = LiceBlendMode(pBlend);
  // A cross of three rectangles, then a disc in each corner.
  LICE_FillRect(mDrawBitmap, r.L + c, r.T, w - 2 * c, h, color, weight, mode);
  LICE_FillRect(mDrawBitmap, r.L, r.T + c, c, h - 2 * c, color, weight, mode);
  LICE_FillRect(mDrawBitmap, r.R - c, r.T + c, c, h - 2 * c, color, weight, mode);
  const float rad = float(c);
  LICE_FillCircle(mDrawBitmap, float(r.L + c), float(r.T + c), rad, color, weight, mode, aa);
  LICE_FillCircle(mDrawBitmap, float(r.R - c - 1), float(r.B - c - 1), rad, color, weight, mode, aa);
  LICE_FillCircle(mDrawBitmap, float(r.R - c - 1), float(r.T + c), rad, color, weight, mode, aa);
  LICE_FillCircle(mDrawBitmap, float(r.L + c), float(r.B - c - 1), rad, color, weight, mode, aa);
  return true;
}

bool IGraphics::FillIRect(const IColor* pColor, IRECT* pR, const IChannelBlend* pBlend) {
  if (!pColor || !pR || !mDrawBitmap) return false;
  const IRECT r = Tame(*pR);
  LICE_FillRect(mDrawBitmap, r.L, r.T, r.W(), r.H(), LiceColor(pColor), LiceWeight(pBlend),
                LiceBlendMode(pBlend));
  return true;
}

bool IGraphics::DrawRect(const IColor* pColor, IRECT* pR) {
  if (!pColor || !pR || !mDrawBitmap) return false;
  const IRECT r = Tame(*pR);
  const LICE_pixel color = LiceColor(pColor);
  LICE_Line(mDrawBitmap, r.L, r.T, r.R, r.T, color, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(mDrawBitmap, r.L, r.B, r.R, r.B, color, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(mDrawBitmap, r.L, r.T, r.L, r.B, color, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(mDrawBitmap, r.R, r.T, r.R, r.B, color, 1.0f, LICE_BLIT_MODE_COPY, false);
  return true;
}

bool IGraphics::DrawRect1(const IColor* pColor, IRECT* pR, const IChannelBlend* pBlend) {
  if (!pColor || !pR || !mDrawBitmap) return false;
  const IRECT r = Tame(*pR);
  const LICE_pixel color = LiceColor(pColor);
  const float weight = LiceWeight(pBlend);
  const int mode = LiceBlendMode(pBlend);
  const int w = r.W(), h = r.H();
  LICE_FillRect(mDrawBitmap, r.L, r.T, w, 1, color, weight, mode);
  LICE_FillRect(mDrawBitmap, r.L, r.B - 1, w, 1, color, weight, mode);
  LICE_FillRect(mDrawBitmap, r.L, r.T + 1, 1, h - 2, color, weight, mode);
  LICE_FillRect(mDrawBitmap, r.R - 1, r.T + 1, 1, h - 2, color, weight, mode);
  return true;
}

bool IGraphics::DrawVerticalLine(const IColor* pColor, int xi, int yLo, int yHi) {
  if (!pColor || !mDrawBitmap) return false;
  LICE_Line(mDrawBitmap, xi, yLo, xi, yHi, LiceColor(pColor), 1.0f, LICE_BLIT_MODE_COPY, false);
  return true;
}

bool IGraphics::DrawHorizontalLine(const IColor* pColor, int yi, int xLo, int xHi) {
  if (!pColor || !mDrawBitmap) return false;
  LICE_Line(mDrawBitmap, xLo, yi, xHi, yi, LiceColor(pColor), 1.0f, LICE_BLIT_MODE_COPY, false);
  return true;
}

namespace {
// A fraction held to 0..1; NaN counts as 0.
float UnitFraction(float f) { return f > 1.0f ? 1.0f : (f > 0.0f ? f : 0.0f); }
}  // namespace

bool IGraphics::DrawVerticalLine(const IColor* pColor, IRECT* pR, float x) {
  if (!pR) return false;
  const IRECT r = Tame(*pR);
  const int xi = r.L + int(float(r.W()) * UnitFraction(x));
  return DrawVerticalLine(pColor, xi, r.T, r.B);
}

bool IGraphics::DrawHorizontalLine(const IColor* pColor, IRECT* pR, float y) {
  if (!pR) return false;
  const IRECT r = Tame(*pR);
  const int yi = r.B - int(float(r.H()) * UnitFraction(y));
  return DrawHorizontalLine(pColor, yi, r.L, r.R);
}

bool IGraphics::DrawRadialLine(const IColor* pColor, float cx, float cy, float angle, float rMin,
                               float rMax, const IChannelBlend* pBlend, bool antiAlias) {
  // Angles run clockwise from straight up, so x grows with the sine.
  const float s = std::sin(angle), c = std::cos(angle);
  return DrawLine(pColor, cx + s * rMin, cy - c * rMin, cx + s * rMax, cy - c * rMax, pBlend,
                  antiAlias);
}

bool IGraphics::FillTriangle(const IColor* pColor, int x1, int y1, int x2, int y2, int x3, int y3,
                             IChannelBlend* pBlend) {
  if (!pColor || !mDrawBitmap) return false;
  LICE_FillTriangle(mDrawBitmap, x1, y1, x2, y2, x3, y3, LiceColor(pColor), LiceWeight(pBlend),
                    LiceBlendMode(pBlend));
  return true;
}

bool IGraphics::FillIConvexPolygon(const IColor* pColor, int* x, int* y, int npoints,
                                   const IChannelBlend* pBlend) {
  if (!pColor || !x || !y || npoints < 1 || !mDrawBitmap) return false;
  LICE_FillConvexPolygon(mDrawBitmap, x, y, npoints, LiceColor(pColor), LiceWeight(pBlend),
                         LiceBlendMode(pBlend));
  return true;
}

// A vertical gradient from the first colour at the top row to the second at the
// bottom row, in the blend's mode and weight (null colours: black to white).
bool IGraphics::FillIRectGrad(const IColor* pColor1, const IColor* pColor2, IRECT* pR,
                              const IChannelBlend* pBlend) {
  if (!pR || !mDrawBitmap) return false;
  const IRECT r = Tame(*pR);
  if (r.W() <= 0 || r.H() <= 0) return true;
  const IColor top = pColor1 ? *pColor1 : COLOR_BLACK;
  const IColor bottom = pColor2 ? *pColor2 : COLOR_WHITE;
  const float weight = LiceWeight(pBlend);
  const float steps = r.H() > 1 ? float(r.H() - 1) : 1.0f;
  auto unit = [](int v) { return float(v & 0xff) / 255.0f; };
  auto slope = [&](int a, int b) { return (unit(b) - unit(a)) / steps; };
  LICE_GradRect(mDrawBitmap, r.L, r.T, r.W(), r.H(), unit(top.R), unit(top.G), unit(top.B),
                unit(top.A) * weight, 0.0f, 0.0f, 0.0f, 0.0f, slope(top.R, bottom.R),
                slope(top.G, bottom.G), slope(top.B, bottom.B),
                slope(top.A, bottom.A) * weight, LiceBlendMode(pBlend) & ~LICE_BLIT_USE_ALPHA);
  return true;
}

// ---- On a caller's bitmap -----------------------------------------------------------

bool IGraphics::FillIRect_TB(LICE_IBitmap* pBitmap, const IColor* pColor, IRECT* pR,
                             const IChannelBlend* pBlend) {
  if (!pBitmap || !pColor || !pR) return false;
  // The rectangle gives only the size: the fill starts at the bitmap's corner.
  const IRECT r = Tame(*pR);
  LICE_FillRect(pBitmap, 0, 0, r.W(), r.H(), LiceColor(pColor), LiceWeight(pBlend),
                LiceBlendMode(pBlend));
  return true;
}

bool IGraphics::DrawBitmap_TB(LICE_IBitmap* pBitmap, int srcX, int srcY, IRECT* pDest,
                              IRECT* pClip, const IChannelBlend* pBlend) {
  if (!pBitmap || !pDest || !pClip || !mDrawBitmap) return false;
  const IRECT dest = Tame(*pDest), clip = Tame(*pClip);
  const IRECT r = dest.Intersect(&clip);
  if (r.Empty()) return true;
  BlitRegion(mDrawBitmap, pBitmap, r, int64_t(srcX) + r.L - dest.L, int64_t(srcY) + r.T - dest.T,
             LiceWeight(pBlend), LiceBlendMode(pBlend));
  return true;
}

bool IGraphics::Translate_TB(LICE_IBitmap* pBitmap, int dx, int dy) {
  if (!pBitmap) return false;
  LICE_MemBitmap copy;
  LICE_Copy(&copy, pBitmap);
  const int w = pBitmap->getWidth(), h = pBitmap->getHeight();
  if (copy.getWidth() != w || copy.getHeight() != h) return false;
  LICE_ClearRect(pBitmap, 0, 0, w, h, 0, 0);
  LICE_Blit(pBitmap, &copy, ClampCoord(dx), ClampCoord(dy), 0, 0, w, h, 1.0f, LICE_BLIT_MODE_COPY);
  return true;
}

bool IGraphics::Scale_TB(LICE_IBitmap* pBitmap, float fx, float fy) {
  if (!pBitmap || !std::isfinite(fx) || !std::isfinite(fy)) return false;
  LICE_MemBitmap copy;
  LICE_Copy(&copy, pBitmap);
  const int w = pBitmap->getWidth(), h = pBitmap->getHeight();
  if (copy.getWidth() != w || copy.getHeight() != h) return false;
  LICE_ClearRect(pBitmap, 0, 0, w, h, 0, 0);
  int sw = 0, sh = 0;
  TruncCoord(float(w) * fx, &sw);
  TruncCoord(float(h) * fy, &sh);
  LICE_ScaledBlit(pBitmap, &copy, 0, 0, sw, sh, 0.0f, 0.0f, float(w), float(h), 1.0f,
                  LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
  return true;
}
