// Unscaled blits: LICE_Blit and LICE_Copy.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "lice.h"
#include "lice_combine.h"

namespace {

// One clipped blit: rows of w pixels from src to dst, h of them.
struct BlitSpan {
  const LICE_pixel* src;
  long srcStep;
  LICE_pixel* dst;
  long dstStep;
  int w, h;
};

template <class Op>
void BlendRows(const BlitSpan& s, int weight) {
  const LICE_pixel* srow = s.src;
  LICE_pixel* drow = s.dst;
  for (int y = 0; y < s.h; ++y, srow += s.srcStep, drow += s.dstStep) {
    if constexpr (LICE_HasWholePixelMix<Op>::value) {
      for (int x = 0; x < s.w; ++x) drow[x] = Op::mix(drow[x], srow[x]);
      continue;
    }
    for (int x = 0; x < s.w; ++x) {
      const LICE_pixel p = srow[x];
      Op::doPix(reinterpret_cast<LICE_pixel_chan*>(drow + x), LICE_GETR(p), LICE_GETG(p),
                LICE_GETB(p), LICE_GETA(p), weight);
    }
  }
}

// The weighted copy, byte by byte. (d - s) * k / 256 truncated toward zero is the
// magnitude |d - s| * k >> 8 with the sign of d - s, and that product fits 16 bits,
// so the compiler can run the loop on vector lanes. Same results as LICE_CombineCopy.
template <>
void BlendRows<LICE_CombineCopy>(const BlitSpan& s, int weight) {
  const unsigned keep = unsigned(256 - weight);
  const LICE_pixel* srow = s.src;
  LICE_pixel* drow = s.dst;
  for (int y = 0; y < s.h; ++y, srow += s.srcStep, drow += s.dstStep) {
    const LICE_pixel_chan* sp = reinterpret_cast<const LICE_pixel_chan*>(srow);
    LICE_pixel_chan* dp = reinterpret_cast<LICE_pixel_chan*>(drow);
    const int n = s.w * 4;
    for (int i = 0; i < n; ++i) {
      const LICE_pixel_chan sc = sp[i], dc = dp[i];
      const uint16_t diff = uint16_t(dc > sc ? dc - sc : sc - dc);
      const LICE_pixel_chan q = LICE_pixel_chan(uint16_t(diff * keep) >> 8);
      dp[i] = LICE_pixel_chan(dc > sc ? sc + q : sc - q);
    }
  }
}

// Copy with source alpha at full weight (how framed images are drawn), written
// without branches so the compiler can vectorise it; same results as
// LICE_CombineCopySourceAlphaFull.
template <>
void BlendRows<LICE_CombineCopySourceAlphaFull>(const BlitSpan& s, int) {
  const LICE_pixel* srow = s.src;
  LICE_pixel* drow = s.dst;
  for (int y = 0; y < s.h; ++y, srow += s.srcStep, drow += s.dstStep) {
    const LICE_pixel_chan* sp = reinterpret_cast<const LICE_pixel_chan*>(srow);
    LICE_pixel_chan* dp = reinterpret_cast<LICE_pixel_chan*>(drow);
    for (int i = 0; i < s.w; ++i, sp += 4, dp += 4) {
      const unsigned a = sp[LICE_PIXEL_A];
      const unsigned keep = 255 - a;  // an opaque source keeps nothing of the destination
      LICE_pixel_chan out[4];
      for (int ch = 1; ch < 4; ++ch) {
        const LICE_pixel_chan sc = sp[ch], dc = dp[ch];
        const uint16_t diff = uint16_t(dc > sc ? dc - sc : sc - dc);
        const LICE_pixel_chan q = LICE_pixel_chan(uint16_t(diff * keep) >> 8);
        out[ch] = LICE_pixel_chan(dc > sc ? sc + q : sc - q);
      }
      const unsigned da = dp[LICE_PIXEL_A] + a;
      out[LICE_PIXEL_A] = LICE_pixel_chan(da > 255 ? 255 : da);
      for (int ch = 0; ch < 4; ++ch) dp[ch] = a ? out[ch] : dp[ch];
    }
  }
}

void CopyRows(const BlitSpan& s) {
  const LICE_pixel* srow = s.src;
  LICE_pixel* drow = s.dst;
  for (int y = 0; y < s.h; ++y, srow += s.srcStep, drow += s.dstStep)
    memmove(drow, srow, size_t(s.w) * sizeof(LICE_pixel));
}

void CopyChannel(const BlitSpan& s, int srcChan, int dstChan) {
  const LICE_pixel* srow = s.src;
  LICE_pixel* drow = s.dst;
  for (int y = 0; y < s.h; ++y, srow += s.srcStep, drow += s.dstStep) {
    const LICE_pixel_chan* sp = reinterpret_cast<const LICE_pixel_chan*>(srow) + srcChan;
    LICE_pixel_chan* dp = reinterpret_cast<LICE_pixel_chan*>(drow) + dstChan;
    for (int x = 0; x < s.w; ++x) dp[x * 4] = sp[x * 4];
  }
}

// Moves [pos, pos + len) into [0, limit) and the partner coordinate by the same
// amount. 64-bit so that coordinates near the int range cannot overflow.
void ClipAxis(int64_t* pos, int64_t* other, int64_t* len, int64_t limit) {
  if (*pos < 0) {
    *len += *pos;
    *other -= *pos;
    *pos = 0;
  }
  if (*pos + *len > limit) *len = limit - *pos;
}

bool Overlaps(const LICE_pixel* a, const LICE_pixel* aEnd, const LICE_pixel* b,
              const LICE_pixel* bEnd) {
  return a < bEnd && b < aEnd;
}

}  // namespace

