// The cached font with the real default face: measuring rules, alignment
// arithmetic, the native path into both bitmap kinds, and the glyph-cache path.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "guarded_bitmap.h"
#include "lice.h"

namespace {

const LICE_pixel kGrey = LICE_RGBA(40, 40, 40, 255);
const LICE_pixel kWhite = LICE_RGBA(255, 255, 255, 255);

HGDIOBJ__* MakeFont(int height) {
  return CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
}

// A font drawn natively (the way the framework loads its fonts).
struct NativeFont {
  LICE_CachedFont font;
  explicit NativeFont(int height,
                      int flags = LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE) {
    font.SetFromHFont(MakeFont(height), flags);
    font.SetTextColor(kWhite);
  }
};

// Width and height as the bridge itself measures the text.
void BridgeMeasure(const char* text, int height, int flags, int* w, int* h) {
  HDC__* dc = SWELL_CreateMemContext(nullptr, 8, 8);
  ASSERT_NE(dc, nullptr);
  HGDIOBJ__* font = MakeFont(height);
  HGDIOBJ__* old = SelectObject(dc, font);
  RECT r = {0, 0, 0, 0};
  *h = SWELL_DrawText(dc, text, -1, &r, flags | DT_CALCRECT);
  *w = r.right;
  SelectObject(dc, old);
  DeleteObject(font);
  SWELL_DeleteGfxContext(dc);
}

RECT Measure(LICE_CachedFont& f, const char* text, unsigned flags = 0, int left = 0, int top = 0) {
  RECT r = {left, top, left + 1000, top + 1000};
  f.DrawText(nullptr, text, -1, &r, flags | DT_CALCRECT);
  return r;
}

void Clear(LICE_IBitmap* bm, LICE_pixel c) {
  LICE_FillRect(bm, 0, 0, bm->getWidth(), bm->getHeight(), c, 1.0f, 0);
}

// Bounding box of the pixels that differ from the background; right and bottom
// exclusive, all zero when nothing changed.
RECT Ink(LICE_IBitmap* bm, LICE_pixel background) {
  RECT r = {0, 0, 0, 0};
  bool any = false;
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x)
      if (LICE_GetPixel(bm, x, y) != background) {
        if (!any || x < r.left) r.left = x;
        if (!any || y < r.top) r.top = y;
        if (!any || x + 1 > r.right) r.right = x + 1;
        if (!any || y + 1 > r.bottom) r.bottom = y + 1;
        any = true;
      }
  return r;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

// ---------------------------------------------------------------------------
// Loading a font
// ---------------------------------------------------------------------------

TEST(LiceCachedFont, LineHeightIsTheBridgesTextHeight) {
  NativeFont f(14);
  ASSERT_NE(f.font.GetHFont(), nullptr);
  HDC__* dc = SWELL_CreateMemContext(nullptr, 4, 4);
  HGDIOBJ__* old = SelectObject(dc, f.font.GetHFont());
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  SelectObject(dc, old);
  SWELL_DeleteGfxContext(dc);
  EXPECT_EQ(f.font.GetLineHeight(), tm.tmHeight);
  EXPECT_GT(f.font.GetLineHeight(), 12);
  EXPECT_LT(f.font.GetLineHeight(), 24);

  LICE_CachedFont none;
  none.SetFromHFont(nullptr, 0);
  EXPECT_EQ(none.GetLineHeight(), 0);
  RECT r = {0, 0, 10, 10};
  EXPECT_EQ(none.DrawText(nullptr, "x", -1, &r, DT_CALCRECT), 0);
}

// ---------------------------------------------------------------------------
// Measuring
// ---------------------------------------------------------------------------

TEST(LiceCachedFontMeasure, CalcRectStoresTheSizeAndMovesOnlyRightAndBottom) {
  NativeFont f(14);
  RECT r = {30, 40, 31, 41};
  const int h = f.font.DrawText(nullptr, "Threshold", -1, &r, DT_CALCRECT);
  int bw, bh;
  BridgeMeasure("Threshold", 14, DT_NOPREFIX, &bw, &bh);
  EXPECT_EQ(h, bh);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right, 30 + bw);
  EXPECT_EQ(r.bottom, 40 + h);
  EXPECT_GT(bw, 40);

  // Measuring draws nothing, even into a bitmap.
  LICE_MemBitmap bm(100, 40);
  Clear(&bm, kGrey);
  RECT r2 = {0, 0, 100, 40};
  f.font.DrawText(&bm, "Threshold", -1, &r2, DT_CALCRECT);
  EXPECT_EQ(Ink(&bm, kGrey).right, 0);
}

