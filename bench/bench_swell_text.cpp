// Text drawing cost of the bridge, side by side with its floors in one run:
//   Measure      - SWELL_DrawText with DT_CALCRECT (layout only)
//   Draw         - SWELL_DrawText drawing a knob value into a memory context
//   RawFreeType  - the same glyphs loaded and rendered with FreeType alone, nothing blended
//                  (the least any FreeType-based drawing can cost)
// Compare Draw / RawFreeType for the bridge's overhead, Measure / Draw for layout's share.
// Then what a call costs for the texts an editor draws on every frame, and how many heap
// allocations each makes (counter allocs_per_call):
//   DrawTextKnobLabel - one short line centred in a knob's text box
//   DrawTextMultiLine - a four-line paragraph, left-aligned
//   DrawTextLongText  - a 2000-byte paragraph, past the size laid out without the heap:
//                       the allocating path, for comparison in the same run
#include <benchmark/benchmark.h>

#include <string>

#include "allocation_counter.h"
#include "swell-fontcache.h"
#include "swell-gdi.h"

namespace {

const char* kText = "-12.5 dB Threshold";

struct Context {
  explicit Context(int w = 256, int h = 64, int px = 12) {
    dc = SWELL_CreateMemContext(nullptr, w, h);
    font = CreateFont(-px, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
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

void DrawRepeatedly(benchmark::State& state, const char* text, RECT box, int flags) {
  Context c(700, 400, 14);
  RECT warm = box;
  SWELL_DrawText(c.dc, text, -1, &warm, flags);  // glyphs cached before timing
  const long before = AllocationsSoFar();
  for (auto _ : state) {
    RECT r = box;
    benchmark::DoNotOptimize(SWELL_DrawText(c.dc, text, -1, &r, flags));
  }
  const long allocations = AllocationsSoFar() - before;
  state.counters["allocs_per_call"] =
      benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
}

void BM_DrawTextKnobLabel(benchmark::State& state) {
  DrawRepeatedly(state, "Selection Start", RECT{250, 385, 302, 401}, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
}
BENCHMARK(BM_DrawTextKnobLabel);

void BM_DrawTextMultiLine(benchmark::State& state) {
  DrawRepeatedly(state,
                 "Threshold: -24.0 dB\nSelection Start: 1000 Hz\nSelection Size: 3000 Hz\nDry: 0.0 dB  Wet: -12.0 dB",
                 RECT{10, 10, 400, 200}, DT_LEFT | DT_TOP);
}
BENCHMARK(BM_DrawTextMultiLine);

void BM_DrawTextLongText(benchmark::State& state) {
  static const std::string text = [] {
    std::string s;
    while (s.size() < 2000) s += "A spectrum drawn as text, line after line.\n";
    return s;
  }();
  DrawRepeatedly(state, text.c_str(), RECT{0, 0, 700, 400}, DT_LEFT | DT_TOP);
}
BENCHMARK(BM_DrawTextLongText);

}  // namespace