void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int w, int h, float alpha, int mode) {
  if (!dest || !src || !(alpha > 0.0f)) return;
  LICE_Rows dr, sr;
  if (!LICE_GetRows(dest, &dr) || !LICE_GetRows(src, &sr)) return;

  int64_t sx = srcx, sy = srcy, dx = dstx, dy = dsty, cw = w, ch = h;
  ClipAxis(&sx, &dx, &cw, sr.width);
  ClipAxis(&sy, &dy, &ch, sr.height);
  ClipAxis(&dx, &sx, &cw, dr.width);
  ClipAxis(&dy, &sy, &ch, dr.height);
  if (cw <= 0 || ch <= 0) return;

  BlitSpan span{sr.row(int(sy)) + sx, sr.step, dr.row(int(dy)) + dx, dr.step, int(cw), int(ch)};

  // A blit within one bitmap whose rectangles overlap reads from a copy, so no
  // source pixel is overwritten before it is read.
  void* scratch = nullptr;
  if (dest->getBits() == src->getBits()) {
    const LICE_pixel* s0 = span.src + (span.srcStep < 0 ? span.srcStep * (ch - 1) : 0);
    const LICE_pixel* s1 = s0 + (span.srcStep < 0 ? -span.srcStep : span.srcStep) * (ch - 1) + cw;
    const LICE_pixel* d0 = span.dst + (span.dstStep < 0 ? span.dstStep * (ch - 1) : 0);
    const LICE_pixel* d1 = d0 + (span.dstStep < 0 ? -span.dstStep : span.dstStep) * (ch - 1) + cw;
    if (Overlaps(s0, s1, d0, d1)) {
      scratch = malloc(size_t(cw) * size_t(ch) * sizeof(LICE_pixel));
      if (!scratch) return;
      LICE_pixel* copy = static_cast<LICE_pixel*>(scratch);
      for (int64_t y = 0; y < ch; ++y)
        memcpy(copy + y * cw, span.src + span.srcStep * y, size_t(cw) * sizeof(LICE_pixel));
      span.src = copy;
      span.srcStep = long(cw);
    }
  }

  const int op = mode & LICE_BLIT_MODE_MASK;
  if (op >= LICE_BLIT_MODE_CHANCOPY) {
    CopyChannel(span, op & 3, (op >> 2) & 3);
  } else if (op == LICE_BLIT_MODE_COPY && !(mode & LICE_BLIT_USE_ALPHA) && alpha == 1.0f) {
    CopyRows(span);
  } else {
    const int weight = LICE_WeightFromAlpha(alpha);
    LICE_WithBlitAlpha(mode, alpha, [&](auto comb) { BlendRows<decltype(comb)>(span, weight); });
  }
  free(scratch);
}

void LICE_Copy(LICE_IBitmap* dest, LICE_IBitmap* src) {
  if (!dest || !src || dest == src) return;
  // Pixels first: a PNG opened but not yet decoded knows its final size (none, when
  // decoding fails) only once it has been decoded.
  src->getBits();
  const int w = src->getWidth(), h = src->getHeight();
  dest->resize(w, h);
  LICE_Blit(dest, src, 0, 0, 0, 0, w, h, 1.0f, LICE_BLIT_MODE_COPY);
}