TEST(LiceCachedFontMeasure, AmpersandIsAnOrdinaryCharacter) {
  // The font draws with the bridge's no-prefix flag: "&&" stays two characters.
  NativeFont f(14);
  int w2, h2, w1, h1, wp, hp;
  BridgeMeasure("a&&b", 14, DT_NOPREFIX, &w2, &h2);
  BridgeMeasure("a&b", 14, DT_NOPREFIX, &w1, &h1);
  BridgeMeasure("a&&b", 14, 0, &wp, &hp);
  EXPECT_EQ(wp, w1);  // the bridge's own prefix rule, for contrast
  EXPECT_EQ(Measure(f.font, "a&&b").right, w2);
  EXPECT_EQ(Measure(f.font, "a&b").right, w1);
  EXPECT_GT(w2, w1);
}

TEST(LiceCachedFontMeasure, LengthLimitsAndEmptyInput) {
  NativeFont f(14);
  RECT he = Measure(f.font, "He");
  RECT r = {0, 0, 0, 0};
  EXPECT_EQ(f.font.DrawText(nullptr, "Hello", 2, &r, DT_CALCRECT), he.bottom);
  EXPECT_EQ(r.right, he.right);
  // A length past the terminating NUL stops at the NUL.
  r = RECT{0, 0, 0, 0};
  f.font.DrawText(nullptr, "He\0llo", 6, &r, DT_CALCRECT);
  EXPECT_EQ(r.right, he.right);

  r = RECT{1, 2, 3, 4};
  EXPECT_EQ(f.font.DrawText(nullptr, "", -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(f.font.DrawText(nullptr, "abc", 0, &r, DT_CALCRECT), 0);
  EXPECT_EQ(f.font.DrawText(nullptr, nullptr, -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(f.font.DrawText(nullptr, "abc", -1, nullptr, DT_CALCRECT), 0);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, 4);
}

// ---------------------------------------------------------------------------
// Drawing natively
// ---------------------------------------------------------------------------

// Centring: x = left + (right - left) / 2 - w / 2, each half truncated; likewise y.
TEST(LiceCachedFontDraw, CentredTextLandsInItsComputedBox) {
  NativeFont f(14);
  const RECT m = Measure(f.font, "Dry");
  const int w = m.right, h = m.bottom;
  LICE_SysBitmap bm(200, 60);
  Clear(&bm, kGrey);
  RECT r = {11, 7, 190, 52};
  f.font.DrawText(&bm, "Dry", -1, &r, DT_CENTER | DT_VCENTER);
  const int x = 11 + (190 - 11) / 2 - w / 2, y = 7 + (52 - 7) / 2 - h / 2;
  const RECT ink = Ink(&bm, kGrey);
  ASSERT_GT(ink.right, 0);
  EXPECT_TRUE(Inside(ink, RECT{x, y, x + w, y + h}))
      << ink.left << "," << ink.top << "," << ink.right << "," << ink.bottom << " vs " << x << ","
      << y << "," << x + w << "," << y + h;
  // Centred to within a pixel or two of side bearing.
  EXPECT_NEAR((ink.left + ink.right) / 2.0, x + w / 2.0, 2.0);
}

TEST(LiceCachedFontDraw, ClippedToTheRectangleUnlessNoClip) {
  NativeFont f(14);
  LICE_MemBitmap bm(120, 40);
  Clear(&bm, kGrey);
  RECT r = {10, 5, 25, 30};  // narrower than the text
  f.font.DrawText(&bm, "Selection", -1, &r, 0);
  EXPECT_TRUE(Inside(Ink(&bm, kGrey), r));

  Clear(&bm, kGrey);
  r = RECT{10, 5, 25, 30};
  f.font.DrawText(&bm, "Selection", -1, &r, DT_NOCLIP);
  EXPECT_GT(Ink(&bm, kGrey).right, 40);
}

// A bitmap without its own drawing context goes through the scratch bitmap; the
// result must be the same pixels the bridge draws into a context-backed bitmap.
TEST(LiceCachedFontDraw, MemoryBitmapMatchesSystemBitmap) {
  NativeFont f(14);
  LICE_SysBitmap sys(160, 50);
  LICE_MemBitmap mem(160, 50);
  Clear(&sys, kGrey);
  Clear(&mem, kGrey);
  const unsigned fmts[] = {0, DT_CENTER | DT_VCENTER, DT_RIGHT | DT_BOTTOM, DT_NOCLIP};
  for (unsigned fmt : fmts) {
    RECT a = {-5, 3, 150, 47}, b = a;
    f.font.DrawText(&sys, "Selection Size 1.2 kHz", -1, &a, fmt);
    f.font.DrawText(&mem, "Selection Size 1.2 kHz", -1, &b, fmt);
  }
  int differ = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 160; ++x)
      if (LICE_GetPixel(&sys, x, y) != LICE_GetPixel(&mem, x, y)) ++differ;
  EXPECT_EQ(differ, 0);
}

TEST(LiceCachedFontDraw, OpaqueBackgroundFillsTheTextBox) {
  NativeFont f(14);
  f.font.SetBkMode(OPAQUE);
  f.font.SetBkColor(LICE_RGBA(0, 0, 200, 255));
  LICE_SysBitmap bm(100, 40);
  Clear(&bm, kGrey);
  RECT r = {5, 5, 95, 35};
  f.font.DrawText(&bm, "Hz", -1, &r, 0);
  // The box's top-left corner is background, not ink.
  EXPECT_EQ(LICE_GETB(LICE_GetPixel(&bm, 5, 5)), 200);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&bm, 5, 5)), 0);
}

