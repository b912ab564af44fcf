// Lines: integer segments (exact horizontal, vertical and 45-degree loops, and a
// stepper along the major axis for every other slope), float segments with
// antialiased sub-pixel ends, and segment clipping.
//
// The stepper walks from both ends toward the middle, so a segment draws the same
// pixels whichever way round it is given, and each half is the mirror image of
// the other.
#include <algorithm>
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
bool ClipSegment(double* x1, double* y1, double* x2, double* y2, double xlo, double ylo, double xhi,
                 double yhi) {
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

// One half of a sloped segment, walked from its own end point along the major
// axis with a 16.16 fixed-point slope: after step i (0 <= i < count) the minor
// coordinate has accumulated i * slope. Both halves use the same slope, so they
// are mirror images. The walk starts at the first step inside the canvas with
// the accumulator it would have had from the end point, so a clipped line draws
// exactly the pixels of the whole line.
struct HalfLine {
  int64_t a0, b0;  // the end point, as major and minor coordinates
  int da, db;      // direction along each axis, +1 or -1
  int64_t slope;   // minor extent / major extent in 16.16, 0 < slope < 1.0
  int64_t count;
};

// m / n in 16.16 fixed point, truncated (0 < m < n).
int64_t FixedSlope(int64_t n, int64_t m) { return (m << 16) / n; }

// The part of the accumulator that decides the minor position: without
// antialiasing the minor coordinate advances once the accumulated fraction
// passes one half, which is the whole part of (accumulator + 0.5 - 2^-16).
const int64_t kOne = 0x10000;
const int64_t kHardBias = 0x7fff;

// The steps whose major coordinate lies in [0, extent); false when none.
bool VisibleSteps(const HalfLine& h, int64_t extent, int64_t* lo, int64_t* hi) {
  *lo = 0;
  *hi = h.count - 1;
  const int64_t first = h.da > 0 ? -h.a0 : h.a0 - (extent - 1);
  const int64_t last = h.da > 0 ? extent - 1 - h.a0 : h.a0;
  if (first > *lo) *lo = first;
  if (last < *hi) *hi = last;
  return *lo <= *hi;
}

// Byte offsets of one step along each axis of a half line.
struct Steps {
  ptrdiff_t major, minor;
};
Steps StepsOf(const LICE_Canvas& c, bool xMajor, const HalfLine& h) {
  const ptrdiff_t x = 4, y = c.rowBytes;
  return Steps{(xMajor ? x : y) * h.da, (xMajor ? y : x) * h.db};
}
ptrdiff_t OffsetOf(const LICE_Canvas& c, bool xMajor, int64_t a, int64_t b) {
  return xMajor ? (ptrdiff_t)b * c.rowBytes + (ptrdiff_t)a * 4
                : (ptrdiff_t)a * c.rowBytes + (ptrdiff_t)b * 4;
}

// Without antialiasing: one pixel per step, the minor coordinate advancing when
// the accumulated fraction passes one half (exactly one half stays put).
template <class Op>
void HardHalf(const LICE_Canvas& c, bool xMajor, const HalfLine& h, const LICE_Source& s, int w) {
  const int64_t majorExtent = xMajor ? c.width : c.height;
  const int64_t minorExtent = xMajor ? c.height : c.width;
  int64_t lo, hi;
  if (!VisibleSteps(h, majorExtent, &lo, &hi)) return;
  const Steps step = StepsOf(c, xMajor, h);
  const int64_t acc = lo * h.slope + kHardBias;
  int64_t frac = acc & (kOne - 1);
  int64_t b = h.b0 + (acc >> 16) * h.db;
  // The pixel's byte offset is tracked even while the minor coordinate is off the
  // canvas; it is only used when it is on.
  ptrdiff_t at = OffsetOf(c, xMajor, h.a0 + lo * h.da, b);
  for (int64_t i = lo; i <= hi; ++i) {
    if (b >= 0 && b < minorExtent) Op::doPix(c.bits + at, s.r, s.g, s.b, s.a, w);
    at += step.major;
    frac += h.slope;
    if (frac >= kOne) {
      frac -= kOne;
      b += h.db;
      at += step.minor;
    }
  }
}

// With antialiasing each step covers the two pixels straddling the ideal line:
// the far one gets the accumulated fraction of the weight, the near one the rest.
template <class Op>
void SoftHalf(const LICE_Canvas& c, bool xMajor, const HalfLine& h, const LICE_Source& s, int w) {
  const int64_t majorExtent = xMajor ? c.width : c.height;
  const int64_t minorExtent = xMajor ? c.height : c.width;
  int64_t lo, hi;
  if (!VisibleSteps(h, majorExtent, &lo, &hi)) return;
  const Steps step = StepsOf(c, xMajor, h);
  const int64_t acc = lo * h.slope;
  int64_t frac = acc & (kOne - 1);
  int64_t b = h.b0 + (acc >> 16) * h.db;
  ptrdiff_t at = OffsetOf(c, xMajor, h.a0 + lo * h.da, b);
  for (int64_t i = lo; i <= hi; ++i) {
    const int far = (int)((w * frac) >> 16), near = w - far;
    if (near > 0 && b >= 0 && b < minorExtent) Op::doPix(c.bits + at, s.r, s.g, s.b, s.a, near);
    const int64_t b2 = b + h.db;
    if (far > 0 && b2 >= 0 && b2 < minorExtent)
      Op::doPix(c.bits + at + step.minor, s.r, s.g, s.b, s.a, far);
    at += step.major;
    frac += h.slope;
    if (frac >= kOne) {
      frac -= kOne;
      b = b2;
      at += step.minor;
    }
  }
}

// The common case of a sloped segment wholly inside the canvas: both halves
// share one accumulator (they are mirror images), so one loop draws a pixel from
// each end per step, with no clipping tests.
template <class Op>
void HardInside(LICE_pixel_chan* start, LICE_pixel_chan* end, ptrdiff_t major, ptrdiff_t minor,
                int n, unsigned slope, const LICE_Source& s, int w) {
  unsigned frac = (unsigned)kHardBias;
  int i = 0;
  for (; 2 * i < n; ++i) {
    Op::doPix(start, s.r, s.g, s.b, s.a, w);
    Op::doPix(end, s.r, s.g, s.b, s.a, w);
    start += major;
    end -= major;
    frac += slope;
    if (frac >= (unsigned)kOne) {
      frac -= (unsigned)kOne;
      start += minor;
      end -= minor;
    }
  }
  if (2 * i == n) Op::doPix(start, s.r, s.g, s.b, s.a, w);  // the middle pixel, once
}

template <class Op>
void SoftInside(LICE_pixel_chan* start, LICE_pixel_chan* end, ptrdiff_t major, ptrdiff_t minor,
                int n, unsigned slope, const LICE_Source& s, int w) {
  unsigned frac = 0;
  int i = 0;
  auto plot = [&](LICE_pixel_chan* p, ptrdiff_t toward) {
    const int far = (int)(((unsigned)w * frac) >> 16), near = w - far;
    if (near > 0) Op::doPix(p, s.r, s.g, s.b, s.a, near);
    if (far > 0) Op::doPix(p + toward, s.r, s.g, s.b, s.a, far);
  };
  for (; 2 * i < n; ++i) {
    plot(start, minor);
    plot(end, -minor);
    start += major;
    end -= major;
    frac += slope;
    if (frac >= (unsigned)kOne) {
      frac -= (unsigned)kOne;
      start += minor;
      end -= minor;
    }
  }
  if (2 * i == n) plot(start, minor);
}

// A segment that is neither horizontal, vertical nor diagonal, drawn from both
// ends toward the middle: the first half (with the middle pixel) from the start,
// the rest from the end.
template <class Op>
void SlopedLine(const LICE_Canvas& c, int x1, int y1, int x2, int y2, const LICE_Source& s, int w,
                bool aa) {
  const int64_t dx = (int64_t)x2 - x1, dy = (int64_t)y2 - y1;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const int64_t n = xMajor ? std::llabs(dx) : std::llabs(dy);
  const int64_t m = xMajor ? std::llabs(dy) : std::llabs(dx);
  const int da = (xMajor ? dx : dy) > 0 ? 1 : -1, db = (xMajor ? dy : dx) > 0 ? 1 : -1;
  const bool inside = c.Inside(x1, y1) && c.Inside(x2, y2);
  if (inside) {
    const ptrdiff_t stepX = 4 * (dx > 0 ? 1 : -1), stepY = c.rowBytes * (dy > 0 ? 1 : -1);
    const ptrdiff_t major = xMajor ? stepX : stepY, minor = xMajor ? stepY : stepX;
    const unsigned slope = (unsigned)FixedSlope(n, m);
    if (aa)
      SoftInside<Op>(c.At(x1, y1), c.At(x2, y2), major, minor, (int)n, slope, s, w);
    else
      HardInside<Op>(c.At(x1, y1), c.At(x2, y2), major, minor, (int)n, slope, s, w);
    return;
  }
  const int64_t slope = FixedSlope(n, m);
  const HalfLine first = {xMajor ? x1 : y1, xMajor ? y1 : x1, da, db, slope, n / 2 + 1};
  const HalfLine second = {xMajor ? x2 : y2, xMajor ? y2 : x2, -da, -db, slope, n - n / 2};
  if (aa) {
    SoftHalf<Op>(c, xMajor, first, s, w);
    SoftHalf<Op>(c, xMajor, second, s, w);
  } else {
    HardHalf<Op>(c, xMajor, first, s, w);
    HardHalf<Op>(c, xMajor, second, s, w);
  }
}

// The exact loops: one per shape, each taking the copy mode's shift forms.
template <class Op>
void ExactLine(const LICE_Canvas& c, int x1, int y1, int x2, int y2, const LICE_Source& s, int w) {
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
void PlotCovered(const LICE_Canvas& c, int x, int y, float coverage, const LICE_Source& s, int w) {
  if (!c.Inside(x, y)) return;
  const int cw = LICE_CoverageWeight(w, coverage);
  if (cw > 0) Op::doPix(c.At(x, y), s.r, s.g, s.b, s.a, cw);
}

template <class Op>
void WuLine(const LICE_Canvas& c, double x1, double y1, double x2, double y2, const LICE_Source& s,
            int w) {
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

bool LICE_ClipFLine(float* px1, float* py1, float* px2, float* py2, float xlo, float ylo, float xhi,
                    float yhi) {
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

void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel color, float alpha,
               int mode, bool aa) {
  LICE_Canvas c;
  if (!c.Attach(dest)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (w <= 0) return;
  // Sloped lines are walked over their whole length, only visible steps being
  // drawn; beyond a billion pixels the step arithmetic could overflow, so such a
  // line is cut down to the canvas first (which may move its pixels by one).
  const int64_t kLongest = (int64_t)1 << 30;
  if (std::llabs((int64_t)x2 - x1) >= kLongest || std::llabs((int64_t)y2 - y1) >= kLongest) {
    if (!LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, c.width - 1, c.height - 1)) return;
  }
  const int64_t adx = std::llabs((int64_t)x2 - x1), ady = std::llabs((int64_t)y2 - y1);
  const LICE_Source s(color);
  if (adx == 0 || ady == 0 || adx == ady) {
    // Clipping these is exact: the intersections fall on whole pixels.
    if (!LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, c.width - 1, c.height - 1)) return;
    LICE_WithPlainCombine(mode, w,
                          [&](auto op) { ExactLine<decltype(op)>(c, x1, y1, x2, y2, s, w); });
    return;
  }
  int cx1 = x1, cy1 = y1, cx2 = x2, cy2 = y2;  // only asks whether anything is visible
  if (!LICE_ClipLine(&cx1, &cy1, &cx2, &cy2, -1, -1, c.width, c.height)) return;
  // Walk the major axis upward, so a segment gives the same pixels either way round
  // (the middle pixel of an even-length line can be a tie).
  if (std::llabs((int64_t)x2 - x1) >= std::llabs((int64_t)y2 - y1) ? x1 > x2 : y1 > y2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  if (aa) {
    LICE_WithWeightedCombine(
        mode, [&](auto op) { SlopedLine<decltype(op)>(c, x1, y1, x2, y2, s, w, true); });
  } else {
    LICE_WithPlainCombine(
        mode, w, [&](auto op) { SlopedLine<decltype(op)>(c, x1, y1, x2, y2, s, w, false); });
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
              (int)std::floor(cx2 + 0.5f), (int)std::floor(cy2 + 0.5f), color, alpha, mode, false);
    return;
  }
  const LICE_Source s(color);
  LICE_WithWeightedCombine(mode,
                           [&](auto op) { WuLine<decltype(op)>(c, cx1, cy1, cx2, cy2, s, w); });
}
