// The cached font's glyph cache: each glyph is rendered once through the text
// bridge (white on black on a scratch bitmap) and kept as an 8-bit coverage
// image, then drawn with the font's combine mode and weight, upright or turned
// for vertical text, with the shadow, outline and monochrome effects. Codes below
// 128 sit in a fixed table, others in a list sorted by code point.
#include <cstring>

#include "lice.h"
#include "lice_cachedfont_impl.h"

namespace {

// Decodes one UTF-8 sequence at s (n bytes left) into *cp; returns the bytes used.
// Malformed input yields U+FFFD for one byte, so decoding always advances.
int DecodeUtf8(const unsigned char* s, int n, unsigned* cp) {
  const unsigned c = s[0];
  int need;
  unsigned v;
  if (c < 0x80) {
    *cp = c;
    return 1;
  } else if (c >= 0xc2 && c < 0xe0) {
    need = 1;
    v = c & 0x1f;
  } else if (c >= 0xe0 && c < 0xf0) {
    need = 2;
    v = c & 0x0f;
  } else if (c >= 0xf0 && c < 0xf5) {
    need = 3;
    v = c & 0x07;
  } else {
    *cp = 0xfffd;
    return 1;
  }
  if (n <= need) {
    *cp = 0xfffd;
    return 1;
  }
  for (int i = 1; i <= need; ++i) {
    if ((s[i] & 0xc0) != 0x80) {
      *cp = 0xfffd;
      return 1;
    }
    v = (v << 6) | (s[i] & 0x3f);
  }
  static const unsigned kMin[4] = {0, 0x80, 0x800, 0x10000};
  if (v < kMin[need] || v > 0x10ffff || (v >= 0xd800 && v < 0xe000)) v = 0xfffd;
  *cp = v;
  return need + 1;
}

int EncodeUtf8(unsigned cp, char* out) {
  if (cp < 0x80) {
    out[0] = (char)cp;
    return 1;
  }
  if (cp < 0x800) {
    out[0] = (char)(0xc0 | (cp >> 6));
    out[1] = (char)(0x80 | (cp & 0x3f));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = (char)(0xe0 | (cp >> 12));
    out[1] = (char)(0x80 | ((cp >> 6) & 0x3f));
    out[2] = (char)(0x80 | (cp & 0x3f));
    return 3;
  }
  out[0] = (char)(0xf0 | (cp >> 18));
  out[1] = (char)(0x80 | ((cp >> 12) & 0x3f));
  out[2] = (char)(0x80 | ((cp >> 6) & 0x3f));
  out[3] = (char)(0x80 | (cp & 0x3f));
  return 4;
}

}  // namespace

// ---------------------------------------------------------------------------
// The cache
// ---------------------------------------------------------------------------

LICE_CachedFontImpl::GlyphEntry* LICE_CachedFontImpl::FindGlyph(LICE_CachedFont& f, unsigned cp,
                                                                bool create) {
  if (cp < 128) return &f.m_low_glyphs[cp];
  ExtGlyph* list = f.m_ext_glyphs.Get();
  int lo = 0, hi = f.m_ext_glyphs.GetSize();
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (list[mid].code == cp) return &list[mid].glyph;
    if (list[mid].code < cp)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (!create) return nullptr;
  const int n = f.m_ext_glyphs.GetSize();
  if (!f.m_ext_glyphs.Resize(n + 1) || f.m_ext_glyphs.GetSize() != n + 1) return nullptr;
  list = f.m_ext_glyphs.Get();
  memmove(list + lo + 1, list + lo, sizeof(ExtGlyph) * (size_t)(n - lo));
  list[lo].code = cp;
  list[lo].glyph = GlyphEntry();
  return &list[lo].glyph;
}

