// Rectangle fills, masking, single pixels and gradients.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "lice.h"
#include "lice_combine.h"

namespace {

// A rectangle clipped to a bitmap, in pixel coordinates.
struct ClipRect {
  int x0, y0, x1, y1;  // x1, y1 exclusive
};

// Clips (x, y, w, h) to [0, width) x [0, height); false when nothing is left.
bool ClipToBitmap(const LICE_Rows& rows, int x, int y, int w, int h, ClipRect* out) {
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t(x) + w, rows.width);
  const int64_t y1 = std::min<int64_t>(int64_t(y) + h, rows.height);
  if (x0 >= x1 || y0 >= y1) return false;
  *out = ClipRect{int(x0), int(y0), int(x1), int(y1)};
  return true;
}

template <class Op>
void FillLoop(const LICE_Rows& rows, const ClipRect& c, LICE_pixel color, int weight) {
  const int r = LICE_GETR(color), g = LICE_GETG(color), b = LICE_GETB(color),
            a = LICE_GETA(color);
  for (int y = c.y0; y < c.y1; ++y) {
    LICE_pixel* row = rows.row(y);
    if constexpr (LICE_HasWholePixelMix<Op>::value) {
      for (int x = c.x0; x < c.x1; ++x) row[x] = Op::mix(row[x], color);
      continue;
    }
    for (int x = c.x0; x < c.x1; ++x)
      Op::doPix(reinterpret_cast<LICE_pixel_chan*>(row + x), r, g, b, a, weight);
  }
}

// Storing the colour outright needs no per-channel work at all.
template <>
void FillLoop<LICE_CombineClobber>(const LICE_Rows& rows, const ClipRect& c, LICE_pixel color,
                                   int) {
  for (int y = c.y0; y < c.y1; ++y) {
    LICE_pixel* row = rows.row(y);
    std::fill(row + c.x0, row + c.x1, color);
  }
}

// The weighted copy, byte by byte in the vector-friendly form of the blit (see
// lice_blit.cpp): |d - s| * k >> 8 with the sign of d - s.
template <>
void FillLoop<LICE_CombineCopy>(const LICE_Rows& rows, const ClipRect& c, LICE_pixel color,
                                int weight) {
  const unsigned keep = unsigned(256 - weight);
  LICE_pixel_chan col[4];
  LICE_StorePix(col, color);
  for (int y = c.y0; y < c.y1; ++y) {
    LICE_pixel_chan* dp = reinterpret_cast<LICE_pixel_chan*>(rows.row(y) + c.x0);
    const int n = c.x1 - c.x0;
    for (int i = 0; i < n; ++i, dp += 4) {
      for (int ch = 0; ch < 4; ++ch) {
        const LICE_pixel_chan sc = col[ch], dc = dp[ch];
        const uint16_t diff = uint16_t(dc > sc ? dc - sc : sc - dc);
        const LICE_pixel_chan q = LICE_pixel_chan(uint16_t(diff * keep) >> 8);
        dp[ch] = LICE_pixel_chan(dc > sc ? sc + q : sc - q);
      }
    }
  }
}

// Colour dodge divides every channel by a constant (256 - source * weight / 256), so
// a fill looks each result up in a table per channel instead of dividing per pixel.
template <>
void FillLoop<LICE_CombineDodge>(const LICE_Rows& rows, const ClipRect& c, LICE_pixel color,
                                 int weight) {
  LICE_pixel_chan col[4];
  LICE_StorePix(col, color);
  LICE_pixel_chan table[4][256];
  for (int ch = 0; ch < 4; ++ch)
    for (int d = 0; d < 256; ++d) table[ch][d] = LICE_pixel_chan(LICE_DodgeChan(d, col[ch], weight));
  for (int y = c.y0; y < c.y1; ++y) {
    LICE_pixel_chan* dp = reinterpret_cast<LICE_pixel_chan*>(rows.row(y) + c.x0);
    const int n = c.x1 - c.x0;
    for (int i = 0; i < n; ++i, dp += 4)
      for (int ch = 0; ch < 4; ++ch) dp[ch] = table[ch][dp[ch]];
  }
}