// ---------------------------------------------------------------------------
// The glyph-cache path (any font loaded without the native flag)
// ---------------------------------------------------------------------------

TEST(LiceCachedFontGlyphs, MeasuresCloseToTheNativeLayout) {
  NativeFont native(14);
  NativeFont cached(14, LICE_FONT_FLAG_OWNS_HFONT);
  const char* text = "Threshold -12.5 dB";
  const RECT a = Measure(native.font, text), b = Measure(cached.font, text);
  EXPECT_NEAR(b.bottom, a.bottom, 2);  // line pitch vs the bridge's rounding of the box
  EXPECT_NEAR(b.right, a.right, (int)strlen(text) / 2 + 1);  // per-glyph advance rounding
  const RECT two = Measure(cached.font, "a\nb\r\nc");
  EXPECT_EQ(two.bottom, 3 * cached.font.GetLineHeight());
  EXPECT_EQ(Measure(cached.font, "a\nb", DT_SINGLELINE).bottom, cached.font.GetLineHeight());
}

TEST(LiceCachedFontGlyphs, DrawsInsideItsBoxWithTheCombineMode) {
  NativeFont f(16, LICE_FONT_FLAG_OWNS_HFONT);
  const RECT m = Measure(f.font, "Knob 7");
  LICE_MemBitmap bm(120, 40);
  Clear(&bm, kGrey);
  RECT r = {0, 0, 120, 40};
  f.font.DrawText(&bm, "Knob 7", -1, &r, DT_CENTER | DT_VCENTER);
  const int x = 60 - m.right / 2, y = 20 - m.bottom / 2;
  const RECT ink = Ink(&bm, kGrey);
  ASSERT_GT(ink.right, 0);
  EXPECT_TRUE(Inside(ink, RECT{x - 2, y - 2, x + m.right + 2, y + m.bottom + 2}));
  bool full = false;  // glyph stems reach the full text colour
  for (int yy = ink.top; yy < ink.bottom; ++yy)
    for (int xx = ink.left; xx < ink.right; ++xx) full |= LICE_GetPixel(&bm, xx, yy) == kWhite;
  EXPECT_TRUE(full);

  // Weight 0 draws nothing; additive drawing only brightens.
  Clear(&bm, kGrey);
  f.font.SetCombineMode(LICE_BLIT_MODE_COPY, 0.0f);
  f.font.DrawText(&bm, "Knob 7", -1, &r, 0);
  EXPECT_EQ(Ink(&bm, kGrey).right, 0);
  f.font.SetCombineMode(LICE_BLIT_MODE_ADD, 1.0f);
  f.font.SetTextColor(LICE_RGBA(0, 100, 0, 0));
  f.font.DrawText(&bm, "Knob 7", -1, &r, 0);
  for (int yy = 0; yy < 40; ++yy)
    for (int xx = 0; xx < 120; ++xx) {
      const LICE_pixel p = LICE_GetPixel(&bm, xx, yy);
      ASSERT_EQ(LICE_GETR(p), 40);
      ASSERT_EQ(LICE_GETB(p), 40);
      ASSERT_GE(LICE_GETG(p), 40);
    }
}

