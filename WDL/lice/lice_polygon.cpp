// Filled triangles and convex polygons.
//
// Vertices are pixel centres. A pixel is filled when its centre lies inside the
// polygon or on its boundary, so a polygon squashed to a line still draws that
// line and neighbouring polygons sharing an edge both cover it. Each row is one
// span from the leftmost to the rightmost crossing of the row with an edge, which
// is exact for convex polygons (a concave one is filled as its row-wise hull).
#include <cmath>

#include "lice.h"
#include "lice_canvas.h"

namespace {

// The real x extent [*xmin, *xmax] where row y meets the polygon's outline; false
// when it does not.
bool RowExtent(const int* xs, const int* ys, int n, double y, double* xmin, double* xmax) {
  bool hit = false;
  double lo = 0.0, hi = 0.0;
  auto take = [&](double x) {
    if (!hit || x < lo) lo = x;
    if (!hit || x > hi) hi = x;
    hit = true;
  };
  for (int i = 0; i < n; ++i) {
    const int j = i + 1 < n ? i + 1 : 0;
    const double xa = xs[i], ya = ys[i], xb = xs[j], yb = ys[j];
    if (ya == yb) {
      if (y == ya) {  // an edge lying on the row: both its ends count
        take(xa);
        take(xb);
      }
      continue;
    }
    if ((y < ya && y < yb) || (y > ya && y > yb)) continue;
    take(xa + (xb - xa) * ((y - ya) / (yb - ya)));
  }
  *xmin = lo;
  *xmax = hi;
  return hit;
}

template <class Op>
void FillRows(const LICE_Canvas& c, const int* xs, const int* ys, int n, int ylo, int yhi,
              const LICE_Source& s, int w) {
  for (int y = ylo; y <= yhi; ++y) {
    double xmin, xmax;
    if (!RowExtent(xs, ys, n, y, &xmin, &xmax)) continue;
    // A tiny tolerance keeps crossings that land exactly on a pixel centre in
    // spite of the division's rounding.
    const double a = std::ceil(xmin - 1e-9), b = std::floor(xmax + 1e-9);
    if (b < 0.0 || a > c.width - 1.0 || a > b) continue;
    const int x0 = a < 0.0 ? 0 : (int)a;
    const int x1 = b > c.width - 1.0 ? c.width - 1 : (int)b;
    LICE_SpanT<Op>(c.At(x0, y), x1 - x0 + 1, s, w);
  }
}

}  // namespace

void LICE_FillConvexPolygon(LICE_IBitmap* dest, const int* x, const int* y, int npoints,
                            LICE_pixel color, float alpha, int mode) {
  if (!x || !y || npoints < 1) return;
  LICE_Canvas c;
  if (!c.Attach(dest)) return;
  const int w = LICE_WeightFromAlpha(alpha);
  if (w <= 0) return;
  int ymin = y[0], ymax = y[0];
  for (int i = 1; i < npoints; ++i) {
    if (y[i] < ymin) ymin = y[i];
    if (y[i] > ymax) ymax = y[i];
  }
  if (ymax < 0 || ymin > c.height - 1) return;
  const int ylo = ymin < 0 ? 0 : ymin;
  const int yhi = ymax > c.height - 1 ? c.height - 1 : ymax;
  const LICE_Source s(color);
  LICE_WithPlainCombine(mode, w,
                        [&](auto op) { FillRows<decltype(op)>(c, x, y, npoints, ylo, yhi, s, w); });
}

void LICE_FillTriangle(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3,
                       LICE_pixel color, float alpha, int mode) {
  const int xs[3] = {x1, x2, x3};
  const int ys[3] = {y1, y2, y3};
  LICE_FillConvexPolygon(dest, xs, ys, 3, color, alpha, mode);
}
