// Lines: integer segments (exact horizontal, vertical and 45-degree loops, and a
// 16.16 fixed-point stepper for every other slope), float segments with
// antialiased sub-pixel ends, and segment clipping.
//
// The stepper walks the major axis from both ends toward the middle, so the
// truncation error of the fixed-point slope never accumulates over more than half
// the line and a segment draws the same pixels whichever way round it is given.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "lice.h"
#include "lice_canvas.h"

namespace {

// ---------------------------------------------------------------------------
// Clipping (parametric, in doubles: every int fits exactly, and the clipped ends
// are start + t * extent, whose error stays far below a pixel)
// ---------------------------------------------------------------------------

// Clips in place to [xlo, xhi] x [ylo, yhi]; false when nothing of the segment is
// inside. Inputs must be finite.
bool ClipSegment(double* x1, double* y1, double* x2, double* y2, double xlo, double ylo,
                 double xhi, double yhi) {
  if (!(xlo <= xhi) || !(ylo <= yhi)) return false;
  const double dx = *x2 - *x1, dy = *y2 - *y1;
  double t0 = 0.0, t1 = 1.0;
  // Each boundary as p * t <= q: the part of the segment on its inner side.
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {*x1 - xlo, xhi - *x1, *y1 - ylo, yhi - *y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;  // parallel to this boundary and outside it
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      if (t > t1) return false;
      if (t > t0) t0 = t;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t;
    }
  }
  auto clamp = [](double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); };
  const double ox = *x1, oy = *y1;
  if (t1 < 1.0) {
    *x2 = clamp(ox + t1 * dx, xlo, xhi);
    *y2 = clamp(oy + t1 * dy, ylo, yhi);
  }
  if (t0 > 0.0) {
    *x1 = clamp(ox + t0 * dx, xlo, xhi);
    *y1 = clamp(oy + t0 * dy, ylo, yhi);
  }
  return true;
}

int RoundToInt(double v, int lo, int hi) {
  // Clipped values lie in [lo, hi] already; the clamp only guards the conversion.
  const double r = std::floor(v + 0.5);
  if (!(r >= lo)) return lo;
  if (r > hi) return hi;
  return (int)r;
}

// ---------------------------------------------------------------------------
// Integer lines (end points already inside the canvas)
// ---------------------------------------------------------------------------

// Horizontal run from x1 to x2 inclusive, x1 <= x2.
template <class Op>
void HorizontalRun(const LICE_Canvas& c, int x1, int x2, int y, const LICE_Source& s, int w) {
  LICE_SpanT<Op>(c.At(x1, y), x2 - x1 + 1, s, w);
}

// n + 1 pixels from p, stepping by `step` bytes: the vertical and 45-degree loops.
template <class Op>
void SteppedRun(LICE_pixel_chan* p, ptrdiff_t step, int n, const LICE_Source& s, int w) {
  for (int i = 0; i <= n; ++i, p += step) Op::doPix(p, s.r, s.g, s.b, s.a, w);
}

// A segment along its major axis. `major` and `minor` are the byte steps of one
// pixel along each axis (minor already signed toward the end point), n the
// major length and m the minor length (0 < m < n).
template <class Op>
void BresenhamFromBothEnds(LICE_pixel_chan* start, LICE_pixel_chan* end, ptrdiff_t major,
                           ptrdiff_t minor, int n, int m, const LICE_Source& s, int w) {
  const int slope = (int)(((int64_t)m << 16) / n);  // 16.16, below 1.0
  int frac = 0;
  int i = 0;
  for (; i < n - i; ++i) {
    Op::doPix(start, s.r, s.g, s.b, s.a, w);
    Op::doPix(end, s.r, s.g, s.b, s.a, w);
    start += major;
    end -= major;
    frac += slope;
    if (frac > 0x8000) {  // the ideal line has passed the half-pixel mark
      frac -= 0x10000;
      start += minor;
      end -= minor;
    }
  }
  if (i == n - i) Op::doPix(start, s.r, s.g, s.b, s.a, w);  // the middle pixel, once
}

