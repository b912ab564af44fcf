// Measuring and drawing text with the real default font: the measuring rules, the "&" and
// line-feed rules, alignment arithmetic, clipping, colour by coverage and bad input.
#include <gtest/gtest.h>

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <atomic>
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "swell-fontcache.h"
#include "swell-gdi-internalpool.h"
#include "swell-gdi.h"
#include "swell-glyphcache.h"
#include "swell-glyphs.h"
#include "swell-utf8.h"

namespace {

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
  bool empty() const { return left > right; }
};

class SwellText : public ::testing::Test {
 protected:
  static constexpr int kW = 200, kH = 120;
  void SetUp() override {
    dc = SWELL_CreateMemContext(nullptr, kW, kH);
    ASSERT_NE(dc, nullptr);
    px = static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(dc));
    font = SWELL_GetFallbackFont();
    ASSERT_NE(font, nullptr);
    const SWELL_FontMetrics& m = font->metrics;
    extent = double(m.ascent) + m.descent + m.leading;
    lineHeight = int(floor(extent + 1.5));
  }
  void TearDown() override { SWELL_DeleteGfxContext(dc); }

  void Clear() { memset(px, 0, size_t(kW) * kH * 4); }
  const unsigned char* At(int x, int y) const { return px + (y * kW + x) * 4; }

  // Width and height that DT_CALCRECT reports, checking that only right and bottom move.
  RECT Calc(const char* text, int flags = 0, int len = -1) {
    RECT r = {7, 9, -100, -100};
    const int h = SWELL_DrawText(dc, text, len, &r, flags | DT_CALCRECT);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.top, 9);
    if (h == 0) {
      EXPECT_EQ(r.right, -100) << "nothing laid out: the rectangle stays";
      EXPECT_EQ(r.bottom, -100);
      return {0, 0, 0, 0};
    }
    EXPECT_EQ(r.bottom - r.top, h);
    return {0, 0, r.right - r.left, r.bottom - r.top};
  }

  // Pixels that text or background touched (their alpha byte is set; the context starts at 0).
  Box Ink() const {
    Box b;
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++)
        if (At(x, y)[0]) {
          if (x < b.left) b.left = x;
          if (x > b.right) b.right = x;
          if (y < b.top) b.top = y;
          if (y > b.bottom) b.bottom = y;
        }
    return b;
  }

  Box DrawInk(const char* text, RECT r, int flags) {
    Clear();
    SWELL_DrawText(dc, text, -1, &r, flags);
    return Ink();
  }

  HDC dc = nullptr;
  unsigned char* px = nullptr;
  SWELL_FontInstance* font = nullptr;
  double extent = 0;
  int lineHeight = 0;
};

// ---- Measuring -------------------------------------------------------------------------

TEST_F(SwellText, SingleLineHeightFollowsTheFontMetrics) {
  const RECT r = Calc("Hello");
  EXPECT_EQ(r.bottom, lineHeight + 1);
  EXPECT_GT(r.right, 15);
  EXPECT_LT(r.right, 50);
  EXPECT_EQ(Calc("x").bottom, Calc("Xy|g").bottom) << "height does not depend on the glyphs";
}

TEST_F(SwellText, WidthsAreRoundedTypographicWidths) {
  const int one = Calc("abc").right, two = Calc("abcabc").right;
  EXPECT_NEAR(two, 2 * one, 1);
  EXPECT_LT(Calc("iii").right, Calc("WWW").right);
  EXPECT_GT(Calc("a b").right, Calc("ab").right) << "spaces count";
  EXPECT_GT(Calc("ab  ").right, Calc("ab").right) << "trailing spaces count";
  // Kerning where the font has it: "AV" is tighter than "A" and "V" apart.
  const uint32_t av[] = {'A', 'V'};
  const double sum = SWELL_MeasureLine(font, av, 1) + SWELL_MeasureLine(font, av + 1, 1);
  EXPECT_LT(SWELL_MeasureLine(font, av, 2), sum);
}