// Renders one glyph through the bridge, white on black, and keeps its coverage
// (the brightest channel) cropped to the pixels it touches. A glyph that cannot
// be rendered is stored as an empty image with its measured advance, so it is
// not attempted again.
void LICE_CachedFontImpl::RenderGlyph(LICE_CachedFont& f, unsigned cp, GlyphEntry* g) {
  g->data_offset = f.m_glyph_data.GetSize();
  g->width = g->height = g->advance = g->left = g->top = 0;
  char text[4];
  const int n = EncodeUtf8(cp, text);
  LICE_SysBitmap* scratch = LICE_TextMeasureScratch();
  if (!LICE_EnsureTextScratch(scratch, 4, 4)) return;
  HDC__* dc = scratch->getDC();
  HGDIOBJ__* old = SelectObject(dc, f.m_font);
  RECT m = {0, 0, 0, 0};
  const int flags = DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP;
  const int lh = SWELL_DrawText(dc, text, n, &m, flags | DT_CALCRECT);
  g->advance = m.right;
  // Room for overhangs on every side (italics, accents), within the scratch limit.
  const int pad = f.m_line_height / 2 + 2;
  const int sw = m.right + 2 * pad, sh = (lh > f.m_line_height ? lh : f.m_line_height) + 2 * pad;
  Restore(dc, old);
  if (lh <= 0 || !LICE_EnsureTextScratch(scratch, sw, sh)) return;
  dc = scratch->getDC();  // growing the scratch bitmap makes a new context
  old = SelectObject(dc, f.m_font);
  LICE_FillRect(scratch, 0, 0, sw, sh, LICE_RGBA(0, 0, 0, 255), 1.0f, LICE_BLIT_MODE_COPY);
  ::SetTextColor(dc, RGB(255, 255, 255));
  ::SetBkMode(dc, TRANSPARENT);
  RECT at = {pad, pad, pad + m.right, pad + lh};
  SWELL_DrawText(dc, text, n, &at, flags);
  Restore(dc, old);

  const LICE_pixel_chan* bits = (const LICE_pixel_chan*)scratch->getBits();
  const int span = scratch->getRowSpan();
  auto coverage = [&](int x, int y) {
    const LICE_pixel_chan* p = bits + ((size_t)y * span + x) * 4;
    int c = p[LICE_PIXEL_R];
    if (p[LICE_PIXEL_G] > c) c = p[LICE_PIXEL_G];
    if (p[LICE_PIXEL_B] > c) c = p[LICE_PIXEL_B];
    return c;
  };
  int x0 = sw, y0 = sh, x1 = -1, y1 = -1;
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x)
      if (coverage(x, y)) {
        if (x < x0) x0 = x;
        if (x > x1) x1 = x;
        if (y < y0) y0 = y;
        if (y > y1) y1 = y;
      }
  if (x1 < 0) return;  // blank (a space)
  const int gw = x1 - x0 + 1, gh = y1 - y0 + 1;
  const int offset = f.m_glyph_data.GetSize();
  unsigned char* out = f.m_glyph_data.Resize(offset + gw * gh);
  if (!out || f.m_glyph_data.GetSize() != offset + gw * gh) return;
  out += offset;
  const bool mono = (f.m_flags & LICE_FONT_FLAG_FX_MONO) != 0;
  for (int y = 0; y < gh; ++y)
    for (int x = 0; x < gw; ++x) {
      const int c = coverage(x0 + x, y0 + y);
      out[y * gw + x] = (unsigned char)(mono ? (c >= 128 ? 255 : 0) : c);
    }
  g->data_offset = offset;
  g->width = gw;
  g->height = gh;
  g->left = x0 - pad;
  g->top = y0 - pad;
}

const LICE_CachedFontImpl::GlyphEntry* LICE_CachedFontImpl::Glyph(LICE_CachedFont& f, unsigned cp) {
  GlyphEntry* g = FindGlyph(f, cp, true);
  if (!g) return nullptr;
  if (g->data_offset < 0) RenderGlyph(f, cp, g);
  return g;
}

// Walks the text line by line: line(start, end) for each line's byte range.
template <class Fn>
void LICE_CachedFontImpl::ForEachLine(const char* str, int len, unsigned fmt, Fn&& line) {
  int start = 0;
  for (int i = 0; i <= len; ++i) {
    if (i == len || (str[i] == '\n' && !(fmt & DT_SINGLELINE))) {
      line(start, i);
      start = i + 1;
    }
  }
}

// Calls glyph(code point, entry) for the characters of one line, skipping
// carriage returns and turning line feeds into spaces.
template <class Fn>
void LICE_CachedFontImpl::ForEachGlyph(LICE_CachedFont& f, const char* str, int from, int to,
                                       Fn&& glyph) {
  const unsigned char* s = (const unsigned char*)str;
  for (int i = from; i < to;) {
    unsigned cp;
    i += DecodeUtf8(s + i, to - i, &cp);
    if (cp == '\r') continue;
    if (cp == '\n') cp = ' ';
    const GlyphEntry* g = Glyph(f, cp);
    if (g) glyph(cp, *g);
  }
}

int LICE_CachedFontImpl::LineAdvance(const LICE_CachedFont& f) {
  return f.m_line_height + f.m_line_spacing;
}

void LICE_CachedFontImpl::Measure(LICE_CachedFont& f, const char* str, int len, unsigned fmt,
                                  int* w, int* h) {
  int widest = 0, lines = 0;
  ForEachLine(str, len, fmt, [&](int a, int b) {
    int width = 0;
    ForEachGlyph(f, str, a, b, [&](unsigned, const GlyphEntry& g) { width += g.advance; });
    if (width > widest) widest = width;
    ++lines;
  });
  *w = widest;
  *h = lines > 0 ? lines * LineAdvance(f) - f.m_line_spacing : 0;
}

int LICE_CachedFontImpl::Turn(const LICE_CachedFont& f) {
  if (f.m_flags & LICE_FONT_FLAG_VERTICAL_BOTTOMUP) return 2;
  return (f.m_flags & LICE_FONT_FLAG_VERTICAL) ? 1 : 0;
}

