// LICE_RotatedBlit: a source rectangle drawn into a destination box, rotated
// about the box centre (plus an offset).
//
// Each destination pixel centre is rotated back by the angle into the unrotated
// box and mapped onto the source rectangle from there.
#include <cmath>
#include <cstdint>

#include "lice.h"
#include "lice_combine.h"

namespace {

constexpr double kMaxCoord = 1.0e7;  // beyond this nothing can land on a real bitmap

// Positions are rounded to the nearest 1/256 pixel, the filter's resolution: a quarter
// turn computed in floating point lands a hair short of pixel centres, and truncating
// would then take nearly all of the neighbouring pixel instead of the one it meets.
LICE_pixel SampleBilinear(const LICE_Rows& s, double x, double y) {
  const int64_t qx = std::llround((x - 0.5) * 256.0), qy = std::llround((y - 0.5) * 256.0);
  return LICE_BilinearAt(s, int(qx >> 8), int(qy >> 8), int(qx & 255), int(qy & 255));
}

struct RotParams {
  int64_t boxX, boxY, boxW, boxH;
  double centreX, centreY;  // rotation centre in destination coordinates
  double cosA, sinA;
  double srcX, srcY, scaleX, scaleY;  // source = src + box position * scale
  double clipX0, clipY0, clipX1, clipY1;  // source rectangle (for clipToSourceRect)
  bool clipToSource, filter;
};

template <class Op>
void RotateLoop(const LICE_Rows& d, const LICE_Rows& s, const RotParams& p, int weight) {
  const int64_t x0 = p.boxX < 0 ? 0 : p.boxX, y0 = p.boxY < 0 ? 0 : p.boxY;
  const int64_t x1 = p.boxX + p.boxW > d.width ? d.width : p.boxX + p.boxW;
  const int64_t y1 = p.boxY + p.boxH > d.height ? d.height : p.boxY + p.boxH;
  for (int64_t y = y0; y < y1; ++y) {
    LICE_pixel* row = d.row(int(y));
    const double vy = double(y) + 0.5 - p.centreY;
    for (int64_t x = x0; x < x1; ++x) {
      const double vx = double(x) + 0.5 - p.centreX;
      // Rotate back into the unrotated box, then into source coordinates.
      const double ux = vx * p.cosA + vy * p.sinA + p.centreX - double(p.boxX);
      const double uy = -vx * p.sinA + vy * p.cosA + p.centreY - double(p.boxY);
      const double sx = p.srcX + ux * p.scaleX, sy = p.srcY + uy * p.scaleY;
      if (p.clipToSource && (sx < p.clipX0 || sx >= p.clipX1 || sy < p.clipY0 || sy >= p.clipY1))
        continue;
      if (!(sx >= 0.0 && sy >= 0.0 && sx < double(s.width) && sy < double(s.height))) continue;
      const LICE_pixel c = p.filter ? SampleBilinear(s, sx, sy) : s.row(int(sy))[int(sx)];
      Op::doPix(reinterpret_cast<LICE_pixel_chan*>(row + x), LICE_GETR(c), LICE_GETG(c),
                LICE_GETB(c), LICE_GETA(c), weight);
    }
  }
}

}  // namespace

void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw,
                      int dsth, float srcx, float srcy, float srcw, float srch, float angle,
                      bool cliptosourcerect, float alpha, int mode, float rotxcent,
                      float rotycent) {
  if (!dest || !src || !(alpha > 0.0f) || !dstw || !dsth) return;
  const float inputs[] = {srcx, srcy, srcw, srch, angle, rotxcent, rotycent};
  for (float v : inputs)
    if (!std::isfinite(v) || std::fabs(v) > kMaxCoord) return;

  LICE_Rows d, s;
  if (!LICE_GetRows(dest, &d) || !LICE_GetRows(src, &s)) return;

  RotParams p;
  p.boxX = dstx;
  p.boxY = dsty;
  p.boxW = dstw;
  p.boxH = dsth;
  double sx = srcx, sy = srcy, sw = srcw, sh = srch;
  if (p.boxW < 0) {  // a negative size mirrors, as in the scaled blit
    p.boxW = -p.boxW;
    p.boxX -= p.boxW;
    sx += sw;
    sw = -sw;
  }
  if (p.boxH < 0) {
    p.boxH = -p.boxH;
    p.boxY -= p.boxH;
    sy += sh;
    sh = -sh;
  }
  p.centreX = double(p.boxX) + double(p.boxW) * 0.5 + rotxcent;
  p.centreY = double(p.boxY) + double(p.boxH) * 0.5 + rotycent;
  p.cosA = std::cos(double(angle));
  p.sinA = std::sin(double(angle));
  p.srcX = sx;
  p.srcY = sy;
  p.scaleX = sw / double(p.boxW);
  p.scaleY = sh / double(p.boxH);
  p.clipX0 = srcw < 0 ? double(srcx) + srcw : double(srcx);
  p.clipX1 = p.clipX0 + std::fabs(double(srcw));
  p.clipY0 = srch < 0 ? double(srcy) + srch : double(srcy);
  p.clipY1 = p.clipY0 + std::fabs(double(srch));
  p.clipToSource = cliptosourcerect;
  p.filter = (mode & LICE_BLIT_FILTER_BILINEAR) != 0;

  const int weight = LICE_WeightFromAlpha(alpha);
  LICE_WithBlitAlpha(mode, alpha,
                     [&](auto comb) { RotateLoop<decltype(comb)>(d, s, p, weight); });
}