TEST_F(SwellText, AmpersandRuleAndNoPrefixFlag) {
  EXPECT_EQ(Calc("a&&b").right, Calc("a&b", DT_NOPREFIX).right) << "two & draw one";
  EXPECT_EQ(Calc("&File").right, Calc("File").right) << "& marks the next character";
  EXPECT_GT(Calc("a&&b", DT_NOPREFIX).right, Calc("a&b", DT_NOPREFIX).right) << "0x80 keeps both";
  EXPECT_EQ(Calc("ab&").right, Calc("ab").right) << "a final & vanishes";
  EXPECT_EQ(Calc("&").bottom, 0) << "nothing left to lay out";
  EXPECT_EQ(Calc("a&&&b").right, Calc("a&b", DT_NOPREFIX).right);
  EXPECT_EQ(Calc("a&b", 0, 2).right, Calc("a").right) << "the & at the length limit ends the text";
  // The marked character is copied unchanged, line breaks included.
  EXPECT_EQ(Calc("ab&\nc", DT_SINGLELINE).bottom, 2 * lineHeight + 1) << "a marked line feed stays one";
  EXPECT_EQ(Calc("ab\nc", DT_SINGLELINE).bottom, lineHeight + 1);
  EXPECT_EQ(Calc("&\r").bottom, lineHeight + 1) << "a marked carriage return is kept: the text is not empty";
  EXPECT_EQ(Calc("&\r&\r\r").right, 0) << "and takes no room";
  EXPECT_EQ(Calc("\r", 0).bottom, 0);
  EXPECT_EQ(Calc("&\n", DT_NOPREFIX | DT_SINGLELINE).right, Calc("& ", DT_NOPREFIX).right);
}

TEST_F(SwellText, CarriageReturnsAreDroppedAndLengthLimits) {
  EXPECT_EQ(Calc("ab\r\r").right, Calc("ab").right);
  EXPECT_EQ(Calc("\r").bottom, 0);
  EXPECT_EQ(Calc("abcdef", 0, 3).right, Calc("abc").right);
  EXPECT_EQ(Calc("abc", 0, 100).right, Calc("abc").right) << "a length past the NUL stops at the NUL";
  EXPECT_EQ(Calc("abc", 0, 0).bottom, 0);
}

TEST_F(SwellText, LineFeedsMakeLinesUnlessSingleLine) {
  const RECT two = Calc("wide line\nab");
  EXPECT_EQ(two.bottom, 2 * lineHeight + 1);
  EXPECT_EQ(two.right, Calc("wide line").right) << "the widest line";
  EXPECT_EQ(Calc("a\r\nb").bottom, two.bottom);
  const RECT three = Calc("a\n\nb");
  EXPECT_EQ(three.bottom, 3 * lineHeight + 1) << "an empty line in between counts";
  EXPECT_EQ(Calc("a\n").bottom, lineHeight + 1) << "a final line feed opens no line";

  const RECT single = Calc("wide line\nab", DT_SINGLELINE);
  EXPECT_EQ(single.bottom, lineHeight + 1);
  EXPECT_EQ(single.right, Calc("wide line ab").right) << "the line feed became a space";
}

