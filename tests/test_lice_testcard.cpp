// Renders a test card with every drawing primitive, every blend and text in
// several sizes and alignments, and writes it to <build dir>/testcard.png for a
// person to look at. The tests check that the card renders the same pixels into
// both bitmap kinds and matches the golden copy.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "lice.h"
#include "fw_golden.h"

namespace {

const int kWidth = 700, kHeight = 600;

LICE_pixel Rgb(int r, int g, int b, int a = 255) { return LICE_RGBA(r, g, b, a); }

const LICE_pixel kPanel = Rgb(36, 40, 48);
const LICE_pixel kInk = Rgb(235, 235, 235);
const LICE_pixel kAccent = Rgb(255, 170, 40);
const LICE_pixel kCyan = Rgb(60, 200, 230);
const LICE_pixel kMagenta = Rgb(220, 60, 180);

struct Fonts {
  LICE_CachedFont label, sizes[5], glyphs, down, up, shadow, outline, mono;
  Fonts() {
    label.SetFromHFont(Make(12), LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE);
    label.SetTextColor(kInk);
    const int px[5] = {10, 12, 14, 20, 28};
    for (int i = 0; i < 5; ++i) {
      sizes[i].SetFromHFont(Make(px[i]), LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE);
      sizes[i].SetTextColor(kInk);
    }
    glyphs.SetFromHFont(Make(16), LICE_FONT_FLAG_OWNS_HFONT);  // the glyph-cache path
    glyphs.SetTextColor(kAccent);
    const int cache = LICE_FONT_FLAG_OWNS_HFONT;
    down.SetFromHFont(Make(14), cache | LICE_FONT_FLAG_VERTICAL);
    up.SetFromHFont(Make(14), cache | LICE_FONT_FLAG_VERTICAL | LICE_FONT_FLAG_VERTICAL_BOTTOMUP);
    shadow.SetFromHFont(Make(20), cache | LICE_FONT_FLAG_FX_SHADOW);
    outline.SetFromHFont(Make(20), cache | LICE_FONT_FLAG_FX_OUTLINE);
    mono.SetFromHFont(Make(20), cache | LICE_FONT_FLAG_FX_MONO);
    for (LICE_CachedFont* f : {&down, &up, &shadow, &outline, &mono}) {
      f->SetTextColor(kInk);
      f->SetEffectColor(Rgb(200, 30, 30));
    }
  }
  static HGDIOBJ__* Make(int h) {
    return CreateFont(h, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  }
};

void Label(Fonts& f, LICE_IBitmap* bm, int x, int y, const char* text, unsigned fmt = 0,
           int w = 200) {
  RECT r = {x, y, x + w, y + 16};
  f.label.DrawText(bm, text, -1, &r, fmt | DT_NOCLIP);
}

void Frame(LICE_IBitmap* bm, int x, int y, int w, int h, LICE_pixel c) {
  LICE_RoundRect(bm, (float)x, (float)y, (float)w, (float)h, 0, c, 1.0f, 0, false);
}

// A small opaque picture with a transparent hole, for the blits.
void MakeSprite(LICE_IBitmap* s) {
  s->resize(40, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const int a = (x - 20) * (x - 20) + (y - 20) * (y - 20) < 64 ? 0 : 255;
      LICE_PutPixel(s, x, y, Rgb(x * 6, y * 6, 255 - x * 3, a), 1.0f, 0);
    }
  LICE_Line(s, 0, 0, 39, 39, Rgb(255, 255, 255), 1.0f, 0, false);
}

// ---------------------------------------------------------------------------

void DrawLines(Fonts& f, LICE_IBitmap* bm) {
  Label(f, bm, 10, 6, "Line, hard / antialiased / 0.5 weight");
  for (int panel = 0; panel < 3; ++panel) {
    const int cx = 60 + panel * 110, cy = 80;
    for (int i = 0; i < 24; ++i) {
      const double a = i * M_PI / 12;
      const int x2 = cx + (int)std::lround(48 * std::cos(a)),
                y2 = cy + (int)std::lround(48 * std::sin(a));
      LICE_Line(bm, cx, cy, x2, y2, i % 6 == 0 ? kAccent : kInk, panel == 2 ? 0.5f : 1.0f, 0,
                panel >= 1);
    }
  }
  Label(f, bm, 345, 6, "FLine, sub-pixel");
  for (int i = 0; i < 10; ++i) {
    const float off = i * 0.1f;
    LICE_FLine(bm, 345.0f + off, 30.0f + i * 10.0f + off, 455.0f, 38.0f + i * 10.0f + off * 3, kInk,
               1.0f, 0, true);
  }
  Label(f, bm, 480, 6, "Clipped at the card edge");
  LICE_Line(bm, 480, 40, 900, 120, kCyan, 1.0f, 0, true);
  LICE_Line(bm, 480, 60, 2000000000, 60, kCyan, 1.0f, 0, false);
  LICE_FLine(bm, 480.0f, 80.0f, 1e9f, 300.0f, kMagenta, 1.0f, 0, true);
}

void DrawShapes(Fonts& f, LICE_IBitmap* bm) {
  const int top = 140;
  Label(f, bm, 10, top, "Circle / FillCircle / Arc / RoundRect, hard and antialiased");
  for (int aa = 0; aa < 2; ++aa) {
    const float ox = aa ? 350.0f : 0.0f;
    LICE_Circle(bm, ox + 45.0f, top + 60.0f, 30.0f, kInk, 1.0f, 0, aa);
    LICE_Circle(bm, ox + 45.0f, top + 60.0f, 10.5f, kAccent, 1.0f, 0, aa);
    LICE_FillCircle(bm, ox + 115.0f, top + 60.0f, 28.0f, kCyan, 1.0f, 0, aa);
    LICE_FillCircle(bm, ox + 115.0f, top + 60.0f, 12.0f, kMagenta, 0.5f, 0, aa);
    LICE_Arc(bm, ox + 185.0f, top + 60.0f, 28.0f, (float)(-M_PI * 0.75), (float)(M_PI * 0.75),
             kAccent, 1.0f, 0, aa);
    LICE_Arc(bm, ox + 185.0f, top + 60.0f, 18.0f, 0.0f, (float)(M_PI / 2), kInk, 1.0f, 0, aa);
    LICE_RoundRect(bm, ox + 225.0f, top + 30.0f, 110.0f, 60.0f, 12, kInk, 1.0f, 0, aa);
    LICE_RoundRect(bm, ox + 240.0f, top + 45.0f, 80.0f, 30.0f, 6, kCyan, 1.0f, 0, aa);
  }
}

void DrawPolygons(Fonts& f, LICE_IBitmap* bm) {
  const int top = 240;
  Label(f, bm, 10, top, "FillTriangle / FillConvexPolygon / GradRect");
  LICE_FillTriangle(bm, 20, top + 85, 60, top + 22, 100, top + 85, kAccent, 1.0f, 0);
  LICE_FillTriangle(bm, 70, top + 30, 150, top + 40, 110, top + 90, kCyan, 0.5f, 0);
  const int hx[6] = {190, 230, 250, 230, 190, 170},
            hy[6] = {top + 25, top + 25, top + 55, top + 85, top + 85, top + 55};
  LICE_FillConvexPolygon(bm, hx, hy, 6, kMagenta, 1.0f, 0);
  LICE_GradRect(bm, 270, top + 25, 150, 60, 1.0f, 0.0f, 0.0f, 1.0f, -1.0f / 150, 1.0f / 150, 0.0f,
                0.0f, 0.0f, 0.0f, 1.0f / 60, 0.0f, 0);

  // Blits: plain, source alpha, half weight, scaled up with and without the
  // filter, rotated.
  LICE_MemBitmap sprite;
  MakeSprite(&sprite);
  Label(f, bm, 435, top, "Blit / ScaledBlit / RotatedBlit");
  LICE_Blit(bm, &sprite, 435, top + 25, 0, 0, 40, 40, 1.0f, 0);
  LICE_Blit(bm, &sprite, 480, top + 25, 0, 0, 40, 40, 1.0f, LICE_BLIT_USE_ALPHA);
  LICE_Blit(bm, &sprite, 525, top + 25, 0, 0, 40, 40, 0.5f, 0);
  LICE_ScaledBlit(bm, &sprite, 570, top + 18, 60, 35, 0, 0, 40, 40, 1.0f, 0);
  LICE_ScaledBlit(bm, &sprite, 570, top + 58, 60, 35, 0, 0, 40, 40, 1.0f,
                  LICE_BLIT_FILTER_BILINEAR);
  LICE_RotatedBlit(bm, &sprite, 638, top + 30, 50, 50, 0, 0, 40, 40, 0.5f, true, 1.0f,
                   LICE_BLIT_FILTER_BILINEAR);
}

void DrawBlends(Fonts& f, LICE_IBitmap* bm) {
  const int top = 340;
  static const char* names[6] = {"copy", "add", "dodge", "multiply", "overlay", "HSV adjust"};
  // Each swatch: a grey ramp with the same colour laid over in one mode at two
  // weights (a bar at 0.5, a disc at 1.0).
  for (int m = 0; m < 6; ++m) {
    const int x = 10 + m * 115, y = top;
    Label(f, bm, x, y, names[m], DT_CENTER, 105);
    LICE_GradRect(bm, x, y + 18, 105, 60, 0.1f, 0.1f, 0.1f, 1.0f, 0.8f / 105, 0.8f / 105,
                  0.8f / 105, 0.0f, 0, 0, 0, 0, 0);
    const LICE_pixel c = m == 5 ? Rgb(200, 150, 100) : Rgb(200, 120, 40);
    LICE_FillRect(bm, x + 5, y + 22, 95, 16, c, 0.5f, m);
    LICE_FillCircle(bm, (float)(x + 30), (float)(y + 60), 14.0f, c, 1.0f, m, true);
    LICE_FillTriangle(bm, x + 55, y + 74, x + 75, y + 44, x + 95, y + 74, c, 1.0f, m);
    LICE_Line(bm, x + 5, y + 76, x + 100, y + 46, c, 1.0f, m, true);
  }
}

void DrawText(Fonts& f, LICE_IBitmap* bm) {
  const int top = 430;
  static const char* sizes[5] = {"10 px", "12 px", "14 px", "20 px", "28 px"};
  int x = 10;
  for (int i = 0; i < 5; ++i) {
    RECT r = {x, top, x + 200, top + 40};
    f.sizes[i].DrawText(bm, sizes[i], -1, &r, DT_BOTTOM | DT_SINGLELINE);
    RECT m = {0, 0, 0, 0};
    f.sizes[i].DrawText(bm, sizes[i], -1, &m, DT_CALCRECT);
    x += m.right + 16;
  }
  // The same word in nine alignments inside outlined boxes.
  static const unsigned aligns[9] = {0,
                                     DT_CENTER,
                                     DT_RIGHT,
                                     DT_VCENTER,
                                     DT_CENTER | DT_VCENTER,
                                     DT_RIGHT | DT_VCENTER,
                                     DT_BOTTOM,
                                     DT_CENTER | DT_BOTTOM,
                                     DT_RIGHT | DT_BOTTOM};
  for (int i = 0; i < 9; ++i) {
    const int bx = 360 + (i % 3) * 110, by = top - 4 + (i / 3) * 40;
    Frame(bm, bx - 1, by - 1, 102, 38, Rgb(90, 90, 100));
    RECT r = {bx, by, bx + 100, by + 36};
    f.sizes[2].DrawText(bm, "Knob", -1, &r, aligns[i]);
  }
  // Multi-line, the glyph-cache path, and a box too small for its text.
  RECT r = {10, top + 50, 340, top + 120};
  f.sizes[1].DrawText(bm, "Threshold -24.0 dB\nSelection 1000 Hz\nDry 0.0 dB", -1, &r, 0);
  r = RECT{170, top + 50, 340, top + 80};
  f.glyphs.DrawText(bm, "glyph cache \xc3\xa9\xe2\x82\xac", -1, &r, 0);
  f.glyphs.SetCombineMode(LICE_BLIT_MODE_ADD, 0.6f);
  r = RECT{170, top + 75, 340, top + 100};
  f.glyphs.DrawText(bm, "added at 0.6", -1, &r, 0);
  f.glyphs.SetCombineMode(LICE_BLIT_MODE_COPY, 1.0f);
  r = RECT{170, top + 100, 230, top + 118};
  Frame(bm, r.left - 1, r.top - 1, 62, 20, Rgb(90, 90, 100));
  f.sizes[1].DrawText(bm, "clipped to its box", -1, &r, 0);

  // The glyph cache's own tricks: vertical text both ways and the effects.
  r = RECT{300, top + 40, 320, top + 165};
  f.down.DrawText(bm, "top down", -1, &r, DT_CENTER);
  r = RECT{322, top + 40, 342, top + 165};
  f.up.DrawText(bm, "bottom up", -1, &r, DT_CENTER);
  static const char* fx[3] = {"shadow", "outline", "mono"};
  LICE_CachedFont* fxFonts[3] = {&f.shadow, &f.outline, &f.mono};
  for (int i = 0; i < 3; ++i) {
    r = RECT{360 + i * 110, top + 125, 460 + i * 110, top + 165};
    fxFonts[i]->DrawText(bm, fx[i], -1, &r, DT_CENTER | DT_VCENTER);
  }
}

void RenderCard(LICE_IBitmap* bm) {
  Fonts f;
  LICE_FillRect(bm, 0, 0, kWidth, kHeight, kPanel, 1.0f, 0);
  DrawLines(f, bm);
  DrawShapes(f, bm);
  DrawPolygons(f, bm);
  DrawBlends(f, bm);
  DrawText(f, bm);
}

}  // namespace

TEST(LiceTestCard, RendersTheSameIntoBothBitmapKindsAndWritesAPng) {
  LICE_SysBitmap card(kWidth, kHeight);
  ASSERT_EQ(card.getWidth(), kWidth);
  RenderCard(&card);
  LICE_MemBitmap again(kWidth, kHeight);
  RenderCard(&again);
  int differ = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if ((LICE_GetPixel(&card, x, y) & 0xffffff00u) !=
          (LICE_GetPixel(&again, x, y) & 0xffffff00u)) {
        if (!differ++) firstX = x, firstY = y;
      }
  EXPECT_EQ(differ, 0) << "the card differs between a system and a memory bitmap, first at "
                       << firstX << "," << firstY;

  // For a person to look at (the golden comparison below names it when it fails).
  const std::string path = PictureDir() + "/testcard.png";
  EXPECT_TRUE(WriteRgbPng(&card, path)) << path;
}

TEST(LiceTestCard, MatchesTheGoldenCard) {
  LICE_MemBitmap card(kWidth, kHeight);
  RenderCard(&card);
  ExpectMatchesGolden(&card, "lice_testcard.png", "testcard");
}