TEST(LiceCachedFontGlyphs, NonAsciiAndMalformedText) {
  NativeFont f(14, LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_PRECALCALL);
  LICE_MemBitmap bm(200, 40);
  Clear(&bm, kGrey);
  RECT r = {2, 2, 200, 40};
  EXPECT_GT(f.font.DrawText(&bm, "\xc3\xa9t\xc3\xa9 \xe2\x82\xac 5", -1, &r, 0), 0);
  const RECT first = Ink(&bm, kGrey);
  EXPECT_GT(first.right, 20);
  // Drawing again from the cache gives the same pixels.
  LICE_MemBitmap again(200, 40);
  Clear(&again, kGrey);
  r = RECT{2, 2, 200, 40};
  f.font.DrawText(&again, "\xc3\xa9t\xc3\xa9 \xe2\x82\xac 5", -1, &r, 0);
  int differ = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) differ += LICE_GetPixel(&bm, x, y) != LICE_GetPixel(&again, x, y);
  EXPECT_EQ(differ, 0);
  // Broken sequences and a truncated one at the end are drawn as replacements, not read past.
  const char broken[] = {'a', (char)0xc3, 'b', (char)0xff, (char)0xe2, (char)0x82};
  r = RECT{2, 2, 200, 40};
  EXPECT_GT(f.font.DrawText(&bm, broken, (int)sizeof broken, &r, 0), 0);
}

TEST(LiceCachedFontGlyphs, RefreshingTheFontEmptiesTheCache) {
  LICE_CachedFont f;
  f.SetFromHFont(MakeFont(12), LICE_FONT_FLAG_OWNS_HFONT);
  const RECT small = Measure(f, "Wide text");
  f.SetFromHFont(MakeFont(24), LICE_FONT_FLAG_OWNS_HFONT);  // the first font is released
  const RECT big = Measure(f, "Wide text");
  EXPECT_GT(big.right, small.right * 3 / 2);
  EXPECT_GT(big.bottom, small.bottom * 3 / 2);
}

// ---------------------------------------------------------------------------
// Hostile input
// ---------------------------------------------------------------------------

TEST(LiceCachedFontHostile, ExtremeRectanglesAndEmptyBitmaps) {
  NativeFont native(14);
  NativeFont cached(14, LICE_FONT_FLAG_OWNS_HFONT);
  const RECT rects[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                        {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
                        {INT_MAX - 3, 0, INT_MAX, 10},
                        {-100000, -5, -99990, 5},
                        {0, 0, 0, 0},
                        {10, 10, 0, 0}};
  // Rectangles that leave no room inside the 50 x 20 bitmaps: clipped text draws nothing.
  const bool roomless[] = {false, true, true, true, true, true};
  const unsigned fmts[] = {0, DT_CENTER | DT_VCENTER, DT_RIGHT | DT_BOTTOM, DT_NOCLIP, DT_CALCRECT};
  const char* text = "Ag\nyW";
  for (LICE_CachedFont* f : {&native.font, &cached.font}) {
    const RECT size = Measure(*f, text);
    ASSERT_GT(size.right, 0);
    for (size_t k = 0; k < sizeof(rects) / sizeof(rects[0]); ++k)
      for (unsigned fmt : fmts) {
        // Bitmaps with and without a drawing context, over a guard band or with none at all.
        LICE_SysBitmap sys(50, 20), sysEmpty(0, 0);
        GuardedBitmap guarded(50, 20, kGrey);
        LICE_MemBitmap memEmpty(0, 0);
        Clear(&sys, kGrey);
        LICE_IBitmap* bitmaps[] = {&sys, &guarded, &sysEmpty, &memEmpty, nullptr};
        for (LICE_IBitmap* bm : bitmaps) {
          RECT r = rects[k];
          f->DrawText(bm, text, -1, &r, fmt);
          if (fmt == DT_CALCRECT) {
            // Only right and bottom move, by the text's size (clamped at the int limit).
            EXPECT_EQ(r.left, rects[k].left);
            EXPECT_EQ(r.top, rects[k].top);
            const long long right = (long long)rects[k].left + size.right;
            EXPECT_EQ(r.right, right > INT_MAX ? INT_MAX : right) << k;
          }
        }
        EXPECT_EQ(guarded.SpoiltGuardPixels(), 0) << k << " " << fmt;
        if (fmt == DT_CALCRECT || (roomless[k] && !(fmt & DT_NOCLIP))) {
          EXPECT_EQ(Ink(&sys, kGrey).right, 0) << k << " " << fmt << ": nothing drawn";
          EXPECT_EQ(Ink(&guarded, kGrey).right, 0) << k << " " << fmt << ": nothing drawn";
        }
        if (k == 0 && fmt == (DT_CENTER | DT_VCENTER)) {
          // Centred in the whole int plane: the text's lower right quarter reaches (0, 0).
          EXPECT_GT(Ink(&sys, kGrey).right, 0);
          EXPECT_GT(Ink(&guarded, kGrey).right, 0);
        }
      }
  }
}

TEST(LiceCachedFontGlyphs, VerticalTextTurnsTheBox) {
  NativeFont across(14, LICE_FONT_FLAG_OWNS_HFONT);
  NativeFont down(14, LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_VERTICAL);
  NativeFont up(
      14, LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_VERTICAL | LICE_FONT_FLAG_VERTICAL_BOTTOMUP);
  const RECT h = Measure(across.font, "Gain"), v = Measure(down.font, "Gain");
  EXPECT_EQ(v.right, h.bottom);
  EXPECT_EQ(v.bottom, h.right);

  // Top-to-bottom and bottom-to-top text are each other turned half a circle.
  const int ox = 20, oy = 20, w = v.right, hh = v.bottom;
  LICE_MemBitmap a(w + 40, hh + 40), b(w + 40, hh + 40);
  Clear(&a, kGrey);
  Clear(&b, kGrey);
  RECT r = {ox, oy, ox + w, oy + hh};
  down.font.DrawText(&a, "Gain", -1, &r, DT_NOCLIP);
  r = RECT{ox, oy, ox + w, oy + hh};
  up.font.DrawText(&b, "Gain", -1, &r, DT_NOCLIP);
  const RECT ink = Ink(&a, kGrey);
  ASSERT_GT(ink.right, 0);
  EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left);  // taller than wide
  for (int y = 0; y < hh + 40; ++y)
    for (int x = 0; x < w + 40; ++x) {
      const int tx = 2 * ox + w - 1 - x, ty = 2 * oy + hh - 1 - y;
      if (tx < 0 || ty < 0 || tx >= w + 40 || ty >= hh + 40) continue;
      ASSERT_EQ(LICE_GetPixel(&a, x, y), LICE_GetPixel(&b, tx, ty)) << x << "," << y;
    }
}