TEST_F(SwellText, MultiLineTextIsLaidOutInABoxOfOneHundredThousandPixels) {
  HFONT huge = CreateFont(-8192, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  SelectObject(dc, huge);
  SWELL_FontInstance* f = huge->ct_font;
  const double e = double(f->metrics.ascent) + f->metrics.descent + f->metrics.leading;
  const int lh = int(floor(e + 1.5));

  // Lines below the box are not laid out: only as many as fit count.
  std::string many;
  for (int i = 0; i < 30; i++) many += "a\n";
  const int fit = int(100000 / e);
  ASSERT_LT(fit, 30);
  EXPECT_EQ(Calc(many.c_str()).bottom, fit * lh + 1);
  EXPECT_EQ(Calc("a").bottom, lh + 1) << "a single line is not boxed";

  // A word wider than the box breaks between characters.
  const uint32_t wch[] = {'W'};
  const double wW = SWELL_MeasureLine(f, wch, 1);
  const int perLine = int(100000 / wW);
  ASSERT_LT(perLine, 20);
  const RECT word = Calc("WWWWWWWWWWWWWWWWWWWW\nx");
  const int wordLines = (20 + perLine - 1) / perLine;
  EXPECT_EQ(word.bottom, (wordLines + 1) * lh + 1);
  EXPECT_LE(word.right, 100000);

  // Words wrap whole, the space after the last one staying on its line.
  const char* words = "WWW WWW WWW WWW WWW WWW WWW\nx";
  const uint32_t first[] = {'W', 'W', 'W', ' ', 'W', 'W', 'W', ' ', 'W', 'W', 'W', ' '};
  const double firstWidth = SWELL_MeasureLine(f, first, 12);
  ASSERT_LT(firstWidth, 100000);
  ASSERT_GT(firstWidth + 3 * wW, 100000) << "a fourth word does not fit";
  const RECT wrapped = Calc(words);
  EXPECT_EQ(wrapped.right, int(floor(firstWidth + 0.5)));
  EXPECT_EQ(wrapped.bottom, 4 * lh + 1) << "3 + 3 + 1 words, then x";

  SelectObject(dc, reinterpret_cast<HGDIOBJ>(3));
  DeleteObject(huge);
}

// ---- Positioning -----------------------------------------------------------------------

TEST_F(SwellText, HorizontalAlignmentArithmetic) {
  const char* text = "Tone";
  const int w = Calc(text).right;
  for (int width : {61, 62, 101}) {
    const RECT r = {10, 10, 10 + width, 60};
    const Box left = DrawInk(text, r, DT_NOCLIP);
    ASSERT_FALSE(left.empty());
    const Box centre = DrawInk(text, r, DT_CENTER | DT_NOCLIP);
    EXPECT_EQ(centre.left - left.left, width / 2 - w / 2) << width;
    EXPECT_EQ(centre.top, left.top);
    const Box right = DrawInk(text, r, DT_RIGHT | DT_CENTER | DT_NOCLIP);
    EXPECT_EQ(right.left - left.left, width - w) << "right wins over centre";
  }
}

TEST_F(SwellText, CentringTruncatesTowardZero) {
  // A rectangle narrower than the text: (right - left) / 2 - w / 2 is negative.
  const char* text = "Wide text here";
  const int w = Calc(text).right;
  const RECT r = {60, 10, 65, 40};
  const Box left = DrawInk(text, r, DT_NOCLIP);
  const Box centre = DrawInk(text, r, DT_CENTER | DT_NOCLIP);
  EXPECT_EQ(centre.left - left.left, 5 / 2 - w / 2);
}

TEST_F(SwellText, VerticalAlignmentArithmetic) {
  const char* text = "Hg";
  const int h = Calc(text).bottom;
  for (int height : {41, 42, 77}) {
    const RECT r = {5, 3, 150, 3 + height};
    const Box top = DrawInk(text, r, 0);
    ASSERT_FALSE(top.empty());
    const Box mid = DrawInk(text, r, DT_VCENTER);
    EXPECT_EQ(mid.top - top.top, height / 2 - h / 2) << height;
    EXPECT_EQ(mid.left, top.left);
    const Box bottom = DrawInk(text, r, DT_BOTTOM | DT_VCENTER);
    EXPECT_EQ(bottom.top - top.top, height - h) << "bottom wins over centre";
  }
}

TEST_F(SwellText, LinesStepByTheirRoundedHeightFromTheSameX) {
  const RECT r = {20, 5, 190, 110};
  const Box first = DrawInk("H", r, 0);
  const Box both = DrawInk("H\nH", r, 0);
  const int step = int(floor(extent + 0.5));
  EXPECT_EQ(both.top, first.top);
  EXPECT_EQ(both.bottom, first.bottom + step);
  EXPECT_EQ(both.left, first.left);
  EXPECT_EQ(both.right, first.right);
}

TEST_F(SwellText, MarksAboveTheAscentOfALineBelowTheClipAreDrawn) {
  HFONT f = CreateFont(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  SelectObject(dc, f);
  const SWELL_FontMetrics& m = f->ct_font->metrics;
  const int step = int(floor(double(m.ascent) + m.descent + m.leading + 0.5));
  // A capital with ring and acute reaches above the ascent in common fonts.
  const char* tall = "\xc7\xba";
  RECT probe = {0, 20, kW, kH};
  Clear();
  SWELL_DrawText(dc, tall, -1, &probe, DT_NOCLIP);
  const Box alone = Ink();
  ASSERT_FALSE(alone.empty());
  if (alone.top >= 20) GTEST_SKIP() << "the installed font keeps this glyph below its ascent";
  // The second line starts exactly at the clip's bottom edge; its marks above the ascent
  // reach into the clip.
  const RECT r = {0, 10, kW, 10 + step};
  DrawInk("a\n", r, 0);
  const std::vector<unsigned char> firstOnly(px, px + kW * kH * 4);
  const Box both = DrawInk((std::string("a\n") + tall).c_str(), r, 0);
  EXPECT_NE(memcmp(px, firstOnly.data(), firstOnly.size()), 0);
  EXPECT_LT(both.bottom, 10 + step) << "and stay inside it";
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(3));
  DeleteObject(f);
}

TEST_F(SwellText, ClipsToTheRectangleUnlessNoClip) {
  const RECT r = {10, 10, 30, 40};
  const Box clipped = DrawInk("A long line of text", r, 0);
  ASSERT_FALSE(clipped.empty());
  EXPECT_GE(clipped.left, 10);
  EXPECT_LE(clipped.right, 29);
  const Box free = DrawInk("A long line of text", r, DT_NOCLIP);
  EXPECT_GT(free.right, 29);
  // Drawing partly off the context stays inside it.
  const Box edge = DrawInk("Edge of the world", {kW - 20, kH - 5, kW + 50, kH + 50}, DT_NOCLIP);
  EXPECT_LE(edge.right, kW - 1);
  EXPECT_LE(edge.bottom, kH - 1);
}

// ---- Pixels ------------------------------------------------------------------------------

TEST_F(SwellText, ColouredTextBlendsByCoverage) {
  // Large enough for stems with fully covered pixels.
  HFONT f = CreateFont(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  SelectObject(dc, f);
  SetTextColor(dc, 0xff0000);
  const Box ink = DrawInk("Coverage Og", {0, 0, kW, kH}, 0);
  ASSERT_FALSE(ink.empty());
  int full = 0, partial = 0;
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++) {
      const unsigned char* p = At(x, y);
      EXPECT_EQ(p[2], 0);
      EXPECT_EQ(p[3], 0);
      if (p[0] == 0) {
        EXPECT_EQ(p[1], 0) << "untouched pixels stay as they were";
        continue;
      }
      EXPECT_EQ(p[0], 255) << "drawn pixels are opaque";
      if (p[1] == 255) full++;
      else if (p[1] > 0) partial++;
    }
  EXPECT_GT(full, 10);
  EXPECT_GT(partial, 10) << "antialiased edges";

  // Over a coloured background the blend moves each channel toward the text colour.
  for (int i = 0; i < kW * kH; i++) {
    px[i * 4 + 0] = 7;
    px[i * 4 + 1] = 0;
    px[i * 4 + 2] = 200;
    px[i * 4 + 3] = 100;
  }
  RECT r = {0, 0, kW, kH};
  SWELL_DrawText(dc, "Coverage Og", -1, &r, 0);
  int changed = 0;
  for (int i = 0; i < kW * kH; i++) {
    const unsigned char* p = px + i * 4;
    if (p[0] == 7) continue;
    changed++;
    // red rises by the same fraction that green and blue fall
    const double f = p[1] / 255.0;
    EXPECT_NEAR(p[2], 200 * (1 - f), 1.5);
    EXPECT_NEAR(p[3], 100 * (1 - f), 1.5);
  }
  EXPECT_GT(changed, 20);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(3));
  DeleteObject(f);
}

