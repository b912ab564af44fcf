// LICE_ScaledBlit: a source rectangle with float coordinates mapped onto a
// destination rectangle, sampled nearest, bilinear or by area averaging.
//
// Positions are 16.16 fixed point. Destination pixel i samples the source at
// src + (i + 0.5) * scale, so 1:1 maps pixel centres onto pixel centres and a
// mirrored blit (negative destination size) starts at the far edge.
#include <cmath>
#include <cstdint>
#include <vector>

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
  return true;
}

// Samplers: give the source colour for a position (16.16) known to lie inside
// the source bitmap.
struct NearestSampler {
  static LICE_pixel Get(const LICE_Rows& s, int64_t px, int64_t py) {
    return s.row(int(py >> 16))[px >> 16];
  }
};

struct BilinearSampler {
  static LICE_pixel Get(const LICE_Rows& s, int64_t px, int64_t py) {
    // Interpolate between the pixel centres around the position, clamped at the edges.
    px -= 32768;
    py -= 32768;
    const int fx = int((px >> 8) & 0xff), fy = int((py >> 8) & 0xff);
    return LICE_BilinearAt(s, int(px >> 16), int(py >> 16), fx, fy);
  }
};

// Box-filter weights along one axis for a reduction: destination pixel j covers the
// source interval of one step's length centred on its sample position, and every source
// pixel inside it counts by the share of it that is covered (16-bit fixed point, summing
// to exactly 65536 per destination pixel). Pixels beyond the bitmap edge are left out
// and the shares of the rest scaled up to make up for them.
struct AreaWeights {
  std::vector<int> first;    // per destination pixel: first source pixel
  std::vector<int> offset;   // per destination pixel: index of its first weight; one more at the end
  std::vector<uint32_t> weight;

  void Build(const Axis& a, int srcDim) {
    const int n = a.dst1 - a.dst0;
    first.assign(size_t(n), 0);
    offset.assign(size_t(n) + 1, 0);
    weight.clear();
    const double half = std::fabs(double(a.step)) / 65536.0 * 0.5;
    const int64_t lim = int64_t(srcDim) << 16;
    for (int j = 0; j < n; ++j) {
      offset[size_t(j)] = int(weight.size());
      const int64_t pos = a.pos0 + a.step * j;
      if (pos < 0 || pos >= lim) continue;  // not drawn
      const double c = double(pos) / 65536.0, lo = c - half, hi = c + half;
      int k0 = int(std::floor(lo)), k1 = int(std::ceil(hi));
      if (k0 < 0) k0 = 0;
      if (k1 > srcDim) k1 = srcDim;
      double covered = 0;
      for (int k = k0; k < k1; ++k) covered += std::fmin(hi, k + 1.0) - std::fmax(lo, double(k));
      if (!(covered > 0)) covered = 1;
      first[size_t(j)] = k0;
      int64_t sum = 0;
      size_t largest = weight.size();
      for (int k = k0; k < k1; ++k) {
        const double share = (std::fmin(hi, k + 1.0) - std::fmax(lo, double(k))) / covered;
        const uint32_t w = uint32_t(std::llround(share * 65536.0));
        if (!w && weight.size() == size_t(offset[size_t(j)])) {
          ++first[size_t(j)];  // a sliver at the start
          continue;
        }
        if (largest == weight.size() || w > weight[largest]) largest = weight.size();
        weight.push_back(w);
        sum += w;
      }
      // Rounding may leave the sum a little off 65536; the largest share takes the
      // difference, so that every pixel's weights sum to exactly 1.0 in both axes.
      if (largest < weight.size()) weight[largest] = uint32_t(int64_t(weight[largest]) + 65536 - sum);
    }
    offset[size_t(n)] = int(weight.size());
  }
};

// Area average of the source pixels under destination pixel (jx, jy), weights from the
// two axes' tables; rounded to the nearest value.
inline LICE_pixel AreaAverage(const LICE_Rows& s, const AreaWeights& wx, int jx, const AreaWeights& wy,
                              int jy) {
  const uint32_t* xw = wx.weight.data() + wx.offset[size_t(jx)];
  const int nx = wx.offset[size_t(jx) + 1] - wx.offset[size_t(jx)];
  const uint32_t* yw = wy.weight.data() + wy.offset[size_t(jy)];
  const int ny = wy.offset[size_t(jy) + 1] - wy.offset[size_t(jy)];
  const int x0 = wx.first[size_t(jx)], y0 = wy.first[size_t(jy)];
  uint64_t acc[4] = {0, 0, 0, 0};
  for (int j = 0; j < ny; ++j) {
    const LICE_pixel* row = s.row(y0 + j) + x0;
    // A row's sum stays below 65536 * 255 per channel, well inside 32 bits.
    uint32_t r[4] = {0, 0, 0, 0};
    for (int i = 0; i < nx; ++i) {
      const LICE_pixel p = row[i];
      const uint32_t w = xw[i];
      r[0] += (p & 0xff) * w;
      r[1] += ((p >> 8) & 0xff) * w;
      r[2] += ((p >> 16) & 0xff) * w;
      r[3] += (p >> 24) * w;
    }
    for (int c = 0; c < 4; ++c) acc[c] += uint64_t(r[c]) * yw[j];
  }
  // Both axes' weights sum to 2^16, so the mean is the sum over 2^32, rounded.
  LICE_pixel out = 0;
  for (int c = 0; c < 4; ++c) {
    uint64_t v = (acc[c] + (uint64_t(1) << 31)) >> 32;
    if (v > 255) v = 255;
    out |= LICE_pixel(v) << (8 * c);
  }
  return out;
}

template <class Op>
void AreaLoop(const LICE_Rows& d, const LICE_Rows& s, const Axis& ax, const Axis& ay, int weight) {
  AreaWeights wx, wy;
  wx.Build(ax, s.width);
  wy.Build(ay, s.height);
  const int64_t limX = int64_t(s.width) << 16, limY = int64_t(s.height) << 16;
  int64_t py = ay.pos0;
  for (int y = ay.dst0; y < ay.dst1; ++y, py += ay.step) {
    if (py < 0 || py >= limY) continue;
    LICE_pixel* row = d.row(y);
    int64_t px = ax.pos0;
    for (int x = ax.dst0; x < ax.dst1; ++x, px += ax.step) {
      if (px < 0 || px >= limX) continue;
      const LICE_pixel p = AreaAverage(s, wx, x - ax.dst0, wy, y - ay.dst0);
      if constexpr (LICE_HasWholePixelMix<Op>::value) {
        row[x] = Op::mix(row[x], p);
        continue;
      }
      Op::doPix(reinterpret_cast<LICE_pixel_chan*>(row + x), LICE_GETR(p), LICE_GETG(p),
                LICE_GETB(p), LICE_GETA(p), weight);
    }
  }
}

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
      const LICE_pixel p = Sampler::Get(s, px, py);
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
      AreaLoop<Op>(d, s, ax, ay, weight);
    else if (filter)
      ScaleLoop<BilinearSampler, Op>(d, s, ax, ay, weight);
    else
      ScaleLoop<NearestSampler, Op>(d, s, ax, ay, weight);
  });
}
