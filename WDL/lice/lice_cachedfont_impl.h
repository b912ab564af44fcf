// Private to the cached font's two source files: the shared scratch bitmaps,
// text-box arithmetic, and the drawing code that reaches into LICE_CachedFont
// (its native path in lice_cachedfont.cpp, its glyph cache in lice_text.cpp).
#ifndef LICE_CACHEDFONT_IMPL_H_
#define LICE_CACHEDFONT_IMPL_H_

#include <climits>
#include <cstdint>

#include "lice.h"
#include "lice_canvas.h"

// Process-wide scratch bitmaps, made on first use and kept for the life of the
// process: one for measuring and rendering glyphs, one for drawing natively into
// bitmaps without a drawing context of their own.
LICE_SysBitmap* LICE_TextMeasureScratch();
LICE_SysBitmap* LICE_TextDrawScratch();
// Grows a scratch bitmap to at least w x h (never shrinks, never beyond 2048 x
// 2048); false when it cannot.
bool LICE_EnsureTextScratch(LICE_SysBitmap* bm, int w, int h);

static inline int LICE_BridgeColor(LICE_pixel c) {
  return RGB(LICE_GETR(c), LICE_GETG(c), LICE_GETB(c));
}

// a + b for a b >= 0, held at INT_MAX instead of overflowing.
static inline int LICE_SaturatingAdd(int a, int b) { return a > INT_MAX - b ? INT_MAX : a + b; }

// Where a text box of w x h goes inside r, by the alignment bits (the bridge's
// arithmetic, halves truncated toward zero). Computed wide and kept within
// +-2^30, so that extreme rectangles cannot overflow the box arithmetic that
// follows (such a box is off any bitmap anyway).
static inline void LICE_AlignTextBox(const RECT& r, unsigned fmt, int w, int h, int* x, int* y) {
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
struct LICE_TextBox {
  int left, top, right, bottom;
  bool Empty() const { return left >= right || top >= bottom; }
  void Intersect(const LICE_TextBox& o) {
    if (o.left > left) left = o.left;
    if (o.top > top) top = o.top;
    if (o.right < right) right = o.right;
    if (o.bottom < bottom) bottom = o.bottom;
  }
};

struct LICE_CachedFontImpl {
  typedef LICE_CachedFont::GlyphEntry GlyphEntry;
  typedef LICE_CachedFont::ExtGlyph ExtGlyph;
  typedef LICE_TextBox Box;

  // ---- Native path (lice_cachedfont.cpp) -------------------------------------

  static bool UsesNativePath(const LICE_CachedFont& f, unsigned fmt);
  // Selects the font into dc with the font's colours; returns what was selected.
  static HGDIOBJ__* Prepare(const LICE_CachedFont& f, HDC__* dc);
  static void Restore(HDC__* dc, HGDIOBJ__* old);
  static int DrawNative(LICE_CachedFont& f, LICE_IBitmap* bm, const char* str, int len, RECT* rect,
                        unsigned fmt);

  // ---- Glyph cache (lice_text.cpp) -------------------------------------------

  static int DrawCached(LICE_CachedFont& f, LICE_IBitmap* bm, const char* str, int len, RECT* rect,
                        unsigned fmt);
  static void ClearGlyphs(LICE_CachedFont& f);
  // The glyph for a code point, rendered on first use; null when out of memory.
  static const GlyphEntry* Glyph(LICE_CachedFont& f, unsigned cp);

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

 private:
  static GlyphEntry* FindGlyph(LICE_CachedFont& f, unsigned cp, bool create);
  static void RenderGlyph(LICE_CachedFont& f, unsigned cp, GlyphEntry* g);
  static int LineAdvance(const LICE_CachedFont& f);
  static int Turn(const LICE_CachedFont& f);
  static void Measure(LICE_CachedFont& f, const char* str, int len, unsigned fmt, int* w, int* h);
  template <class Fn>
  static void ForEachLine(const char* str, int len, unsigned fmt, Fn&& line);
  template <class Fn>
  static void ForEachGlyph(LICE_CachedFont& f, const char* str, int from, int to, Fn&& glyph);
  template <class Op>
  static void PutGlyph(const LICE_CachedFont& f, const LICE_Canvas& c, const Box& clip,
                       const GlyphEntry& g, int penU, int penV, const Placement& at,
                       const LICE_Source& s, int w);
  template <class Op>
  static void DrawGlyphRuns(LICE_CachedFont& f, const LICE_Canvas& c, const Box& clip,
                            const char* str, int len, unsigned fmt, const Placement& at,
                            const LICE_Source& s, int w);
};

#endif  // LICE_CACHEDFONT_IMPL_H_