TEST_F(SwellText, QualityThreeDrawsWithoutAntialiasing) {
  HFONT mono = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, "Verdana");
  HFONT smooth = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, "Verdana");
  SetTextColor(dc, 0xffffff);
  auto partialPixels = [&](HFONT f) {
    SelectObject(dc, f);
    DrawInk("Smooth curves Og", {0, 0, kW, kH}, 0);
    int n = 0;
    for (int i = 0; i < kW * kH; i++)
      if (px[i * 4 + 1] > 0 && px[i * 4 + 1] < 255) n++;
    return n;
  };
  EXPECT_EQ(partialPixels(mono), 0);
  EXPECT_GT(partialPixels(smooth), 10);
  EXPECT_FALSE(Ink().empty());
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(3));
  DeleteObject(mono);
  DeleteObject(smooth);
}

TEST_F(SwellText, OpaqueModeFillsTheTextBox) {
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, 0x00ff00);
  SetTextColor(dc, 0x0000ff);
  const RECT m = Calc("Box");
  const Box ink = DrawInk("Box", {10, 20, 190, 110}, 0);
  EXPECT_EQ(ink.left, 10);
  EXPECT_EQ(ink.top, 20);
  EXPECT_EQ(ink.right, 10 + m.right - 1);
  EXPECT_EQ(ink.bottom, 20 + m.bottom - 1);
  const unsigned char* corner = At(10, 20);
  EXPECT_EQ(corner[1], 0);
  EXPECT_EQ(corner[2], 255);
  EXPECT_EQ(corner[3], 0);
  SetBkMode(dc, TRANSPARENT);
  const Box plain = DrawInk("Box", {10, 20, 190, 110}, 0);
  EXPECT_GT(plain.top, 20) << "without the background only glyphs are drawn";
}