// Antialiased variant: each step covers the two pixels straddling the ideal line,
// weighted by how far it lies from each. The second pixel is always between the
// two end points, so it is inside the canvas too.
template <class Op>
void AntialiasedFromBothEnds(LICE_pixel_chan* start, LICE_pixel_chan* end, ptrdiff_t major,
                             ptrdiff_t minor, int n, int m, const LICE_Source& s, int w) {
  const int slope = (int)(((int64_t)m << 16) / n);
  int frac = 0;
  int i = 0;
  auto plot = [&](LICE_pixel_chan* p, LICE_pixel_chan* beside, int f) {
    const int wNear = (w * (0x10000 - f)) >> 16;
    const int wFar = (w * f) >> 16;
    if (wNear > 0) Op::doPix(p, s.r, s.g, s.b, s.a, wNear);
    if (wFar > 0) Op::doPix(beside, s.r, s.g, s.b, s.a, wFar);
  };
  for (; i < n - i; ++i) {
    plot(start, start + minor, frac);
    plot(end, end - minor, frac);
    start += major;
    end -= major;
    frac += slope;
    if (frac >= 0x10000) {
      frac -= 0x10000;
      start += minor;
      end -= minor;
    }
  }
  if (i == n - i) plot(start, start + minor, frac);
}

template <class Op>
void GeneralLine(const LICE_Canvas& c, int x1, int y1, int x2, int y2, const LICE_Source& s,
                 int w, bool aa) {
  const int adx = std::abs(x2 - x1), ady = std::abs(y2 - y1);
  // Walk the major axis upward, so a segment gives the same pixels either way round
  // (the middle pixel of an even-length line can be a tie).
  if (adx >= ady ? x1 > x2 : y1 > y2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const ptrdiff_t stepX = x2 > x1 ? 4 : -4;
  const ptrdiff_t stepY = y2 > y1 ? c.rowBytes : -c.rowBytes;
  LICE_pixel_chan* start = c.At(x1, y1);
  LICE_pixel_chan* end = c.At(x2, y2);
  const bool xMajor = adx >= ady;
  const ptrdiff_t major = xMajor ? stepX : stepY, minor = xMajor ? stepY : stepX;
  const int n = xMajor ? adx : ady, m = xMajor ? ady : adx;
  if (aa)
    AntialiasedFromBothEnds<Op>(start, end, major, minor, n, m, s, w);
  else
    BresenhamFromBothEnds<Op>(start, end, major, minor, n, m, s, w);
}

// The exact loops: one per shape, each taking the copy mode's shift forms.
template <class Op>
void ExactLine(const LICE_Canvas& c, int x1, int y1, int x2, int y2, const LICE_Source& s,
               int w) {
  if (y1 == y2) {
    HorizontalRun<Op>(c, x1 < x2 ? x1 : x2, x1 < x2 ? x2 : x1, y1, s, w);
    return;
  }
  if (y1 > y2) {  // walk downward
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const ptrdiff_t step = c.rowBytes + (x2 > x1 ? 4 : (x2 < x1 ? -4 : 0));
  SteppedRun<Op>(c.At(x1, y1), step, y2 - y1, s, w);
}

// ---------------------------------------------------------------------------
// Float lines: Wu's algorithm with the end pixels weighted by how much of them
// the segment covers along its major axis.
// ---------------------------------------------------------------------------

template <class Op>
void PlotCovered(const LICE_Canvas& c, int x, int y, float coverage, const LICE_Source& s,
                 int w) {
  if (!c.Inside(x, y)) return;
  const int cw = LICE_CoverageWeight(w, coverage);
  if (cw > 0) Op::doPix(c.At(x, y), s.r, s.g, s.b, s.a, cw);
}

template <class Op>
void WuLine(const LICE_Canvas& c, double x1, double y1, double x2, double y2,
            const LICE_Source& s, int w) {
  const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
  if (steep) {
    std::swap(x1, y1);
    std::swap(x2, y2);
  }
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const double dx = x2 - x1;
  const double gradient = dx > 0.0 ? (y2 - y1) / dx : 0.0;
  auto plot = [&](int major, int minorPix, float cov) {
    if (steep)
      PlotCovered<Op>(c, minorPix, major, cov, s, w);
    else
      PlotCovered<Op>(c, major, minorPix, cov, s, w);
  };
  auto plotPair = [&](int major, double y, double along) {
    const double base = std::floor(y);
    const float f = (float)(y - base);
    const int iy = (int)base;
    plot(major, iy, (float)((1.0 - f) * along));
    plot(major, iy + 1, (float)(f * along));
  };

  const int first = (int)std::floor(x1 + 0.5), last = (int)std::floor(x2 + 0.5);
  if (first == last) {  // the whole segment lies within one column
    plotPair(first, (y1 + y2) * 0.5, dx);
    return;
  }
  // Pixel column k spans [k - 0.5, k + 0.5): the end columns are partly covered.
  plotPair(first, y1 + gradient * (first - x1), first + 0.5 - x1);
  plotPair(last, y1 + gradient * (last - x1), x2 - (last - 0.5));
  for (int k = first + 1; k < last; ++k) plotPair(k, y1 + gradient * (k - x1), 1.0);
}

}  // namespace

// ---------------------------------------------------------------------------
// Public entry points
// ---------------------------------------------------------------------------

bool LICE_ClipLine(int* pX1, int* pY1, int* pX2, int* pY2, int xlo, int ylo, int xhi, int yhi) {
  if (!pX1 || !pY1 || !pX2 || !pY2) return false;
  double x1 = *pX1, y1 = *pY1, x2 = *pX2, y2 = *pY2;
  if (!ClipSegment(&x1, &y1, &x2, &y2, xlo, ylo, xhi, yhi)) return false;
  *pX1 = RoundToInt(x1, xlo, xhi);
  *pY1 = RoundToInt(y1, ylo, yhi);
  *pX2 = RoundToInt(x2, xlo, xhi);
  *pY2 = RoundToInt(y2, ylo, yhi);
  return true;
}

bool LICE_ClipFLine(float* px1, float* py1, float* px2, float* py2, float xlo, float ylo,
                    float xhi, float yhi) {
  if (!px1 || !py1 || !px2 || !py2) return false;
  double x1 = *px1, y1 = *py1, x2 = *px2, y2 = *py2;
  // NaN and infinite end points have no meaningful clipped position.
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2) ||
      std::isnan(xlo) || std::isnan(ylo) || std::isnan(xhi) || std::isnan(yhi))
    return false;
  if (!ClipSegment(&x1, &y1, &x2, &y2, xlo, ylo, xhi, yhi)) return false;
  *px1 = (float)x1;
  *py1 = (float)y1;
  *px2 = (float)x2;
  *py2 = (float)y2;
  return true;
}

