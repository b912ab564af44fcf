// The editor's steady-state costs on a 700 x 400 headless editor laid out like the
// plug-in's: a panel background, five 60-frame film-strip knobs (the strip painted
// here) each with a name and a value text, and a view drawing 1023 line segments.
//  - BM_Memcpy700x400: the floor, one plain copy of the whole draw bitmap.
//  - BM_FullDrawPass: every control drawn over the whole editor (strict mode).
//  - BM_IdleIsDirty: the timer's check when nothing changed.
//  - BM_OneKnobRedraw: one knob moved: the check and a pass over its region.
//  - BM_DrawPassAllocations: counts operator new during draw passes after the first;
//    the counter "allocs_per_pass" must be 0 (the benchmark reports an error if not).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "IControl.h"
#include "IGraphicsHeadless.h"

// ---- Counting allocations -----------------------------------------------------------------

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

// These are the program's allocation functions themselves, so malloc and free pair up
// here; the compiler's new/delete matching check does not apply to them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return malloc(n ? n : 1);
}
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
#pragma GCC diagnostic pop

namespace {

constexpr int kW = 700, kH = 400;
constexpr int kFrames = 60, kKnobW = 48, kKnobH = 48;
constexpr int kSegments = 1023;
constexpr double kPi = 3.14159265358979323846;

// A knob film strip: a grey disc with a white pointer turning through 300 degrees.
std::unique_ptr<LICE_MemBitmap> PaintKnobStrip() {
  std::unique_ptr<LICE_MemBitmap> bm(new LICE_MemBitmap(kKnobW, kKnobH * kFrames));
  LICE_ClearRect(bm.get(), 0, 0, kKnobW, kKnobH * kFrames);
  for (int f = 0; f < kFrames; ++f) {
    const float cx = kKnobW / 2.0f, cy = f * kKnobH + kKnobH / 2.0f;
    LICE_FillCircle(bm.get(), cx, cy, 20.0f, LICE_RGBA(90, 94, 100, 255), 1.0f, 0, true);
    const double a = (-150.0 + 300.0 * f / (kFrames - 1)) * kPi / 180.0;
    LICE_FLine(bm.get(), cx, cy, cx + float(18.0 * std::sin(a)), cy - float(18.0 * std::cos(a)),
               LICE_RGBA(255, 255, 255, 255), 1.0f, 0, true);
  }
  return bm;
}

// A spectrum-like polyline of kSegments segments across its rectangle.
class LinesControl : public IControl {
 public:
  explicit LinesControl(IRECT r) : IControl(nullptr, r) {
    for (int i = 0; i <= kSegments; ++i) {
      const double t = double(i) / kSegments;
      mY.push_back(float(r.T + r.H() * (0.5 + 0.4 * std::sin(t * 37.0) * std::cos(t * 5.0))));
    }
  }
  bool Draw(IGraphics* pGraphics) override {
    const IColor line(255, 120, 200, 255);
    const float step = float(mRECT.W()) / kSegments;
    for (int i = 0; i < kSegments; ++i)
      pGraphics->DrawLine(&line, mRECT.L + i * step, mY[i], mRECT.L + (i + 1) * step, mY[i + 1],
                          nullptr, false);
    return true;
  }

 private:
  std::vector<float> mY;
};

struct Editor {
  Editor() : gfx(nullptr, kW, kH), strip(PaintKnobStrip()) {
    const IColor panel(255, 40, 44, 52);
    gfx.AttachPanelBackground(&panel);
    gfx.AttachControl(new LinesControl(IRECT(10, 10, 690, 290)));
    IBitmap knob(strip.get(), kKnobW, kKnobH * kFrames, kFrames);
    const IColor white(255, 230, 230, 230);
    IText style(12, &white, "DejaVu Sans");
    const char* names[] = {"Threshold", "Sel Start", "Sel Size", "Dry", "Wet"};
    const char* values[] = {"-24.0 dB", "1200 Hz", "800 Hz", "0.0 dB", "-6.0 dB"};
    for (int k = 0; k < 5; ++k) {
      const int x = 40 + k * 130;
      auto* knobCtl = new IKnobMultiControl(nullptr, x, 320, -1, &knob);
      knobCtl->SetValueFromPlug(0.2 * k + 0.1);
      gfx.AttachControl(knobCtl);
      gfx.AttachControl(new ITextControl(nullptr, IRECT(x - 30, 300, x + 78, 316), &style, names[k]));
      gfx.AttachControl(new ITextControl(nullptr, IRECT(x - 30, 372, x + 78, 388), &style, values[k]));
    }
    gfx.PrepDraw();
  }
  bool FullPass() {
    IRECT all(0, 0, kW, kH);
    return gfx.Draw(&all);
  }

  IGraphicsHeadless gfx;
  std::unique_ptr<LICE_MemBitmap> strip;
};

void BM_Memcpy700x400(benchmark::State& state) {
  std::vector<LICE_pixel> src(size_t(kW) * kH, LICE_RGBA(1, 2, 3, 255)), dst(src.size());
  for (auto _ : state) {
    memcpy(dst.data(), src.data(), src.size() * sizeof(LICE_pixel));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(src.size() * sizeof(LICE_pixel)));
}
BENCHMARK(BM_Memcpy700x400);

void BM_FullDrawPass(benchmark::State& state) {
  Editor e;
  e.FullPass();  // fonts are made and cached on the first pass
  for (auto _ : state) {
    e.FullPass();
    benchmark::ClobberMemory();
  }
  state.counters["controls"] = e.gfx.GetNControls();
}
BENCHMARK(BM_FullDrawPass)->Unit(benchmark::kMicrosecond);

void BM_IdleIsDirty(benchmark::State& state) {
  Editor e;
  e.FullPass();  // leaves every control clean
  for (auto _ : state) {
    IRECT r;
    benchmark::DoNotOptimize(e.gfx.IsDirty(&r));
  }
}
BENCHMARK(BM_IdleIsDirty)->Unit(benchmark::kNanosecond);

// The timer's path when one knob moved: the dirty check, then a pass over its region.
void BM_OneKnobRedraw(benchmark::State& state) {
  Editor e;
  e.FullPass();
  IControl* knob = e.gfx.GetControl(2);
  double v = 0.0;
  for (auto _ : state) {
    v = v > 0.9 ? 0.0 : v + 0.05;
    knob->SetValueFromPlug(v);
    IRECT r;
    if (e.gfx.IsDirty(&r)) e.gfx.Draw(&r);
  }
}
BENCHMARK(BM_OneKnobRedraw)->Unit(benchmark::kMicrosecond);

void BM_DrawPassAllocations(benchmark::State& state) {
  Editor e;
  e.FullPass();
  long passes = 0;
  const long before = gAllocations.load();
  for (auto _ : state) {
    e.FullPass();
    ++passes;
  }
  const long allocs = gAllocations.load() - before;
  state.counters["allocs_per_pass"] = passes ? double(allocs) / double(passes) : 0.0;
  if (allocs != 0) state.SkipWithError("a draw pass after the first allocated");
}
BENCHMARK(BM_DrawPassAllocations)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