TEST_F(SwellText, SelectedFontIsUsedAndDeletedFontFallsBack) {
  const int fallbackWidth = Calc("Size").right;
  HFONT big = CreateFont(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  SelectObject(dc, big);
  const RECT r = Calc("Size");
  EXPECT_GT(r.right, fallbackWidth * 2);
  EXPECT_EQ(r.bottom, int(floor(double(big->ct_font->metrics.ascent) + big->ct_font->metrics.descent +
                                big->ct_font->metrics.leading + 1.5)) + 1);
  // Deleted while still selected: the context falls back instead of using a dead record.
  SWELL_GDP_EmptyFreeLists();  // so the record stays on the free list
  DeleteObject(big);
  EXPECT_EQ(Calc("Size").right, fallbackWidth);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(3));
}

// ---- Bad input ---------------------------------------------------------------------------

TEST_F(SwellText, NullAndEmptyInputsReturnZero) {
  RECT r = {0, 0, 50, 50};
  EXPECT_EQ(SWELL_DrawText(nullptr, "x", -1, &r, 0), 0);
  EXPECT_EQ(SWELL_DrawText(dc, nullptr, -1, &r, 0), 0);
  EXPECT_EQ(SWELL_DrawText(dc, "x", -1, nullptr, 0), 0);
  EXPECT_EQ(SWELL_DrawText(dc, "", -1, &r, 0), 0);
  HDC dead = SWELL_CreateMemContext(nullptr, 2, 2);
  SWELL_DeleteGfxContext(dead);
  EXPECT_EQ(SWELL_DrawText(dead, "x", -1, &r, 0), 0);
}

TEST_F(SwellText, InvalidUtf8LaysOutNothingAndDrawsNothing) {
  const char* bad[] = {"\xff", "ab\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "x\x80y"};
  for (const char* s : bad) {
    Clear();
    RECT r = {0, 0, kW, kH};
    EXPECT_EQ(SWELL_DrawText(dc, s, -1, &r, 0), 0) << s;
    EXPECT_TRUE(Ink().empty());
  }
  // Cutting a character in half with the length is the caller's choice, and as invalid.
  RECT r = {0, 0, kW, kH};
  EXPECT_EQ(SWELL_DrawText(dc, "\xc3\xa9", 1, &r, 0), 0);
  EXPECT_GT(SWELL_DrawText(dc, "\xc3\xa9\xe2\x82\xac", -1, &r, 0), 0) << "well-formed multi-byte text";
}

TEST_F(SwellText, VeryLongTextIsCutAtACharacterBoundary) {
  std::string ascii(10000, 'x');
  EXPECT_EQ(Calc(ascii.c_str()).right, Calc(ascii.substr(0, 4095).c_str()).right) << "at most 4095 bytes";
  std::string accents;
  for (int i = 0; i < 3000; i++) accents += "\xc3\xa9";  // 4095 falls inside a character
  const RECT r = Calc(accents.c_str());
  EXPECT_EQ(r.bottom, lineHeight + 1);
  EXPECT_EQ(r.right, Calc(accents.substr(0, 4094).c_str()).right);
  const std::string malformed = std::string(4094, 'x') + "\xc3";  // ends inside a character by itself
  EXPECT_EQ(Calc(malformed.c_str()).bottom, 0) << "only a cut made by the buffer is mended";
  std::string lines;
  for (int i = 0; i < 3000; i++) lines += "a\n";
  RECT big = {0, 0, kW, kH};
  EXPECT_GT(SWELL_DrawText(dc, lines.c_str(), -1, &big, 0), kH);
}

TEST_F(SwellText, ExtremeRectanglesAndSizesDoNotCrash) {
  const RECT rects[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
                        {INT_MAX - 5, 0, INT_MAX, 10},        {0, INT_MIN, 10, INT_MIN + 5},
                        {50, 50, 40, 40}};
  const int flagSets[] = {0, DT_CENTER | DT_VCENTER, DT_RIGHT | DT_BOTTOM, DT_NOCLIP,
                          DT_NOCLIP | DT_CENTER | DT_VCENTER, DT_CALCRECT};
  for (const RECT& rect : rects)
    for (int flags : flagSets) {
      RECT r = rect;
      EXPECT_GT(SWELL_DrawText(dc, "Extreme\ntext", -1, &r, flags), 0);
    }
  HFONT huge = CreateFont(8192, 0, 0, 0, FW_BOLD, 1, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  SelectObject(dc, huge);
  RECT r = {-3000, -3000, kW, kH};
  EXPECT_GT(SWELL_DrawText(dc, "W@", -1, &r, DT_NOCLIP), 8192);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(3));
  DeleteObject(huge);
}

TEST(SwellUtf8, DecodesWellFormedAndRejectsTheRest) {
  uint32_t out[8];
  EXPECT_EQ(SWELL_DecodeUTF8("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb5", 10, out, 8), 4);
  EXPECT_EQ(out[0], 0x61u);
  EXPECT_EQ(out[1], 0xe9u);
  EXPECT_EQ(out[2], 0x20acu);
  EXPECT_EQ(out[3], 0x1f3b5u);
  EXPECT_EQ(SWELL_DecodeUTF8("abc", 3, out, 2), -1) << "does not fit";
  EXPECT_EQ(SWELL_DecodeUTF8("a\xc3\xa9", 3, nullptr, 0), 2) << "checking and counting only";
  EXPECT_EQ(SWELL_DecodeUTF8("a\xc3", 2, nullptr, 0), -1);
  EXPECT_EQ(SWELL_DecodeUTF8("", 0, out, 8), 0);
  EXPECT_EQ(SWELL_DecodeUTF8(nullptr, 1, out, 8), -1);
  EXPECT_EQ(SWELL_DecodeUTF8("\xe0\x80\x80", 3, out, 8), -1) << "overlong";
  EXPECT_EQ(SWELL_DecodeUTF8("\xf8\x88\x80\x80\x80", 5, out, 8), -1);

  EXPECT_EQ(SWELL_UTF8CompletePrefix("ab\xc3", 3), 2);
  EXPECT_EQ(SWELL_UTF8CompletePrefix("ab\xc3\xa9", 4), 4);
  EXPECT_EQ(SWELL_UTF8CompletePrefix("\xf0\x9f\x8e", 3), 0);
  EXPECT_EQ(SWELL_UTF8CompletePrefix("\xf0\x9f\x8e\xb5", 4), 4);
  EXPECT_EQ(SWELL_UTF8CompletePrefix("abc", 0), 0);
}

}  // namespace

