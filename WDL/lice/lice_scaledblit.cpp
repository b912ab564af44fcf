// LICE_ScaledBlit: a source rectangle with float coordinates mapped onto a
// destination rectangle, sampled nearest, bilinear or by averaging.
//
// Positions are 16.16 fixed point. Destination pixel i samples the source at
// src + (i + 0.5) * scale, so 1:1 maps pixel centres onto pixel centres and a
// mirrored blit (negative destination size) starts at the far edge.
#include <cmath>
#include <cstdint>

#include "lice.h"
#include "lice_combine.h"

namespace {

// Source coordinates beyond this many pixels can never land on a real bitmap;
// bounding them keeps the fixed-point positions well inside 64 bits.
constexpr double kMaxSourceCoord = 1.0e7;

struct Axis {
  int dst0 = 0, dst1 = 0;  // destination pixels to visit, [dst0, dst1)
  int64_t pos0 = 0;        // source position of dst0's centre, 16.16
  int64_t step = 0;        // per destination pixel, 16.16
  int span = 0;            // source pixels covered by one destination pixel (averaging)
};

// Maps destination pixels [dst, dst + dstLen) onto source [src, src + srcLen),
// clipped to a destination bitmap of destLimit pixels. False when nothing is left.
bool SetupAxis(int64_t dst, int64_t dstLen, double src, double srcLen, int destLimit, Axis* a) {
  const int64_t d0 = dst < 0 ? 0 : dst;
  const int64_t d1 = dst + dstLen > destLimit ? destLimit : dst + dstLen;
  if (d0 >= d1) return false;
  const double scale = srcLen / double(dstLen);
  a->dst0 = int(d0);
  a->dst1 = int(d1);
  a->step = int64_t(std::llround(scale * 65536.0));
  a->pos0 = int64_t(std::llround((src + (double(d0 - dst) + 0.5) * scale) * 65536.0));
  const double absScale = std::fabs(scale);
  a->span = absScale < 1.0 ? 1 : int(absScale);
  return true;
}

// Samplers: give the source colour for a position (16.16) known to lie inside
// the source bitmap.
struct NearestSampler {
  static LICE_pixel Get(const LICE_Rows& s, int64_t px, int64_t py, int, int) {
    return s.row(int(py >> 16))[px >> 16];
  }
};

struct BilinearSampler {
  static LICE_pixel Get(const LICE_Rows& s, int64_t px, int64_t py, int, int) {
    // Interpolate between the pixel centres around the position, clamped at the edges.
    px -= 32768;
    py -= 32768;
    const int fx = int((px >> 8) & 0xff), fy = int((py >> 8) & 0xff);
    return LICE_BilinearAt(s, int(px >> 16), int(py >> 16), fx, fy);
  }
};

// Mean of the source pixels one destination pixel covers.
struct AverageSampler {
  static LICE_pixel Get(const LICE_Rows& s, int64_t px, int64_t py, int spanX, int spanY) {
    int x0 = int(px >> 16) - spanX / 2, y0 = int(py >> 16) - spanY / 2;
    int x1 = x0 + spanX, y1 = y0 + spanY;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > s.width) x1 = s.width;
    if (y1 > s.height) y1 = s.height;
    uint32_t sum[4] = {0, 0, 0, 0};
    for (int y = y0; y < y1; ++y) {
      const LICE_pixel* row = s.row(y);
      for (int x = x0; x < x1; ++x) {
        const LICE_pixel p = row[x];
        sum[0] += p & 0xff;
        sum[1] += (p >> 8) & 0xff;
        sum[2] += (p >> 16) & 0xff;
        sum[3] += p >> 24;
      }
    }
    const uint32_t n = uint32_t(x1 - x0) * uint32_t(y1 - y0);
    if (!n) return 0;
    return (sum[0] / n) | ((sum[1] / n) << 8) | ((sum[2] / n) << 16) | ((sum[3] / n) << 24);
  }
};

