// Private helpers of the line and shape primitives: a bitmap's pixels seen as a
// clipped canvas, and the mode dispatch for loops whose weight changes per pixel.
#ifndef LICE_CANVAS_H_
#define LICE_CANVAS_H_

#include <cstddef>

#include "lice.h"
#include "lice_combine.h"

// The drawable pixels of a bitmap. Rows are addressed top-down whatever the
// bitmap's storage order, so loops can step by rowStep() in either case.
struct LICE_Canvas {
  LICE_pixel_chan* bits = nullptr;  // pixel (0, 0) as seen top-down
  int width = 0, height = 0;
  ptrdiff_t rowBytes = 0;  // byte distance from row y to row y + 1 (negative when flipped)

  // False when the bitmap is null, has no pixels or no area: nothing to draw.
  bool Attach(LICE_IBitmap* bm) {
    if (!bm) return false;
    LICE_pixel* p = bm->getBits();
    const int w = bm->getWidth(), h = bm->getHeight(), span = bm->getRowSpan();
    if (!p || w < 1 || h < 1 || span < w) return false;
    width = w;
    height = h;
    rowBytes = (ptrdiff_t)span * 4;
    bits = (LICE_pixel_chan*)p;
    if (bm->isFlipped()) {
      bits += (ptrdiff_t)(h - 1) * rowBytes;
      rowBytes = -rowBytes;
    }
    return true;
  }
  bool Inside(int x, int y) const {
    return (unsigned)x < (unsigned)width && (unsigned)y < (unsigned)height;
  }
  LICE_pixel_chan* At(int x, int y) const {
    return bits + (ptrdiff_t)y * rowBytes + (ptrdiff_t)x * 4;
  }
};

// The colour a primitive draws with, unpacked once per call.
struct LICE_Source {
  int r, g, b, a;
  explicit LICE_Source(LICE_pixel c)
      : r(LICE_GETR(c)), g(LICE_GETG(c)), b(LICE_GETB(c)), a(LICE_GETA(c)) {}
};

// For loops that scale the weight per pixel (antialiased edges): the plain
// operation of the mode, which honours whatever weight it is given. Copy at full
// weight stores the colour exactly, so no separate clobber form is needed. False
// for a mode byte above 5.
template <class Fn>
static inline bool LICE_WithWeightedCombine(int mode, Fn&& fn) {
  switch (mode & LICE_BLIT_MODE_MASK) {
    case LICE_BLIT_MODE_COPY: fn(LICE_CombineCopy()); return true;
    case LICE_BLIT_MODE_ADD: fn(LICE_CombineAdd()); return true;
    case LICE_BLIT_MODE_DODGE: fn(LICE_CombineDodge()); return true;
    case LICE_BLIT_MODE_MUL: fn(LICE_CombineMul()); return true;
    case LICE_BLIT_MODE_OVERLAY: fn(LICE_CombineOverlay()); return true;
    case LICE_BLIT_MODE_HSVADJ: fn(LICE_CombineHSVAdjust()); return true;
    default: return false;
  }
}

// Scales the weight w (0..256) by a coverage in 0..1; 0 means "skip the pixel".
static inline int LICE_CoverageWeight(int w, float coverage) {
  if (!(coverage > 0.0f)) return 0;
  if (coverage >= 1.0f) return w;
  return (int)(w * coverage);
}

// Runs op over n pixels of one row starting at p.
template <class Op>
static inline void LICE_SpanT(LICE_pixel_chan* p, int n, const LICE_Source& s, int w) {
  for (; n > 0; --n, p += 4) Op::doPix(p, s.r, s.g, s.b, s.a, w);
}

#endif  // LICE_CANVAS_H_