// ---- Glyph cache -------------------------------------------------------------------------

namespace {

TEST(SwellGlyphCache, RedrawingFromTheCacheGivesTheSamePixels) {
  HDC a = SWELL_CreateMemContext(nullptr, 160, 40), b = SWELL_CreateMemContext(nullptr, 160, 40);
  HFONT f = CreateFont(-15, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Cache Test Face");
  SelectObject(a, f);
  SelectObject(b, f);
  SetTextColor(a, 0x80ff40);
  SetTextColor(b, 0x80ff40);
  const int before = SWELL_GlyphCacheSize(f->ct_font->glyphs);
  RECT r = {3, 2, 160, 40};
  SWELL_DrawText(a, "Quartz jumbles", -1, &r, 0);
  const int after = SWELL_GlyphCacheSize(f->ct_font->glyphs);
  EXPECT_GT(after, before);
  SWELL_DrawText(b, "Quartz jumbles", -1, &r, 0);
  EXPECT_EQ(SWELL_GlyphCacheSize(f->ct_font->glyphs), after) << "nothing new to render";
  EXPECT_EQ(memcmp(SWELL_GetCtxFrameBuffer(a), SWELL_GetCtxFrameBuffer(b), 160 * 40 * 4), 0);
  SWELL_DeleteGfxContext(a);
  SWELL_DeleteGfxContext(b);
  DeleteObject(f);
}

TEST(SwellGlyphCache, HugeGlyphsAreDrawnClippedWithoutCaching) {
  HDC dc = SWELL_CreateMemContext(nullptr, 100, 100);
  HFONT f = CreateFont(-1000, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  SelectObject(dc, f);
  const int before = SWELL_GlyphCacheSize(f->ct_font->glyphs);
  RECT r = {-300, -700, 100, 100};  // a huge full block covers the context
  EXPECT_GT(SWELL_DrawText(dc, "\xe2\x96\x88", -1, &r, 0), 1000);
  EXPECT_EQ(SWELL_GlyphCacheSize(f->ct_font->glyphs), before);
  const unsigned char* px = static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(dc));
  int drawn = 0;
  for (int i = 0; i < 100 * 100; i++) drawn += px[i * 4] != 0;
  EXPECT_EQ(drawn, 100 * 100);
  SWELL_DeleteGfxContext(dc);
  DeleteObject(f);
}

}  // namespace

// ---- Threads -------------------------------------------------------------------------------

namespace {

TEST(SwellThreads, ContextsOnSeveralThreadsShareFontsSafely) {
  // Each thread owns its context; the font cache, glyph cache and pools are shared.
  auto render = [](int size, std::vector<unsigned char>* out) {
    HDC dc = SWELL_CreateMemContext(nullptr, 120, 30);
    HFONT f = CreateFont(-size, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
    SelectObject(dc, f);
    SetTextColor(dc, 0xffffff);
    RECT r = {0, 0, 120, 30};
    SWELL_DrawText(dc, "Shared 0123", -1, &r, DT_CENTER);
    const unsigned char* px = static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(dc));
    out->assign(px, px + 120 * 30 * 4);
    SWELL_DeleteGfxContext(dc);
    DeleteObject(f);
  };
  std::vector<unsigned char> reference[3];
  for (int s = 0; s < 3; s++) render(11 + s, &reference[s]);

  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; t++)
    threads.emplace_back([&, t] {
      std::vector<unsigned char> got;
      for (int i = 0; i < 60; i++) {
        const int s = (i + t) % 3;
        render(11 + s, &got);
        if (got != reference[s]) mismatches++;
      }
    });
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
}


// ---- Characters the chosen face lacks ---------------------------------------------------

// Text in a "Verdana" font that the installed sans (DejaVu here) cannot draw by itself: the
// missing characters come from another installed face, measured and drawn alike.
class SwellFallback : public ::testing::Test {
 protected:
  static constexpr int kW = 240, kH = 60, kSize = 20;
  void SetUp() override {
    dc = SWELL_CreateMemContext(nullptr, kW, kH);
    ASSERT_NE(dc, nullptr);
    verdana = CreateFont(-kSize, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
    ASSERT_NE(verdana, nullptr);
    ASSERT_NE(verdana->ct_font, nullptr);
    SelectObject(dc, verdana);
    SetTextColor(dc, 0xffffff);
  }
  void TearDown() override {
    SelectObject(dc, SWELL_MARKER_FONT);
    DeleteObject(verdana);
    SWELL_DeleteGfxContext(dc);
  }
  // Ink (red byte) summed per column after drawing text at (2, 4); rows don't matter, so
  // faces with different ascents compare equal when they draw the same glyphs.
  std::vector<int> ColumnInk(HFONT font, const char* text) {
    SelectObject(dc, font);
    unsigned char* px = static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(dc));
    memset(px, 0, size_t(kW) * kH * 4);
    RECT r = {2, 4, kW, kH};
    EXPECT_GT(SWELL_DrawText(dc, text, -1, &r, DT_NOCLIP), 0) << text;
    std::vector<int> ink(kW, 0);
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++) ink[x] += px[(y * kW + x) * 4 + 1];
    SelectObject(dc, verdana);
    return ink;
  }
  int Width(const char* text) {
    RECT r = {0, 0, 0, 0};
    SWELL_DrawText(dc, text, -1, &r, DT_CALCRECT);
    return r.right;
  }
  static std::vector<uint32_t> CodePoints(const char* text) {
    std::vector<uint32_t> cps(strlen(text) + 1);
    const int n = SWELL_DecodeUTF8(text, int(strlen(text)), cps.data(), int(cps.size()));
    cps.resize(n > 0 ? size_t(n) : 0);
    return cps;
  }
  HDC dc = nullptr;
  HFONT verdana = nullptr;
};

