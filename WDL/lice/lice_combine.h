// Pixel combine operations: one small class per blend, each with a static doPix()
// that merges a source colour into one destination pixel. Primitives are templates
// over these classes, so the mode is dispatched once per call (LICE_WithCombine and
// friends below) and the per-pixel loop has no branch on the mode.
//
// Arithmetic: channels are ints 0..255, the weight w is 0..256 (int(alpha * 256)).
// Divisions by 256 are C integer divisions (truncating toward zero) on purpose: the
// copy blend of a darker source must round toward the destination exactly as
// D = S + (D - S) * (256 - w) / 256 does, which a shift would not.
#ifndef LICE_COMBINE_H_
#define LICE_COMBINE_H_

#include <cmath>
#include <type_traits>

#include "lice.h"

// Every doPix has this shape: dest points at one pixel in memory, (r, g, b, a) is
// the source colour, w the weight.
#define LICE_COMBINE_ARGS LICE_pixel_chan *dest, int r, int g, int b, int a, int w

static inline LICE_pixel_chan LICE_ClampChan(int v) {
  return (LICE_pixel_chan)(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// ---------------------------------------------------------------------------
// Per-channel formulas, shared by the plain and the source-alpha variants
// ---------------------------------------------------------------------------

static inline int LICE_CopyChan(int d, int s, int w) { return s + (d - s) * (256 - w) / 256; }
static inline int LICE_AddChan(int d, int s, int w) {
  const int v = d + s * w / 256;
  return v > 255 ? 255 : v;
}
static inline int LICE_DodgeChan(int d, int s, int w) {
  const int t = s * w / 256;
  const int v = t < 255 ? d * 256 / (256 - t) : d * 256;
  return v > 255 ? 255 : v;
}
static inline int LICE_MulChan(int d, int s, int w) {
  return ((s * w + (256 - w) * 256) * d) >> 16;
}
static inline int LICE_OverlayChan(int d, int s, int w) {
  const int t = s * w + (256 - w) * 128;
  const int v = (((32768 - t) * d / 256 + t) * d) >> 15;
  return v > 255 ? 255 : v;
}

// Source alpha scales the weight: w' = w * (As + 1) / 256.
static inline int LICE_SourceAlphaWeight(int w, int a) { return w * (a + 1) / 256; }

// ---------------------------------------------------------------------------
// HSV in the integer form the HSV-adjust blend works in: hue 0..383 in six
// sectors of 64, saturation and value 0..255.
// ---------------------------------------------------------------------------

static inline void LICE_RGB2HSV(int r, int g, int b, int* h, int* s, int* v) {
  const int mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
  const int mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
  const int delta = mx - mn;
  *v = mx;
  if (mx == 0 || delta == 0) {
    *s = 0;
    *h = 0;
    return;
  }
  *s = delta * 255 / mx;
  int hue;
  if (r == mx)
    hue = 64 * (g - b) / delta;  // -64..64 around red
  else if (g == mx)
    hue = 128 + 64 * (b - r) / delta;
  else
    hue = 256 + 64 * (r - g) / delta;
  if (hue < 0) hue += 384;
  *h = hue;
}

static inline void LICE_HSV2RGB(int h, int s, int v, int* r, int* g, int* b) {
  if (s <= 0) {
    *r = *g = *b = v;
    return;
  }
  const int sector = h / 64;
  const int f = h % 64;
  const int p = v * (255 - s) / 255;
  const int q = v * (255 - s * f / 64) / 255;
  const int t = v * (255 - s * (64 - f) / 64) / 255;
  switch (sector) {
    case 0: *r = v; *g = t; *b = p; break;
    case 1: *r = q; *g = v; *b = p; break;
    case 2: *r = p; *g = v; *b = t; break;
    case 3: *r = p; *g = q; *b = v; break;
    case 4: *r = t; *g = p; *b = v; break;
    default: *r = v; *g = p; *b = q; break;
  }
}

// Shifts the destination's hue by w * (1.5 * S.red - 192) / 256 and its saturation
// and value by w * (S.green - 128) / 128 and w * (S.blue - 128) / 128.
static inline void LICE_HSVAdjustPix(LICE_COMBINE_ARGS) {
  int h, s, v;
  LICE_RGB2HSV(dest[LICE_PIXEL_R], dest[LICE_PIXEL_G], dest[LICE_PIXEL_B], &h, &s, &v);
  h += w * (3 * r - 384) / 512;
  h %= 384;
  if (h < 0) h += 384;
  s += w * (g - 128) / 128;
  v += w * (b - 128) / 128;
  s = LICE_ClampChan(s);
  v = LICE_ClampChan(v);
  int nr, ng, nb;
  LICE_HSV2RGB(h, s, v, &nr, &ng, &nb);
  dest[LICE_PIXEL_R] = LICE_ClampChan(nr);
  dest[LICE_PIXEL_G] = LICE_ClampChan(ng);
  dest[LICE_PIXEL_B] = LICE_ClampChan(nb);
  dest[LICE_PIXEL_A] = (LICE_pixel_chan)a;
}

// ---------------------------------------------------------------------------
// Plain operations (the weight as given, source alpha ignored except where the
// operation itself takes the source's alpha channel)
// ---------------------------------------------------------------------------

struct LICE_CombineClobber {  // D = S
  static inline LICE_pixel mix(LICE_pixel, LICE_pixel s) { return s; }
  static inline void doPix(LICE_COMBINE_ARGS) {
    (void)w;
    dest[LICE_PIXEL_R] = (LICE_pixel_chan)r;
    dest[LICE_PIXEL_G] = (LICE_pixel_chan)g;
    dest[LICE_PIXEL_B] = (LICE_pixel_chan)b;
    dest[LICE_PIXEL_A] = (LICE_pixel_chan)a;
  }
};

struct LICE_CombineCopy {
  static inline void doPix(LICE_COMBINE_ARGS) {
    dest[LICE_PIXEL_R] = (LICE_pixel_chan)LICE_CopyChan(dest[LICE_PIXEL_R], r, w);
    dest[LICE_PIXEL_G] = (LICE_pixel_chan)LICE_CopyChan(dest[LICE_PIXEL_G], g, w);
    dest[LICE_PIXEL_B] = (LICE_pixel_chan)LICE_CopyChan(dest[LICE_PIXEL_B], b, w);
    dest[LICE_PIXEL_A] = (LICE_pixel_chan)LICE_CopyChan(dest[LICE_PIXEL_A], a, w);
  }
};

struct LICE_CombineAdd {
  static inline void doPix(LICE_COMBINE_ARGS) {
    dest[LICE_PIXEL_R] = (LICE_pixel_chan)LICE_AddChan(dest[LICE_PIXEL_R], r, w);
    dest[LICE_PIXEL_G] = (LICE_pixel_chan)LICE_AddChan(dest[LICE_PIXEL_G], g, w);
    dest[LICE_PIXEL_B] = (LICE_pixel_chan)LICE_AddChan(dest[LICE_PIXEL_B], b, w);
    dest[LICE_PIXEL_A] = (LICE_pixel_chan)LICE_AddChan(dest[LICE_PIXEL_A], a, w);
  }
};

struct LICE_CombineDodge {
  static inline void doPix(LICE_COMBINE_ARGS) {
    dest[LICE_PIXEL_R] = (LICE_pixel_chan)LICE_DodgeChan(dest[LICE_PIXEL_R], r, w);
    dest[LICE_PIXEL_G] = (LICE_pixel_chan)LICE_DodgeChan(dest[LICE_PIXEL_G], g, w);
    dest[LICE_PIXEL_B] = (LICE_pixel_chan)LICE_DodgeChan(dest[LICE_PIXEL_B], b, w);
    dest[LICE_PIXEL_A] = (LICE_pixel_chan)LICE_DodgeChan(dest[LICE_PIXEL_A], a, w);
  }
};

struct LICE_CombineMul {
  static inline void doPix(LICE_COMBINE_ARGS) {
    dest[LICE_PIXEL_R] = (LICE_pixel_chan)LICE_MulChan(dest[LICE_PIXEL_R], r, w);
    dest[LICE_PIXEL_G] = (LICE_pixel_chan)LICE_MulChan(dest[LICE_PIXEL_G], g, w);
    dest[LICE_PIXEL_B] = (LICE_pixel_chan)LICE_MulChan(dest[LICE_PIXEL_B], b, w);
    dest[LICE_PIXEL_A] = (LICE_pixel_chan)LICE_MulChan(dest[LICE_PIXEL_A], a, w);
  }
};

struct LICE_CombineOverlay {
  static inline void doPix(LICE_COMBINE_ARGS) {
    dest[LICE_PIXEL_R] = (LICE_pixel_chan)LICE_OverlayChan(dest[LICE_PIXEL_R], r, w);
    dest[LICE_PIXEL_G] = (LICE_pixel_chan)LICE_OverlayChan(dest[LICE_PIXEL_G], g, w);
    dest[LICE_PIXEL_B] = (LICE_pixel_chan)LICE_OverlayChan(dest[LICE_PIXEL_B], b, w);
    dest[LICE_PIXEL_A] = (LICE_pixel_chan)LICE_OverlayChan(dest[LICE_PIXEL_A], a, w);
  }
};

struct LICE_CombineHSVAdjust {
  static inline void doPix(LICE_COMBINE_ARGS) { LICE_HSVAdjustPix(dest, r, g, b, a, w); }
};

// ---------------------------------------------------------------------------
// Byte-parallel copy forms for the weights 1/2, 3/4 and 1/4 (the weight argument
// is ignored: the class is the weight). Also usable on whole 32-bit pixels.
// ---------------------------------------------------------------------------

static inline LICE_pixel LICE_Half(LICE_pixel x) { return (x >> 1) & 0x7f7f7f7fu; }
static inline LICE_pixel LICE_Quarter(LICE_pixel x) { return (x >> 2) & 0x3f3f3f3fu; }
// D = (D >> 1) + (S >> 1) on each byte.
static inline LICE_pixel LICE_MixHalf(LICE_pixel d, LICE_pixel s) { return LICE_Half(d) + LICE_Half(s); }
// Three quarters source, one quarter destination.
static inline LICE_pixel LICE_MixThreeQuarters(LICE_pixel d, LICE_pixel s) {
  return LICE_Half(s) + LICE_Quarter(s) + LICE_Quarter(d);
}
// One quarter source, three quarters destination.
static inline LICE_pixel LICE_MixQuarter(LICE_pixel d, LICE_pixel s) {
  return LICE_Half(d) + LICE_Quarter(d) + LICE_Quarter(s);
}

static inline LICE_pixel LICE_LoadPix(const LICE_pixel_chan* p) {
  return (LICE_pixel)p[0] | ((LICE_pixel)p[1] << 8) | ((LICE_pixel)p[2] << 16) |
         ((LICE_pixel)p[3] << 24);
}
static inline void LICE_StorePix(LICE_pixel_chan* p, LICE_pixel v) {
  p[0] = (LICE_pixel_chan)v;
  p[1] = (LICE_pixel_chan)(v >> 8);
  p[2] = (LICE_pixel_chan)(v >> 16);
  p[3] = (LICE_pixel_chan)(v >> 24);
}

struct LICE_CombineHalfMix {
  static inline LICE_pixel mix(LICE_pixel d, LICE_pixel s) { return LICE_MixHalf(d, s); }
  static inline void doPix(LICE_COMBINE_ARGS) {
    (void)w;
    LICE_StorePix(dest, LICE_MixHalf(LICE_LoadPix(dest), LICE_RGBA(r, g, b, a)));
  }
};
struct LICE_CombineThreeQuarters {
  static inline LICE_pixel mix(LICE_pixel d, LICE_pixel s) { return LICE_MixThreeQuarters(d, s); }
  static inline void doPix(LICE_COMBINE_ARGS) {
    (void)w;
    LICE_StorePix(dest, LICE_MixThreeQuarters(LICE_LoadPix(dest), LICE_RGBA(r, g, b, a)));
  }
};
struct LICE_CombineQuarter {
  static inline LICE_pixel mix(LICE_pixel d, LICE_pixel s) { return LICE_MixQuarter(d, s); }
  static inline void doPix(LICE_COMBINE_ARGS) {
    (void)w;
    LICE_StorePix(dest, LICE_MixQuarter(LICE_LoadPix(dest), LICE_RGBA(r, g, b, a)));
  }
};

// True for operations that also offer mix(d, s) on whole 32-bit pixels (clobber and
// the shift forms); loops use it to skip splitting pixels into channels.
template <class Op, class = void>
struct LICE_HasWholePixelMix : std::false_type {};
template <class Op>
struct LICE_HasWholePixelMix<Op, decltype((void)Op::mix(LICE_pixel(), LICE_pixel()))>
    : std::true_type {};

// ---------------------------------------------------------------------------
// Source-alpha variants: the source pixel's alpha a scales the weight, and a
// source alpha of 0 leaves the destination as it is.
// ---------------------------------------------------------------------------

struct LICE_CombineCopySourceAlpha {
  static inline void doPix(LICE_COMBINE_ARGS) {
    if (!a) return;
    const int ws = LICE_SourceAlphaWeight(w, a);
    dest[LICE_PIXEL_R] = (LICE_pixel_chan)LICE_CopyChan(dest[LICE_PIXEL_R], r, ws);
    dest[LICE_PIXEL_G] = (LICE_pixel_chan)LICE_CopyChan(dest[LICE_PIXEL_G], g, ws);
    dest[LICE_PIXEL_B] = (LICE_pixel_chan)LICE_CopyChan(dest[LICE_PIXEL_B], b, ws);
    const int da = dest[LICE_PIXEL_A] + ws;
    dest[LICE_PIXEL_A] = (LICE_pixel_chan)(da > 255 ? 255 : da);
  }
};

// Copy with source alpha at exactly full weight: opaque source pixels are stored
// outright, the rest are mixed with factor (255 - As).
struct LICE_CombineCopySourceAlphaFull {
  static inline void doPix(LICE_COMBINE_ARGS) {
    (void)w;
    if (!a) return;
    if (a == 255) {
      dest[LICE_PIXEL_R] = (LICE_pixel_chan)r;
      dest[LICE_PIXEL_G] = (LICE_pixel_chan)g;
      dest[LICE_PIXEL_B] = (LICE_pixel_chan)b;
      dest[LICE_PIXEL_A] = 255;
      return;
    }
    const int keep = 255 - a;  // plays the part of (256 - w) in the copy formula
    dest[LICE_PIXEL_R] = (LICE_pixel_chan)(r + (dest[LICE_PIXEL_R] - r) * keep / 256);
    dest[LICE_PIXEL_G] = (LICE_pixel_chan)(g + (dest[LICE_PIXEL_G] - g) * keep / 256);
    dest[LICE_PIXEL_B] = (LICE_pixel_chan)(b + (dest[LICE_PIXEL_B] - b) * keep / 256);
    const int da = dest[LICE_PIXEL_A] + a;
    dest[LICE_PIXEL_A] = (LICE_pixel_chan)(da > 255 ? 255 : da);
  }
};

// Single-channel copy: the source's channel S (a byte index) into the destination's
// channel D; the weight is not used.
template <int S, int D>
struct LICE_CombineChannelCopy {
  static inline void doPix(LICE_COMBINE_ARGS) {
    (void)w;
    const int chans[4] = {a, r, g, b};  // indexed by byte position
    dest[D] = (LICE_pixel_chan)chans[S];
  }
};

// Calls fn with the channel-copy class for a mode byte of 0xf0 and above.
template <class Fn>
static inline void LICE_WithChannelCopy(int mode, Fn&& fn) {
  switch (mode & 0xf) {
    case 0x0: fn(LICE_CombineChannelCopy<0, 0>()); break;
    case 0x1: fn(LICE_CombineChannelCopy<1, 0>()); break;
    case 0x2: fn(LICE_CombineChannelCopy<2, 0>()); break;
    case 0x3: fn(LICE_CombineChannelCopy<3, 0>()); break;
    case 0x4: fn(LICE_CombineChannelCopy<0, 1>()); break;
    case 0x5: fn(LICE_CombineChannelCopy<1, 1>()); break;
    case 0x6: fn(LICE_CombineChannelCopy<2, 1>()); break;
    case 0x7: fn(LICE_CombineChannelCopy<3, 1>()); break;
    case 0x8: fn(LICE_CombineChannelCopy<0, 2>()); break;
    case 0x9: fn(LICE_CombineChannelCopy<1, 2>()); break;
    case 0xa: fn(LICE_CombineChannelCopy<2, 2>()); break;
    case 0xb: fn(LICE_CombineChannelCopy<3, 2>()); break;
    case 0xc: fn(LICE_CombineChannelCopy<0, 3>()); break;
    case 0xd: fn(LICE_CombineChannelCopy<1, 3>()); break;
    case 0xe: fn(LICE_CombineChannelCopy<2, 3>()); break;
    default: fn(LICE_CombineChannelCopy<3, 3>()); break;
  }
}

// The plain operation Op run with the weight scaled by the source's alpha.
template <class Op>
struct LICE_CombineSourceAlpha {
  static inline void doPix(LICE_COMBINE_ARGS) {
    if (!a) return;
    Op::doPix(dest, r, g, b, a, LICE_SourceAlphaWeight(w, a));
  }
};

// ---------------------------------------------------------------------------
// Dispatch: turn a mode into one call of fn with an instance of the combine
// class, so the caller's template is instantiated once per operation:
//   LICE_WithCombine(mode, w, [&](auto op) { MyLoop<decltype(op)>(...); });
// Each returns false (and calls nothing) when there is nothing to draw.
// ---------------------------------------------------------------------------

// Converts a float weight to 0..256; NaN and anything not above 0 give 0, which
// every primitive treats as "draw nothing".
static inline int LICE_WeightFromAlpha(float alpha) {
  if (!(alpha > 0.0f)) return 0;
  if (alpha >= 1.0f) return 256;
  return (int)(alpha * 256.0f);
}

// Plain operations for modes 0..5 at weight w, with the copy mode's byte-parallel
// forms at w = 256, 192, 128 and 64 (fills, pixels, lines).
template <class Fn>
static inline bool LICE_WithPlainCombine(int mode, int w, Fn&& fn) {
  if (w <= 0) return false;
  if (w > 256) w = 256;
  switch (mode & LICE_BLIT_MODE_MASK) {
    case LICE_BLIT_MODE_COPY:
      if (w == 256) fn(LICE_CombineClobber());
      else if (w == 192) fn(LICE_CombineThreeQuarters());
      else if (w == 128) fn(LICE_CombineHalfMix());
      else if (w == 64) fn(LICE_CombineQuarter());
      else fn(LICE_CombineCopy());
      return true;
    case LICE_BLIT_MODE_ADD: fn(LICE_CombineAdd()); return true;
    case LICE_BLIT_MODE_DODGE: fn(LICE_CombineDodge()); return true;
    case LICE_BLIT_MODE_MUL: fn(LICE_CombineMul()); return true;
    case LICE_BLIT_MODE_OVERLAY: fn(LICE_CombineOverlay()); return true;
    case LICE_BLIT_MODE_HSVADJ: fn(LICE_CombineHSVAdjust()); return true;
    default: return false;
  }
}

// Operations for blits of a source bitmap at weight w: honours the source-alpha
// flag and the single-channel copies. Plain copy at w = 256 is clobber; the memcpy
// and half-mix shortcuts for alpha 1.0 and exactly 0.5 are the caller's (see
// LICE_WithBlitAlpha).
template <class Fn>
static inline bool LICE_WithBlitCombine(int mode, int w, Fn&& fn) {
  const int op = mode & LICE_BLIT_MODE_MASK;
  if (op >= LICE_BLIT_MODE_CHANCOPY) {  // moves bytes whatever the weight, as LICE_Blit does
    LICE_WithChannelCopy(op, fn);
    return true;
  }
  if (w <= 0) return false;
  if (w > 256) w = 256;
  if (op > LICE_BLIT_MODE_HSVADJ) return false;
  if (!(mode & LICE_BLIT_USE_ALPHA)) {
    if (op == LICE_BLIT_MODE_COPY) {
      if (w == 256) fn(LICE_CombineClobber());
      else fn(LICE_CombineCopy());
      return true;
    }
    return LICE_WithPlainCombine(mode, w, fn);
  }
  switch (op) {
    case LICE_BLIT_MODE_COPY:
      if (w == 256) fn(LICE_CombineCopySourceAlphaFull());
      else fn(LICE_CombineCopySourceAlpha());
      return true;
    case LICE_BLIT_MODE_ADD: fn(LICE_CombineSourceAlpha<LICE_CombineAdd>()); return true;
    case LICE_BLIT_MODE_DODGE: fn(LICE_CombineSourceAlpha<LICE_CombineDodge>()); return true;
    case LICE_BLIT_MODE_MUL: fn(LICE_CombineSourceAlpha<LICE_CombineMul>()); return true;
    case LICE_BLIT_MODE_OVERLAY: fn(LICE_CombineSourceAlpha<LICE_CombineOverlay>()); return true;
    default: fn(LICE_CombineSourceAlpha<LICE_CombineHSVAdjust>()); return true;
  }
}

// As LICE_WithBlitCombine from a float alpha, with the plain copy at alpha exactly
// 0.5 done as a half mix.
template <class Fn>
static inline bool LICE_WithBlitAlpha(int mode, float alpha, Fn&& fn) {
  if (alpha == 0.5f && !(mode & LICE_BLIT_USE_ALPHA) &&
      (mode & LICE_BLIT_MODE_MASK) == LICE_BLIT_MODE_COPY) {
    fn(LICE_CombineHalfMix());
    return true;
  }
  return LICE_WithBlitCombine(mode, LICE_WeightFromAlpha(alpha), fn);
}

// ---------------------------------------------------------------------------
// Row access for primitives: a bitmap's pixels as rows top to bottom, whatever
// its storage order.
// ---------------------------------------------------------------------------

struct LICE_Rows {
  LICE_pixel* top = nullptr;  // row 0
  int width = 0, height = 0;
  long step = 0;  // pixels from one row to the next (negative when stored bottom-up)
  LICE_pixel* row(int y) const { return top + step * y; }
};

// False (and nothing to draw) for a null bitmap, one without pixels, an empty one
// or one whose row span is shorter than its width.
static inline bool LICE_GetRows(LICE_IBitmap* bm, LICE_Rows* out) {
  if (!bm) return false;
  LICE_pixel* bits = bm->getBits();
  const int w = bm->getWidth(), h = bm->getHeight(), span = bm->getRowSpan();
  if (!bits || w <= 0 || h <= 0 || span < w) return false;
  out->width = w;
  out->height = h;
  if (bm->isFlipped()) {
    out->top = bits + (long)span * (h - 1);
    out->step = -(long)span;
  } else {
    out->top = bits;
    out->step = span;
  }
  return true;
}

// Each channel of p0 and p1 mixed with weight f (0..256) on p1.
static inline LICE_pixel LICE_LerpPixel(LICE_pixel p0, LICE_pixel p1, int f) {
  LICE_pixel out = 0;
  for (int sh = 0; sh < 32; sh += 8) {
    const int c0 = int((p0 >> sh) & 0xff), c1 = int((p1 >> sh) & 0xff);
    out |= LICE_pixel((c0 * (256 - f) + c1 * f) >> 8) << sh;
  }
  return out;
}

// Bilinear sample between the pixel (x0, y0) and its right and lower neighbours, with
// fractions fx, fy in 0..255; neighbours beyond the edges are clamped to the edge pixels.
static inline LICE_pixel LICE_BilinearAt(const LICE_Rows& s, int x0, int y0, int fx, int fy) {
  int x1 = x0 + 1, y1 = y0 + 1;
  if (x0 < 0) x0 = 0;
  if (y0 < 0) y0 = 0;
  if (x1 >= s.width) x1 = s.width - 1;
  if (y1 >= s.height) y1 = s.height - 1;
  const LICE_pixel* r0 = s.row(y0);
  const LICE_pixel* r1 = s.row(y1);
  return LICE_LerpPixel(LICE_LerpPixel(r0[x0], r0[x1], fx), LICE_LerpPixel(r1[x0], r1[x1], fx), fy);
}

#endif  // LICE_COMBINE_H_
