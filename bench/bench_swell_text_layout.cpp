// What SWELL_DrawText costs per call for the texts an editor draws on every frame, and
// how many heap allocations each call makes (counter allocs_per_call):
//   KnobLabel  - one short line centred in a knob's text box, as the value knobs draw it
//   MultiLine  - a four-line paragraph laid out in the layout box, left-aligned
//   LongText   - a 2000-byte paragraph, past the size laid out without the heap: the
//                allocating path, for comparison in the same run
// Run it on two builds to compare a change side by side (same machine, same run order).
#include <benchmark/benchmark.h>

#include <string>

#include "allocation_counter.h"
#include "swell-gdi.h"

namespace {

struct Context {
  Context() {
    dc = SWELL_CreateMemContext(nullptr, 700, 400);
    font = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
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

void DrawRepeatedly(benchmark::State& state, const char* text, RECT box, int flags) {
  Context c;
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