TEST(LiceCachedFontGlyphs, EffectsDrawUnderTheText) {
  NativeFont plain(16, LICE_FONT_FLAG_OWNS_HFONT);
  NativeFont shadow(16, LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FX_SHADOW);
  NativeFont mono(16, LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FX_MONO);
  const LICE_pixel red = LICE_RGBA(255, 0, 0, 255);
  shadow.font.SetEffectColor(red);
  LICE_MemBitmap a(80, 30), b(80, 30), m(80, 30);
  Clear(&a, kGrey);
  Clear(&b, kGrey);
  Clear(&m, kGrey);
  RECT r = {2, 2, 80, 30};
  plain.font.DrawText(&a, "Wet", -1, &r, 0);
  shadow.font.DrawText(&b, "Wet", -1, &r, 0);
  mono.font.DrawText(&m, "Wet", -1, &r, 0);
  int shadowOnly = 0, partial = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      const LICE_pixel pa = LICE_GetPixel(&a, x, y), pb = LICE_GetPixel(&b, x, y);
      if (pa == kWhite) {
        EXPECT_EQ(pb, kWhite);  // the text itself stays on top
      }
      if (pa == kGrey && pb != kGrey && LICE_GETR(pb) > LICE_GETG(pb)) ++shadowOnly;
      const LICE_pixel pm = LICE_GetPixel(&m, x, y);
      if (pm != kGrey && pm != kWhite) ++partial;
    }
  EXPECT_GT(shadowOnly, 5);
  EXPECT_EQ(partial, 0);  // monochrome glyphs have no grey edges
}

// Through the scratch bitmap the text is copied back at the font's weight, scaled
// by the text colour's alpha when asked to.
TEST(LiceCachedFontDraw, ForegroundAlphaScalesTheCopyBack) {
  NativeFont f(14);
  f.font.SetTextColor(LICE_RGBA(255, 255, 255, 0));  // fully transparent text colour
  LICE_MemBitmap bm(100, 30);
  Clear(&bm, kGrey);
  RECT r = {0, 0, 100, 30};
  f.font.DrawText(&bm, "Wet", -1, &r, LICE_DT_USEFGALPHA);
  EXPECT_EQ(Ink(&bm, kGrey).right, 0);
  f.font.DrawText(&bm, "Wet", -1, &r, 0);  // the colour's alpha is ignored without the flag
  EXPECT_GT(Ink(&bm, kGrey).right, 0);
}
