// Circles, discs, arcs and rounded-rectangle outlines.
//
// Pixel centres sit on integer coordinates. Everything is drawn row by row: for
// each row the few pixels that can touch the curve are found from the circle
// equation and each is visited once, so blends that are not idempotent (add,
// multiply, ...) never hit a pixel twice and clipping is a matter of bounding the
// rows and spans. Coverage, with d the distance of a pixel centre from the centre:
//   outline, antialiased    1 - |d - r|           (a two-pixel ring, one pixel of ink)
//   outline, hard           |d - r| < 1/2
//   disc, antialiased       r + 1 - d, clamped to 0..1
//   disc, hard              d < r + 1/2
// so both discs have the area of radius r + 1/2: the disc reaches the outer edge
// of the pixels its outline passes through, as a filled box reaches the outer
// edge of its border pixels.
#include <cmath>
#include <utility>

#include "lice.h"
#include "lice_canvas.h"

namespace {

const double kTwoPi = 6.283185307179586;

// Rows or columns [lo, hi] of the canvas that a range of real coordinates covers,
// with the conversion to int done only on values already inside the canvas.
bool IntRange(double from, double to, int limit, int* lo, int* hi) {
  const double a = std::ceil(from), b = std::floor(to);
  if (!(a <= b) || b < 0.0 || a > limit - 1.0) return false;
  *lo = a < 0.0 ? 0 : (int)a;
  *hi = b > limit - 1.0 ? limit - 1 : (int)b;
  return true;
}

// A box of pixels that a shape may touch, inclusive.
struct PixelBox {
  int x0, y0, x1, y1;
};

PixelBox CanvasBox(const LICE_Canvas& c) { return PixelBox{0, 0, c.width - 1, c.height - 1}; }

bool Intersect(PixelBox* b, const PixelBox& with) {
  if (with.x0 > b->x0) b->x0 = with.x0;
  if (with.y0 > b->y0) b->y0 = with.y0;
  if (with.x1 < b->x1) b->x1 = with.x1;
  if (with.y1 < b->y1) b->y1 = with.y1;
  return b->x0 <= b->x1 && b->y0 <= b->y1;
}

struct AnyAngle {
  bool operator()(double, double) const { return true; }
};

// Keeps pixels whose direction from the centre, measured clockwise from straight
// up, lies within [start, start + extent].
struct AngleWindow {
  double start, extent;
  bool operator()(double dx, double dy) const {
    double a = std::atan2(dx, -dy) - start;
    a -= kTwoPi * std::floor(a / kTwoPi);
    return a <= extent || a >= kTwoPi - 1e-9;
  }
};

// The ring of radius r around (cx, cy), limited to box and to the pixels the
// filter accepts. Op honours per-pixel weights.
template <class Op, class Filter>
void Ring(const LICE_Canvas& c, PixelBox box, double cx, double cy, double r, bool aa,
          const Filter& keep, const LICE_Source& s, int w) {
  const double reach = aa ? 1.0 : 0.5;
  const double ro = r + reach, ri = r - reach;
  int ylo, yhi;
  if (!IntRange(cy - ro, cy + ro, c.height, &ylo, &yhi)) return;
  if (ylo < box.y0) ylo = box.y0;
  if (yhi > box.y1) yhi = box.y1;
  auto visit = [&](int x, int y) {
    const double dx = x - cx, dy = y - cy;
    const double off = std::fabs(std::sqrt(dx * dx + dy * dy) - r);
    if (off >= reach || !keep(dx, dy)) return;
    const int pw = aa ? LICE_CoverageWeight(w, (float)(1.0 - off)) : w;
    if (pw > 0) Op::doPix(c.At(x, y), s.r, s.g, s.b, s.a, pw);
  };
  auto span = [&](double from, double to, int y) {
    int xlo, xhi;
    if (!IntRange(from, to, c.width, &xlo, &xhi)) return;
    if (xlo < box.x0) xlo = box.x0;
    if (xhi > box.x1) xhi = box.x1;
    for (int x = xlo; x <= xhi; ++x) visit(x, y);
  };
  for (int y = ylo; y <= yhi; ++y) {
    const double dy = y - cy, dy2 = dy * dy;
    if (dy2 >= ro * ro) continue;
    const double xo = std::sqrt(ro * ro - dy2);
    // The hole's half-width, narrowed by a pixel so that rounding never skips a
    // ring pixel (visit() has the last word on each one).
    const double xi = (ri > 0.0 && dy2 < ri * ri) ? std::sqrt(ri * ri - dy2) - 1.0 : 0.0;
    if (xi > 0.0) {  // two spans, one either side of the hole; they cannot share a pixel
      span(cx - xo, cx - xi, y);
      span(cx + xi, cx + xo, y);
    } else {
      span(cx - xo, cx + xo, y);
    }
  }
}

// The filled disc; Op honours per-pixel weights when aa is set.
template <class Op>
void Disc(const LICE_Canvas& c, double cx, double cy, double r, bool aa, const LICE_Source& s,
          int w) {
  const double ro = aa ? r + 1.0 : r + 0.5;
  int ylo, yhi;
  if (!IntRange(cy - ro, cy + ro, c.height, &ylo, &yhi)) return;
  for (int y = ylo; y <= yhi; ++y) {
    const double dy = y - cy, dy2 = dy * dy;
    if (dy2 >= ro * ro) continue;
    const double xo = std::sqrt(ro * ro - dy2);
    int xlo, xhi;
    if (!IntRange(cx - xo, cx + xo, c.width, &xlo, &xhi)) continue;
    if (!aa) {
      // Only the end pixels can sit exactly on the excluded boundary.
      auto outside = [&](int x) { return (x - cx) * (x - cx) + dy2 >= ro * ro; };
      while (xlo <= xhi && outside(xlo)) ++xlo;
      while (xhi >= xlo && outside(xhi)) --xhi;
      if (xlo <= xhi) LICE_SpanT<Op>(c.At(xlo, y), xhi - xlo + 1, s, w);
      continue;
    }
    for (int x = xlo; x <= xhi; ++x) {
      const double dx = x - cx;
      const double cov = ro - std::sqrt(dx * dx + dy2);
      const int pw = LICE_CoverageWeight(w, (float)cov);
      if (pw > 0) Op::doPix(c.At(x, y), s.r, s.g, s.b, s.a, pw);
    }
  }
}

bool ValidCircle(double cx, double cy, double r) {
  return std::isfinite(cx) && std::isfinite(cy) && std::isfinite(r) && r >= 0.0;
}

// Outlines go through the weighted forms when antialiased, through the copy
// mode's shift forms otherwise; both run the same loop.
template <class Fn>
void WithOutlineCombine(int mode, int w, bool aa, Fn&& fn) {
  if (aa)
    LICE_WithWeightedCombine(mode, fn);
  else
    LICE_WithPlainCombine(mode, w, fn);
}

}  // namespace

