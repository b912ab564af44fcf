// Lines and text on the editor's 700 x 400 canvas.
//  - 1000 one-pixel lines of random slope, hard and antialiased (items = lines).
//  - A 20-character text at 14 pixels through the cached font's native path, into a
//    system bitmap and into a memory bitmap (through the scratch bitmap), against
//    the peer: FreeType loading and rendering the same glyphs straight into a
//    coverage buffer (items = texts).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "lice.h"

namespace {

const int kW = 700, kH = 400;
const char kText20[] = "Threshold -24.00 dB ";
static_assert(sizeof(kText20) - 1 == 20, "twenty characters");

struct Segment {
  int x1, y1, x2, y2;
};

std::vector<Segment> RandomSegments() {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> x(0, kW - 1), y(0, kH - 1);
  std::vector<Segment> v(1000);
  for (Segment& s : v) s = Segment{x(rng), y(rng), x(rng), y(rng)};
  return v;
}

void BM_Lines1000(benchmark::State& state) {
  const bool aa = state.range(0) != 0;
  LICE_MemBitmap bm(kW, kH);
  LICE_FillRect(&bm, 0, 0, kW, kH, LICE_RGBA(0, 0, 0, 255));
  const std::vector<Segment> segs = RandomSegments();
  for (auto _ : state) {
    for (const Segment& s : segs)
      LICE_Line(&bm, s.x1, s.y1, s.x2, s.y2, LICE_RGBA(200, 220, 255, 255), 1.0f, 0, aa);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (int64_t)segs.size());
  state.SetLabel(aa ? "antialiased" : "hard");
}
BENCHMARK(BM_Lines1000)->Arg(0)->Arg(1);

HGDIOBJ__* Font14() {
  return CreateFont(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
}

template <class Bitmap>
void BM_CachedFontText(benchmark::State& state) {
  Bitmap bm(kW, kH);
  LICE_FillRect(&bm, 0, 0, kW, kH, LICE_RGBA(30, 30, 30, 255));
  LICE_CachedFont font;
  font.SetFromHFont(Font14(), LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE);
  font.SetTextColor(LICE_RGBA(240, 240, 240, 255));
  for (auto _ : state) {
    RECT r = {100, 180, 400, 200};
    benchmark::DoNotOptimize(font.DrawText(&bm, kText20, 20, &r, DT_SINGLELINE | DT_VCENTER));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_TEMPLATE(BM_CachedFontText, LICE_SysBitmap)->Name("BM_Text20_CachedFont_SysBitmap");
BENCHMARK_TEMPLATE(BM_CachedFontText, LICE_MemBitmap)->Name("BM_Text20_CachedFont_MemBitmap");

void BM_CachedFontGlyphCache(benchmark::State& state) {
  LICE_MemBitmap bm(kW, kH);
  LICE_FillRect(&bm, 0, 0, kW, kH, LICE_RGBA(30, 30, 30, 255));
  LICE_CachedFont font;
  font.SetFromHFont(Font14(), LICE_FONT_FLAG_OWNS_HFONT);  // non-native: glyph cache
  font.SetTextColor(LICE_RGBA(240, 240, 240, 255));
  for (auto _ : state) {
    RECT r = {100, 180, 400, 200};
    benchmark::DoNotOptimize(font.DrawText(&bm, kText20, 20, &r, DT_SINGLELINE | DT_VCENTER));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CachedFontGlyphCache)->Name("BM_Text20_GlyphCache_MemBitmap");

// The peer: the same face file at the same pixel size, each glyph loaded and
// rendered by FreeType and its coverage laid into an 8-bit buffer.
std::string DefaultFaceFile() {
  std::string file;
  FcPattern* pat = FcNameParse((const FcChar8*)"Verdana");
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res;
  FcPattern* match = FcFontMatch(nullptr, pat, &res);
  FcChar8* path = nullptr;
  if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
    file = (const char*)path;
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pat);
  return file;
}

void BM_FreeTypeDirect(benchmark::State& state) {
  FT_Library lib;
  FT_Face face;
  const std::string file = DefaultFaceFile();
  if (FT_Init_FreeType(&lib) || file.empty() || FT_New_Face(lib, file.c_str(), 0, &face)) {
    state.SkipWithError("no font");
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, 14);
  std::vector<unsigned char> canvas((size_t)kW * kH);
  for (auto _ : state) {
    int pen = 100;
    const int baseline = 194;
    for (int i = 0; i < 20; ++i) {
      if (FT_Load_Char(face, (unsigned char)kText20[i], FT_LOAD_DEFAULT) ||
          FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL))
        continue;
      const FT_Bitmap& g = face->glyph->bitmap;
      const int gx = pen + face->glyph->bitmap_left, gy = baseline - face->glyph->bitmap_top;
      for (int y = 0; y < (int)g.rows; ++y)
        for (int x = 0; x < (int)g.width; ++x) {
          const int cx = gx + x, cy = gy + y;
          if (cx < 0 || cy < 0 || cx >= kW || cy >= kH) continue;
          unsigned char& d = canvas[(size_t)cy * kW + cx];
          const unsigned char c = g.buffer[y * g.pitch + x];
          if (c > d) d = c;
        }
      pen += (int)(face->glyph->advance.x >> 6);
    }
    benchmark::DoNotOptimize(canvas.data());
  }
  state.SetItemsProcessed(state.iterations());
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}
BENCHMARK(BM_FreeTypeDirect)->Name("BM_Text20_FreeTypeDirect");

}  // namespace
