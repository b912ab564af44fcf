// Text drawing cost of the bridge, side by side with its floors in one run:
//   Measure      - SWELL_DrawText with DT_CALCRECT (layout only)
//   Draw         - SWELL_DrawText drawing a knob value into a memory context
//   RawFreeType  - the same glyphs loaded and rendered with FreeType alone, nothing blended
//                  (the least any FreeType-based drawing can cost)
// Compare Draw / RawFreeType for the bridge's overhead, Measure / Draw for layout's share.
#include <benchmark/benchmark.h>

#include "swell-fontcache.h"
#include "swell-gdi.h"

namespace {

const char* kText = "-12.5 dB Threshold";

struct Context {
  Context() {
    dc = SWELL_CreateMemContext(nullptr, 256, 64);
    font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
    SelectObject(dc, font);
    SetTextColor(dc, 0xffffff);
  }
  ~Context() {
    SWELL_DeleteGfxContext(dc);
    DeleteObject(font);
  }
  HDC dc;
  HFONT font;
};

void BM_Measure(benchmark::State& state) {
  Context c;
  for (auto _ : state) {
    RECT r = {0, 0, 256, 64};
    benchmark::DoNotOptimize(SWELL_DrawText(c.dc, kText, -1, &r, DT_CALCRECT | DT_SINGLELINE));
  }
}
BENCHMARK(BM_Measure);

void BM_Draw(benchmark::State& state) {
  Context c;
  for (auto _ : state) {
    RECT r = {0, 0, 256, 64};
    benchmark::DoNotOptimize(SWELL_DrawText(c.dc, kText, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE));
  }
}
BENCHMARK(BM_Draw);

void BM_RawFreeType(benchmark::State& state) {
  Context c;
  SWELL_FontInstance* f = c.font->ct_font;
  for (auto _ : state) {
    WDL_MutexLock lock(SWELL_FontLock());
    FT_Activate_Size(f->size);
    for (const char* p = kText; *p; p++) {
      if (FT_Load_Char(f->face, static_cast<unsigned char>(*p), FT_LOAD_TARGET_LIGHT) == 0)
        FT_Render_Glyph(f->face->glyph, FT_RENDER_MODE_NORMAL);
      benchmark::DoNotOptimize(f->face->glyph->bitmap.buffer);
    }
  }
}
BENCHMARK(BM_RawFreeType);

}  // namespace