constexpr const char* kChinese = "\xe4\xb8\xad\xe6\x96\x87";  // two Han characters
constexpr const char* kNowhere = "\xf4\x8f\xbf\xbd";          // U+10FFFD, private use: no face has it

TEST_F(SwellFallback, HanTextInVerdanaDrawsTheFallbackFacesGlyphs) {
  ASSERT_EQ(FT_Get_Char_Index(verdana->ct_font->face, 0x4e2d), 0u) << "the chosen face has Han itself";
  HFONT han = CreateFont(-kSize, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "WenQuanYi Micro Hei");
  ASSERT_NE(FT_Get_Char_Index(han->ct_font->face, 0x4e2d), 0u) << "a face with Han is installed (bootstrap)";

  // The same glyphs as the Han face draws by itself, not the missing-character boxes.
  const std::vector<int> fallback = ColumnInk(verdana, kChinese);
  EXPECT_EQ(fallback, ColumnInk(han, kChinese));
  const std::string boxes = std::string(kNowhere) + kNowhere;
  EXPECT_NE(fallback, ColumnInk(verdana, boxes.c_str()));

  // Widths come from the fallback face's advances; mixed text adds up face by face.
  const std::vector<uint32_t> cps = CodePoints(kChinese);
  const float hanWidth = SWELL_MeasureLine(han->ct_font, cps.data(), int(cps.size()));
  EXPECT_EQ(Width(kChinese), int(floorf(hanWidth + 0.5f)));
  const std::string mixed = std::string("ab") + kChinese + "cd";
  const std::vector<uint32_t> all = CodePoints(mixed.c_str());
  const float ab = SWELL_MeasureLine(verdana->ct_font, all.data(), 2);
  const float cd = SWELL_MeasureLine(verdana->ct_font, all.data() + 4, 2);
  EXPECT_NEAR(SWELL_MeasureLine(verdana->ct_font, all.data(), int(all.size())), ab + hanWidth + cd, 0.01);
  DeleteObject(han);
}