void LICE_Circle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color, float alpha,
                 int mode, bool aa) {
  LICE_Canvas c;
  if (!c.Attach(dest) || !ValidCircle(cx, cy, r)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (w <= 0) return;
  const LICE_Source s(color);
  WithOutlineCombine(mode, w, aa, [&](auto op) {
    Ring<decltype(op)>(c, CanvasBox(c), cx, cy, r, aa, AnyAngle(), s, w);
  });
}

void LICE_FillCircle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color, float alpha,
                     int mode, bool aa) {
  LICE_Canvas c;
  if (!c.Attach(dest) || !ValidCircle(cx, cy, r)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (w <= 0) return;
  const LICE_Source s(color);
  WithOutlineCombine(mode, w, aa, [&](auto op) { Disc<decltype(op)>(c, cx, cy, r, aa, s, w); });
}

void LICE_Arc(LICE_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
              LICE_pixel color, float alpha, int mode, bool aa) {
  LICE_Canvas c;
  if (!c.Attach(dest) || !ValidCircle(cx, cy, r)) return;
  if (!std::isfinite(minAngle) || !std::isfinite(maxAngle)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (w <= 0) return;
  double lo = minAngle, hi = maxAngle;
  if (hi < lo) std::swap(lo, hi);
  const double extent = hi - lo;
  const LICE_Source s(color);
  if (extent >= kTwoPi) {
    WithOutlineCombine(mode, w, aa, [&](auto op) {
      Ring<decltype(op)>(c, CanvasBox(c), cx, cy, r, aa, AnyAngle(), s, w);
    });
    return;
  }
  const AngleWindow window{lo, extent};
  WithOutlineCombine(mode, w, aa, [&](auto op) {
    Ring<decltype(op)>(c, CanvasBox(c), cx, cy, r, aa, window, s, w);
  });
}

// The outline runs along the pixel centres of the box's first and last columns and
// rows (x .. x + w - 1, y .. y + h - 1), the corners being quarter rings of the
// given radius, so it traces the edge of the same box filled with rounded corners.
void LICE_RoundRect(LICE_IBitmap* dest, float xpos, float ypos, float w, float h, int cornerradius,
                    LICE_pixel color, float alpha, int mode, bool aa) {
  LICE_Canvas c;
  if (!c.Attach(dest)) return;
  if (!std::isfinite(xpos) || !std::isfinite(ypos) || !std::isfinite(w) || !std::isfinite(h))
    return;
  const int weight = LICE_WeightFromAlpha(alpha);
  if (weight <= 0) return;
  // Work in doubles up to the canvas test so that no huge value is converted.
  const double x0 = std::floor(xpos + 0.5), y0 = std::floor(ypos + 0.5);
  const double x1 = x0 + std::floor(w + 0.5) - 1.0, y1 = y0 + std::floor(h + 0.5) - 1.0;
  if (x1 < x0 || y1 < y0) return;
  if (x1 < -2.0 || y1 < -2.0 || x0 > c.width + 1.0 || y0 > c.height + 1.0) return;
  double cr = cornerradius < 0 ? 0.0 : (double)cornerradius;
  const double maxr = std::floor(std::fmin(x1 - x0, y1 - y0) / 2.0);
  if (cr > maxr) cr = maxr;

  // Straight edges between the corners, as exact lines (clipped by LICE_Line; the
  // clamp keeps the int conversion defined and lies outside the canvas anyway).
  auto clampInt = [](double v) { return (int)(v < -4.0e6 ? -4.0e6 : (v > 4.0e6 ? 4.0e6 : v)); };
  const int ix0 = clampInt(x0), iy0 = clampInt(y0), ix1 = clampInt(x1), iy1 = clampInt(y1);
  const int icr = (int)cr;
  if (icr == 0) {
    LICE_Line(dest, ix0, iy0, ix1, iy0, color, alpha, mode, false);
    if (iy1 != iy0) LICE_Line(dest, ix0, iy1, ix1, iy1, color, alpha, mode, false);
    if (iy1 - iy0 >= 2) {
      LICE_Line(dest, ix0, iy0 + 1, ix0, iy1 - 1, color, alpha, mode, false);
      if (ix1 != ix0) LICE_Line(dest, ix1, iy0 + 1, ix1, iy1 - 1, color, alpha, mode, false);
    }
    return;
  }
  if (ix0 + icr <= ix1 - icr) {
    LICE_Line(dest, ix0 + icr, iy0, ix1 - icr, iy0, color, alpha, mode, false);
    LICE_Line(dest, ix0 + icr, iy1, ix1 - icr, iy1, color, alpha, mode, false);
  }
  if (iy0 + icr <= iy1 - icr) {
    LICE_Line(dest, ix0, iy0 + icr, ix0, iy1 - icr, color, alpha, mode, false);
    LICE_Line(dest, ix1, iy0 + icr, ix1, iy1 - icr, color, alpha, mode, false);
  }

  // Corners: each ring is confined to the pixels before its straight edges begin
  // (plus one pixel outward for antialiasing), so nothing is drawn twice.
  const LICE_Source s(color);
  const int out = aa ? 1 : 0;
  struct Corner {
    int cx, cy;
    PixelBox box;
  };
  const Corner corners[4] = {
      {ix0 + icr, iy0 + icr, {ix0 - out, iy0 - out, ix0 + icr - 1, iy0 + icr - 1}},
      {ix1 - icr, iy0 + icr, {ix1 - icr + 1, iy0 - out, ix1 + out, iy0 + icr - 1}},
      {ix0 + icr, iy1 - icr, {ix0 - out, iy1 - icr + 1, ix0 + icr - 1, iy1 + out}},
      {ix1 - icr, iy1 - icr, {ix1 - icr + 1, iy1 - icr + 1, ix1 + out, iy1 + out}},
  };
  WithOutlineCombine(mode, weight, aa, [&](auto op) {
    for (const Corner& k : corners) {
      PixelBox box = k.box;
      if (!Intersect(&box, CanvasBox(c))) continue;
      Ring<decltype(op)>(c, box, k.cx, k.cy, cr, aa, AnyAngle(), s, weight);
    }
  });
}