// A gradient channel at one pixel, in 0..255.
int GradChan(float start, float perX, float perY, int64_t x, int64_t y) {
  const float v = (start + perX * float(x) + perY * float(y)) * 255.0f;
  if (!(v > 0.0f)) return 0;  // also NaN
  if (v >= 255.0f) return 255;
  return int(v + 0.5f);
}

}  // namespace

void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color,
                   float alpha, int mode) {
  LICE_Rows rows;
  if (!LICE_GetRows(dest, &rows)) return;
  if (mode & LICE_BLIT_USE_ALPHA) alpha *= float(LICE_GETA(color)) / 255.0f;
  ClipRect c;
  if (!ClipToBitmap(rows, x, y, w, h, &c)) return;
  const int weight = LICE_WeightFromAlpha(alpha);
  LICE_WithPlainCombine(mode, weight,
                        [&](auto comb) { FillLoop<decltype(comb)>(rows, c, color, weight); });
}

void LICE_ClearRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel mask,
                    LICE_pixel orbits) {
  LICE_Rows rows;
  ClipRect c;
  if (!LICE_GetRows(dest, &rows) || !ClipToBitmap(rows, x, y, w, h, &c)) return;
  for (int yy = c.y0; yy < c.y1; ++yy) {
    LICE_pixel* row = rows.row(yy);
    for (int xx = c.x0; xx < c.x1; ++xx) row[xx] = (row[xx] & mask) | orbits;
  }
}

void LICE_PutPixel(LICE_IBitmap* dest, int x, int y, LICE_pixel color, float alpha, int mode) {
  LICE_Rows rows;
  if (!LICE_GetRows(dest, &rows)) return;
  if (x < 0 || y < 0 || x >= rows.width || y >= rows.height) return;
  const int weight = LICE_WeightFromAlpha(alpha);
  LICE_pixel_chan* p = reinterpret_cast<LICE_pixel_chan*>(rows.row(y) + x);
  LICE_WithPlainCombine(mode & ~LICE_BLIT_USE_ALPHA, weight, [&](auto comb) {
    decltype(comb)::doPix(p, LICE_GETR(color), LICE_GETG(color), LICE_GETB(color),
                          LICE_GETA(color), weight);
  });
}

LICE_pixel LICE_GetPixel(LICE_IBitmap* src, int x, int y) {
  LICE_Rows rows;
  if (!LICE_GetRows(src, &rows)) return 0;
  if (x < 0 || y < 0 || x >= rows.width || y >= rows.height) return 0;
  return rows.row(y)[x];
}

// The gradient is a generated source image blended in at full weight; with the
// use-source-alpha flag its own alpha becomes the weight of each pixel.
void LICE_GradRect(LICE_IBitmap* dest, int dstx, int dsty, int dstw, int dsth, float ir,
                   float ig, float ib, float ia, float drdx, float dgdx, float dbdx, float dadx,
                   float drdy, float dgdy, float dbdy, float dady, int mode) {
  LICE_Rows rows;
  ClipRect c;
  if (!LICE_GetRows(dest, &rows) || !ClipToBitmap(rows, dstx, dsty, dstw, dsth, &c)) return;
  LICE_WithBlitCombine(mode, 256, [&](auto comb) {
    using Op = decltype(comb);
    for (int y = c.y0; y < c.y1; ++y) {
      LICE_pixel* row = rows.row(y);
      const int64_t ry = int64_t(y) - dsty;
      for (int x = c.x0; x < c.x1; ++x) {
        const int64_t rx = int64_t(x) - dstx;
        Op::doPix(reinterpret_cast<LICE_pixel_chan*>(row + x), GradChan(ir, drdx, drdy, rx, ry),
                  GradChan(ig, dgdx, dgdy, rx, ry), GradChan(ib, dbdx, dbdy, rx, ry),
                  GradChan(ia, dadx, dady, rx, ry), 256);
      }
    }
  });
}