template <class Sampler, class Op>
void ScaleLoop(const LICE_Rows& d, const LICE_Rows& s, const Axis& ax, const Axis& ay,
               int weight) {
  const int64_t limX = int64_t(s.width) << 16, limY = int64_t(s.height) << 16;
  int64_t py = ay.pos0;
  for (int y = ay.dst0; y < ay.dst1; ++y, py += ay.step) {
    if (py < 0 || py >= limY) continue;
    LICE_pixel* row = d.row(y);
    int64_t px = ax.pos0;
    for (int x = ax.dst0; x < ax.dst1; ++x, px += ax.step) {
      if (px < 0 || px >= limX) continue;
      const LICE_pixel p = Sampler::Get(s, px, py, ax.span, ay.span);
      if constexpr (LICE_HasWholePixelMix<Op>::value) {
        row[x] = Op::mix(row[x], p);
        continue;
      }
      Op::doPix(reinterpret_cast<LICE_pixel_chan*>(row + x), LICE_GETR(p), LICE_GETG(p),
                LICE_GETB(p), LICE_GETA(p), weight);
    }
  }
}

bool NearWhole(float v, float tolerance) { return std::fabs(v - std::nearbyint(v)) <= tolerance; }

}  // namespace

void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw,
                     int dsth, float srcx, float srcy, float srcw, float srch, float alpha,
                     int mode) {
  if (!dest || !src || !(alpha > 0.0f) || !dstw || !dsth) return;
  if (!std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) ||
      !std::isfinite(srch))
    return;
  if (std::fabs(srcx) > kMaxSourceCoord || std::fabs(srcy) > kMaxSourceCoord ||
      std::fabs(srcw) > kMaxSourceCoord || std::fabs(srch) > kMaxSourceCoord)
    return;

  const bool filter = (mode & LICE_BLIT_FILTER_BILINEAR) != 0;
  // Equal sizes make a plain blit, negative ones included (which then draws nothing).
  if (std::fabs(srcw - float(dstw)) < 0.001f &&
      std::fabs(srch - float(dsth)) < 0.001f &&
      (!filter || (NearWhole(srcx, 0.03f) && NearWhole(srcy, 0.03f)))) {
    // Nearest pixel, halves rounding up (nearbyint would send 2.5 to 2).
    const double rx = std::floor(double(srcx) + 0.5), ry = std::floor(double(srcy) + 0.5);
    LICE_Blit(dest, src, dstx, dsty, int(rx), int(ry), dstw, dsth, alpha, mode);
    return;
  }

  LICE_Rows d, s;
  if (!LICE_GetRows(dest, &d) || !LICE_GetRows(src, &s)) return;

  // A negative destination size mirrors: the box lies on the other side of
  // (dstx, dsty) and the source is walked from its far edge.
  int64_t bx = dstx, by = dsty, bw = dstw, bh = dsth;
  double sx = srcx, sy = srcy, sw = srcw, sh = srch;
  if (bw < 0) {
    bw = -bw;
    bx -= bw;
    sx += sw;
    sw = -sw;
  }
  if (bh < 0) {
    bh = -bh;
    by -= bh;
    sy += sh;
    sh = -sh;
  }
  Axis ax, ay;
  if (!SetupAxis(bx, bw, sx, sw, d.width, &ax) || !SetupAxis(by, bh, sy, sh, d.height, &ay))
    return;

  const int weight = LICE_WeightFromAlpha(alpha);
  const bool average = filter && std::fabs(srcw) >= 1.7 * double(bw) &&
                       std::fabs(srch) >= 1.7 * double(bh);
  LICE_WithBlitAlpha(mode, alpha, [&](auto comb) {
    using Op = decltype(comb);
    if (average)
      ScaleLoop<AverageSampler, Op>(d, s, ax, ay, weight);
    else if (filter)
      ScaleLoop<BilinearSampler, Op>(d, s, ax, ay, weight);
    else
      ScaleLoop<NearestSampler, Op>(d, s, ax, ay, weight);
  });
}