void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel color,
               float alpha, int mode, bool aa) {
  LICE_Canvas c;
  if (!c.Attach(dest)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (w <= 0) return;
  if (!LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, c.width - 1, c.height - 1)) return;
  const LICE_Source s(color);
  const int adx = std::abs(x2 - x1), ady = std::abs(y2 - y1);
  if (adx == 0 || ady == 0 || adx == ady) {
    LICE_WithPlainCombine(mode, w, [&](auto op) {
      ExactLine<decltype(op)>(c, x1, y1, x2, y2, s, w);
    });
  } else if (aa) {
    LICE_WithWeightedCombine(mode, [&](auto op) {
      GeneralLine<decltype(op)>(c, x1, y1, x2, y2, s, w, true);
    });
  } else {
    LICE_WithPlainCombine(mode, w, [&](auto op) {
      GeneralLine<decltype(op)>(c, x1, y1, x2, y2, s, w, false);
    });
  }
}

void LICE_FLine(LICE_IBitmap* dest, float x1, float y1, float x2, float y2, LICE_pixel color,
                float alpha, int mode, bool aa) {
  LICE_Canvas c;
  if (!c.Attach(dest)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (w <= 0) return;
  // One pixel of margin: an antialiased line just outside the edge still touches it.
  float cx1 = x1, cy1 = y1, cx2 = x2, cy2 = y2;
  if (!LICE_ClipFLine(&cx1, &cy1, &cx2, &cy2, -1.0f, -1.0f, (float)c.width, (float)c.height))
    return;
  if (!aa) {
    LICE_Line(dest, (int)std::floor(cx1 + 0.5f), (int)std::floor(cy1 + 0.5f),
              (int)std::floor(cx2 + 0.5f), (int)std::floor(cy2 + 0.5f), color, alpha, mode,
              false);
    return;
  }
  const LICE_Source s(color);
  LICE_WithWeightedCombine(mode, [&](auto op) {
    WuLine<decltype(op)>(c, cx1, cy1, cx2, cy2, s, w);
  });
}