TEST_F(SwellFallback, MeasuringAgreesWithDrawingAndTheSearchIsCached) {
  const std::string text = std::string("Tag ") + kChinese + " \xea\xb0\x80\xe3\x81\x82 x";  // Hangul, kana
  const int w = Width(text.c_str());
  const std::vector<int> ink = ColumnInk(verdana, text.c_str());
  int first = -1, last = -1;
  for (int x = 0; x < kW; x++)
    if (ink[x]) {
      if (first < 0) first = x;
      last = x;
    }
  ASSERT_GE(first, 0);
  // Drawn at x = 2: ink ends within a couple of pixels of the measured width.
  EXPECT_NEAR(last + 1 - 2, w, 2);
  EXPECT_LE(first, 4);
  const int searches = SWELL_FallbackSearchCount();
  for (int i = 0; i < 20; i++) ColumnInk(verdana, text.c_str());
  EXPECT_EQ(SWELL_FallbackSearchCount(), searches) << "drawing again asks fontconfig nothing";
}

TEST_F(SwellFallback, EveryScriptFindsAFaceThatHasIt) {
  // Greek, Cyrillic, Hebrew, Arabic, Han, kana, Hangul and a symbol, from a face that has
  // none of the Asian ones.
  const uint32_t cps[] = {0x3a9, 0x416, 0x5d0, 0x628, 0x6f22, 0x30ab, 0xd55c, 0x263a};
  HFONT han = CreateFont(-kSize, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "WenQuanYi Micro Hei");
  for (HFONT font : {verdana, han}) {
    WDL_MutexLock lock(SWELL_FontLock());
    for (uint32_t cp : cps) {
      FT_UInt glyph = 0;
      SWELL_FontInstance* f = SWELL_FontForChar(font->ct_font, cp, &glyph);
      ASSERT_NE(f, nullptr);
      EXPECT_NE(glyph, 0u) << std::hex << cp;
      EXPECT_EQ(FT_Get_Char_Index(f->face, cp), glyph) << std::hex << cp;
      EXPECT_FLOAT_EQ(f->pixelSize, font->ct_font->pixelSize);
    }
  }
  // Face names in other scripts resolve too.
  HFONT named = CreateFont(-kSize, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "\xe6\x96\x87\xe6\xb3\x89\xe9\xa9\xbf\xe5\xbe\xae\xe7\xb1\xb3\xe9\xbb\x91");
  EXPECT_EQ(named->ct_font->face, han->ct_font->face);
  DeleteObject(named);
  DeleteObject(han);
}

TEST_F(SwellFallback, CharactersNoFaceHasDrawTheBoxOfTheChosenFace) {
  {
    WDL_MutexLock lock(SWELL_FontLock());
    FT_UInt glyph = 1;
    EXPECT_EQ(SWELL_FontForChar(verdana->ct_font, 0x10fffd, &glyph), verdana->ct_font);
    EXPECT_EQ(glyph, 0u);
  }
  // Something is drawn and measured: the box, one per character, in the chosen face.
  const int one = Width(kNowhere);
  EXPECT_GT(one, 0);
  const std::string two = std::string(kNowhere) + kNowhere;
  EXPECT_NEAR(Width(two.c_str()), 2 * one, 1);
  std::vector<int> ink = ColumnInk(verdana, kNowhere);
  int inked = 0;
  for (int v : ink) inked += v > 0;
  EXPECT_GT(inked, 0);
  // Mixed with ordinary text, the ordinary characters keep their own widths.
  const std::string mixed = std::string("a") + kNowhere + "b";
  EXPECT_NEAR(Width(mixed.c_str()), Width("ab") + one, 1);
}

}  // namespace
