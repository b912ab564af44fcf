// LICE_CachedFont: text drawn into a bitmap, either natively by the text bridge
// (fast, and what the framework uses) or from a cache of glyph coverage images
// rendered once through the bridge, which honours the combine mode, the font's
// alpha and the effect flags.
//
// The shared scratch bitmaps make text drawing single-threaded, as the framework
// draws only on its user-interface thread.
#include <climits>
#include <cstdint>
#include <cstring>

#include "lice.h"
#include "lice_canvas.h"

namespace {

// Bridge flags that SWELL_DrawText understands; the LICE-only high bits stay here.
const unsigned kBridgeFlags = 0x1ff;
// The scratch bitmaps never grow beyond this, whatever a glyph asks for.
const int kMaxScratch = 2048;

int BridgeColor(LICE_pixel c) { return RGB(LICE_GETR(c), LICE_GETG(c), LICE_GETB(c)); }

// Process-wide scratch bitmaps, made on first use and kept for the life of the
// process (never destroyed, so no exit-time ordering against the bridge's pools).
LICE_SysBitmap* MeasureScratch() {
  static LICE_SysBitmap* s = new LICE_SysBitmap(256, 256);
  return s;
}
LICE_SysBitmap* DrawScratch() {
  static LICE_SysBitmap* s = new LICE_SysBitmap(4, 4);
  return s;
}

// Grows a scratch bitmap to at least w x h (never shrinks); false when it cannot.
bool EnsureScratch(LICE_SysBitmap* bm, int w, int h) {
  if (w < 4) w = 4;
  if (h < 4) h = 4;
  if (w > kMaxScratch || h > kMaxScratch) return false;
  const int cw = bm->getWidth(), ch = bm->getHeight();
  if (cw >= w && ch >= h && bm->getDC()) return true;
  bm->resize(w > cw ? w : cw, h > ch ? h : ch);
  return bm->getDC() && bm->getWidth() >= w && bm->getHeight() >= h;
}

// Length of the text to draw: up to len bytes (all of it for len < 0), never past a NUL.
int TextLength(const char* str, int len) {
  if (len < 0) return (int)strlen(str);
  const void* nul = memchr(str, 0, (size_t)len);
  return nul ? (int)((const char*)nul - str) : len;
}

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

// a + b for a b >= 0, held at INT_MAX instead of overflowing.
int SaturatingAdd(int a, int b) { return a > INT_MAX - b ? INT_MAX : a + b; }

// Where a text box of w x h goes inside r, by the alignment bits (the bridge's
// arithmetic, halves truncated toward zero).
// Computed wide and kept within +-2^30, so that extreme rectangles cannot
// overflow the box arithmetic that follows (such a box is off any bitmap anyway).
void AlignBox(const RECT& r, unsigned fmt, int w, int h, int* x, int* y) {
  int64_t px = r.left, py = r.top;
  if (fmt & DT_RIGHT)
    px = (int64_t)r.right - w;
  else if (fmt & DT_CENTER)
    px = r.left + ((int64_t)r.right - r.left) / 2 - w / 2;
  if (fmt & DT_BOTTOM)
    py = (int64_t)r.bottom - h;
  else if (fmt & DT_VCENTER)
    py = r.top + ((int64_t)r.bottom - r.top) / 2 - h / 2;
  const int64_t lim = (int64_t)1 << 30;
  *x = (int)(px < -lim ? -lim : (px > lim ? lim : px));
  *y = (int)(py < -lim ? -lim : (py > lim ? lim : py));
}

// A pixel rectangle, right and bottom exclusive.
struct Box {
  int left, top, right, bottom;
  bool Empty() const { return left >= right || top >= bottom; }
  void Intersect(const Box& o) {
    if (o.left > left) left = o.left;
    if (o.top > top) top = o.top;
    if (o.right < right) right = o.right;
    if (o.bottom < bottom) bottom = o.bottom;
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// The drawing code, with access to the font's state
// ---------------------------------------------------------------------------

struct LICE_CachedFontImpl {
  typedef LICE_CachedFont::GlyphEntry GlyphEntry;
  typedef LICE_CachedFont::ExtGlyph ExtGlyph;

  static bool UsesNativePath(const LICE_CachedFont& f, unsigned fmt) {
    return (f.m_flags & LICE_FONT_FLAG_FORCE_NATIVE) && f.m_font &&
           !(f.m_flags & LICE_FONT_FLAGS_NO_NATIVE) &&
           (f.m_line_spacing == 0 || (fmt & DT_SINGLELINE));
  }

  // Selects the font into dc with the font's colours; returns the font that was there.
  static HGDIOBJ__* Prepare(const LICE_CachedFont& f, HDC__* dc) {
    HGDIOBJ__* old = SelectObject(dc, f.m_font);
    ::SetTextColor(dc, BridgeColor(f.m_fg));
    ::SetBkMode(dc, f.m_bgmode);
    if (f.m_bgmode == OPAQUE) ::SetBkColor(dc, BridgeColor(f.m_bg));
    return old;
  }
  static void Restore(HDC__* dc, HGDIOBJ__* old) {
    if (old) SelectObject(dc, old);
  }

  // ---- Native path ---------------------------------------------------------

  static int DrawNative(LICE_CachedFont& f, LICE_IBitmap* bm, const char* str, int len,
                        RECT* rect, unsigned fmt) {
    const int flags = (int)((fmt & kBridgeFlags) | DT_NOPREFIX);
    HDC__* dc = bm ? bm->getDC() : nullptr;
    if (dc) {
      HGDIOBJ__* old = Prepare(f, dc);
      const int h = SWELL_DrawText(dc, str, len, rect, flags);
      Restore(dc, old);
      return h;
    }
    // No context of its own: measure on the scratch bitmap, draw there over a copy
    // of the destination, and copy the text's box back.
    const int plain = (flags & ~(DT_VCENTER | DT_CENTER | DT_BOTTOM | DT_RIGHT)) & ~DT_CALCRECT;
    LICE_SysBitmap* scratch = DrawScratch();
    if (!EnsureScratch(scratch, 4, 4)) return 0;
    HDC__* sdc = scratch->getDC();
    HGDIOBJ__* old = Prepare(f, sdc);
    RECT m = {0, 0, 0, 0};
    const int h = SWELL_DrawText(sdc, str, len, &m, plain | DT_CALCRECT);
    Restore(sdc, old);
    if (h <= 0) return 0;
    const int w = m.right;
    if (fmt & DT_CALCRECT) {
      rect->right = SaturatingAdd(rect->left, w);
      rect->bottom = SaturatingAdd(rect->top, h);
      return h;
    }
    if (!bm || !bm->getBits()) return h;
    int x, y;
    AlignBox(*rect, fmt, w, h, &x, &y);
    // Glyphs may overhang their advance box (italics, a final "f"); a margin keeps
    // their ink, exactly as the bridge keeps it when drawing into a context.
    const int margin = h / 2 + 2;
    Box box = {x - margin, y - margin, x + w + margin, y + h + margin};
    box.Intersect(Box{0, 0, bm->getWidth(), bm->getHeight()});
    if (!(fmt & DT_NOCLIP)) box.Intersect(Box{rect->left, rect->top, rect->right, rect->bottom});
    const int bw = box.right - box.left, bh = box.bottom - box.top;
    if (box.Empty() || !EnsureScratch(scratch, bw, bh)) return h;
    sdc = scratch->getDC();  // growing the scratch bitmap makes a new context
    LICE_Blit(scratch, bm, 0, 0, box.left, box.top, bw, bh, 1.0f, LICE_BLIT_MODE_COPY);
    // The text at its aligned position, relative to the copied box; lines of a
    // multi-line text all start at the same x, so no alignment is needed here.
    RECT at = {x - box.left, y - box.top, x - box.left + w, y - box.top + h};
    old = Prepare(f, sdc);
    SWELL_DrawText(sdc, str, len, &at, plain | DT_NOCLIP);
    Restore(sdc, old);
    LICE_Blit(bm, scratch, box.left, box.top, 0, 0, bw, bh, f.m_alpha, LICE_BLIT_MODE_COPY);
    return h;
  }

  // ---- Glyph cache ---------------------------------------------------------

  static GlyphEntry* FindGlyph(LICE_CachedFont& f, unsigned cp, bool create) {
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
  static void RenderGlyph(LICE_CachedFont& f, unsigned cp, GlyphEntry* g) {
    g->data_offset = f.m_glyph_data.GetSize();
    g->width = g->height = g->advance = g->left = g->top = 0;
    char text[4];
    const int n = EncodeUtf8(cp, text);
    LICE_SysBitmap* scratch = MeasureScratch();
    if (!EnsureScratch(scratch, 4, 4)) return;
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
    if (lh <= 0 || !EnsureScratch(scratch, sw, sh)) return;
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

  static const GlyphEntry* Glyph(LICE_CachedFont& f, unsigned cp) {
    GlyphEntry* g = FindGlyph(f, cp, true);
    if (!g) return nullptr;
    if (g->data_offset < 0) RenderGlyph(f, cp, g);
    return g;
  }

  // Walks the text line by line: line(start, end) for each line's byte range.
  template <class Fn>
  static void ForEachLine(const char* str, int len, unsigned fmt, Fn&& line) {
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
  static void ForEachGlyph(LICE_CachedFont& f, const char* str, int from, int to, Fn&& glyph) {
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

  static int LineAdvance(const LICE_CachedFont& f) { return f.m_line_height + f.m_line_spacing; }

  static void Measure(LICE_CachedFont& f, const char* str, int len, unsigned fmt, int* w, int* h) {
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

  // How laid-out text (u along a line, v across lines, in a box of
  // layoutW x layoutH) lands on the bitmap: as it is, turned a quarter clockwise to
  // read top to bottom, or a quarter anticlockwise to read bottom to top.
  struct Placement {
    int x, y;  // the screen box's top-left corner
    int layoutW, layoutH;
    int turn;  // 0 horizontal, 1 top to bottom, 2 bottom to top
    void Map(int u, int v, int* sx, int* sy) const {
      if (turn == 1) {
        *sx = x + layoutH - 1 - v;
        *sy = y + u;
      } else {
        *sx = x + v;
        *sy = y + layoutW - 1 - u;
      }
    }
  };

  static int Turn(const LICE_CachedFont& f) {
    if (f.m_flags & LICE_FONT_FLAG_VERTICAL_BOTTOMUP) return 2;
    return (f.m_flags & LICE_FONT_FLAG_VERTICAL) ? 1 : 0;
  }

  // Draws one glyph's coverage with the text colour at weight w scaled by
  // coverage; (penU, penV) is the pen position in layout coordinates.
  template <class Op>
  static void PutGlyph(const LICE_CachedFont& f, const LICE_Canvas& c, const Box& clip,
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
  static void DrawGlyphRuns(LICE_CachedFont& f, const LICE_Canvas& c, const Box& clip,
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

  static int DrawCached(LICE_CachedFont& f, LICE_IBitmap* bm, const char* str, int len,
                        RECT* rect, unsigned fmt) {
    int lw, lh;
    Measure(f, str, len, fmt, &lw, &lh);
    if (lh <= 0) return 0;
    const int turn = Turn(f);
    const int w = turn ? lh : lw, h = turn ? lw : lh;  // the box on the bitmap
    if (fmt & DT_CALCRECT) {
      rect->right = SaturatingAdd(rect->left, w);
      rect->bottom = SaturatingAdd(rect->top, h);
      return h;
    }
    LICE_Canvas c;
    if (!c.Attach(bm)) return h;
    int x, y;
    AlignBox(*rect, fmt, w, h, &x, &y);
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
        LICE_FillRect(bm, bg.left, bg.top, bg.right - bg.left, bg.bottom - bg.top, f.m_bg,
                      f.m_alpha, f.m_comb);
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

  static void ClearGlyphs(LICE_CachedFont& f) {
    for (GlyphEntry& g : f.m_low_glyphs) g = GlyphEntry();
    f.m_ext_glyphs.Resize(0);
    f.m_glyph_data.Resize(0);
  }
};

// ---------------------------------------------------------------------------
// LICE_CachedFont
// ---------------------------------------------------------------------------

LICE_CachedFont::LICE_CachedFont() : m_ext_glyphs(64 * (int)sizeof(ExtGlyph)), m_glyph_data(16384) {}

LICE_CachedFont::~LICE_CachedFont() {
  if ((m_flags & LICE_FONT_FLAG_OWNS_HFONT) && m_font) DeleteObject(m_font);
}

void LICE_CachedFont::SetFromHFont(HGDIOBJ__* font, int flags) {
  if ((m_flags & LICE_FONT_FLAG_OWNS_HFONT) && m_font && m_font != font) DeleteObject(m_font);
  m_font = font;
  m_flags = flags;
  m_line_height = 0;
  LICE_CachedFontImpl::ClearGlyphs(*this);
  if (!font) return;

  LICE_SysBitmap* scratch = MeasureScratch();
  HDC__* dc = EnsureScratch(scratch, 4, 4) ? scratch->getDC() : nullptr;
  if (dc) {
    HGDIOBJ__* old = SelectObject(dc, font);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::SetBkColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, OPAQUE);
    TEXTMETRIC tm;
    if (GetTextMetrics(dc, &tm)) m_line_height = tm.tmHeight;
    LICE_CachedFontImpl::Restore(dc, old);
  }
  if (flags & LICE_FONT_FLAG_PRECALCALL)
    for (unsigned c = 0; c < 128; ++c) LICE_CachedFontImpl::Glyph(*this, c);
}

LICE_pixel LICE_CachedFont::SetTextColor(LICE_pixel color) {
  const LICE_pixel old = m_fg;
  m_fg = color;
  return old;
}

LICE_pixel LICE_CachedFont::SetBkColor(LICE_pixel color) {
  const LICE_pixel old = m_bg;
  m_bg = color;
  return old;
}

LICE_pixel LICE_CachedFont::SetEffectColor(LICE_pixel color) {
  const LICE_pixel old = m_effectcol;
  m_effectcol = color;
  return old;
}

int LICE_CachedFont::SetBkMode(int mode) {
  const int old = m_bgmode;
  m_bgmode = mode;
  return old;
}

void LICE_CachedFont::SetCombineMode(int mode, float alpha) {
  m_comb = mode;
  m_alpha = alpha;
}

int LICE_CachedFont::DrawText(LICE_IBitmap* bm, const char* str, int strcnt, RECT* rect,
                              unsigned int dtFlags) {
  if (!str || !rect || !m_font) return 0;
  const int len = TextLength(str, strcnt);
  if (len <= 0) return 0;
  if (LICE_CachedFontImpl::UsesNativePath(*this, dtFlags))
    return LICE_CachedFontImpl::DrawNative(*this, bm, str, len, rect, dtFlags);
  return LICE_CachedFontImpl::DrawCached(*this, bm, str, len, rect, dtFlags);
}