// Draws one glyph's coverage with the text colour at weight w scaled by
// coverage; (penU, penV) is the pen position in layout coordinates.
template <class Op>
void LICE_CachedFontImpl::PutGlyph(const LICE_CachedFont& f, const LICE_Canvas& c, const Box& clip,
                                   const GlyphEntry& g, int penU, int penV, const Placement& at,
                                   const LICE_Source& s, int w) {
  if (g.width <= 0) return;
  const unsigned char* data = f.m_glyph_data.Get() + g.data_offset;
  const int gu = penU + g.left, gv = penV + g.top;
  if (at.turn) {
    for (int j = 0; j < g.height; ++j)
      for (int i = 0; i < g.width; ++i) {
        const int cov = data[j * g.width + i];
        int x, y;
        at.Map(gu + i, gv + j, &x, &y);
        if (!cov || x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) continue;
        const int pw = cov == 255 ? w : w * cov / 255;
        if (pw > 0) Op::doPix(c.At(x, y), s.r, s.g, s.b, s.a, pw);
      }
    return;
  }
  const int gx = at.x + gu, gy = at.y + gv;
  const int x0 = gx > clip.left ? gx : clip.left;
  const int y0 = gy > clip.top ? gy : clip.top;
  const int x1 = gx + g.width < clip.right ? gx + g.width : clip.right;
  const int y1 = gy + g.height < clip.bottom ? gy + g.height : clip.bottom;
  for (int y = y0; y < y1; ++y) {
    const unsigned char* row = data + (y - gy) * g.width;
    LICE_pixel_chan* p = c.At(x0, y);
    for (int x = x0; x < x1; ++x, p += 4) {
      const int cov = row[x - gx];
      if (!cov) continue;
      const int pw = cov == 255 ? w : w * cov / 255;
      if (pw > 0) Op::doPix(p, s.r, s.g, s.b, s.a, pw);
    }
  }
}

template <class Op>
void LICE_CachedFontImpl::DrawGlyphRuns(LICE_CachedFont& f, const LICE_Canvas& c, const Box& clip,
                                        const char* str, int len, unsigned fmt, const Placement& at,
                                        const LICE_Source& s, int w) {
  int lineV = 0;
  ForEachLine(str, len, fmt, [&](int a, int b) {
    int pen = 0;
    ForEachGlyph(f, str, a, b, [&](unsigned, const GlyphEntry& g) {
      PutGlyph<Op>(f, c, clip, g, pen, lineV, at, s, w);
      pen += g.advance;
    });
    lineV += LineAdvance(f);
  });
}

int LICE_CachedFontImpl::DrawCached(LICE_CachedFont& f, LICE_IBitmap* bm, const char* str, int len,
                                    RECT* rect, unsigned fmt) {
  int lw, lh;
  Measure(f, str, len, fmt, &lw, &lh);
  if (lh <= 0) return 0;
  const int turn = Turn(f);
  const int w = turn ? lh : lw, h = turn ? lw : lh;  // the box on the bitmap
  if (fmt & DT_CALCRECT) {
    rect->right = LICE_SaturatingAdd(rect->left, w);
    rect->bottom = LICE_SaturatingAdd(rect->top, h);
    return h;
  }
  LICE_Canvas c;
  if (!c.Attach(bm)) return h;
  int x, y;
  LICE_AlignTextBox(*rect, fmt, w, h, &x, &y);
  Box clip = {0, 0, c.width, c.height};
  if (!(fmt & DT_NOCLIP)) clip.Intersect(Box{rect->left, rect->top, rect->right, rect->bottom});
  if (clip.Empty()) return h;

  int weight = LICE_WeightFromAlpha(f.m_alpha);
  if (fmt & LICE_DT_USEFGALPHA) weight = weight * LICE_GETA(f.m_fg) / 255;
  if (weight <= 0) return h;

  if (f.m_bgmode == OPAQUE) {
    Box bg = {x, y, x + w, y + h};
    bg.Intersect(clip);
    if (!bg.Empty())
      LICE_FillRect(bm, bg.left, bg.top, bg.right - bg.left, bg.bottom - bg.top, f.m_bg, f.m_alpha,
                    f.m_comb);
  }
  const bool invert = (f.m_flags & LICE_FONT_FLAG_FX_INVERT) != 0;
  const LICE_Source fg(invert ? f.m_bg : f.m_fg), fx(f.m_effectcol);
  auto placed = [&](int dx, int dy) { return Placement{x + dx, y + dy, lw, lh, turn}; };
  LICE_WithWeightedCombine(f.m_comb, [&](auto op) {
    typedef decltype(op) Op;
    // Effects go underneath the text: a shadow one pixel down and right, an
    // outline as the glyph shifted to its eight neighbours.
    if (f.m_flags & LICE_FONT_FLAG_FX_SHADOW)
      DrawGlyphRuns<Op>(f, c, clip, str, len, fmt, placed(1, 1), fx, weight);
    if (f.m_flags & LICE_FONT_FLAG_FX_OUTLINE)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (dx || dy) DrawGlyphRuns<Op>(f, c, clip, str, len, fmt, placed(dx, dy), fx, weight);
    DrawGlyphRuns<Op>(f, c, clip, str, len, fmt, placed(0, 0), fg, weight);
  });
  return h;
}

void LICE_CachedFontImpl::ClearGlyphs(LICE_CachedFont& f) {
  for (GlyphEntry& g : f.m_low_glyphs) g = GlyphEntry();
  f.m_ext_glyphs.Resize(0);
  f.m_glyph_data.Resize(0);
}
