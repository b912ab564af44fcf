// Cost of drawing the Toneglass editor: a full redraw (panel, view and five knobs), the
// spectrum view's Draw alone, and, beside them, the engine per analysis frame (2048
// stereo frames in 512-frame blocks) on its own and while another thread draws the
// editor without pause, plus the spectrum hand-off alone. The hand-off is all the audio
// path gained with the editor; its share of a frame says whether that cost is noise.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "FreqView.h"
#include "IGraphics.h"
#include "Toneglass.h"

namespace {

constexpr int kBlock = 512;
constexpr int kFrame = Toneglass::kFrameSize;

// bandHz: the selection's size; the band block is the costliest thing the view draws
// (a colour-dodge fill), so the benchmarks run the default 50 Hz and the widest band.
std::unique_ptr<Toneglass> MakePlug(double bandHz = 10000.0) {
  auto plug = std::make_unique<Toneglass>();
  plug->SetSampleRate(44100.0);
  const double values[Toneglass::kNumParams] = {-30.0, 100.0, bandHz, -6.0, -6.0};
  for (int i = 0; i < Toneglass::kNumParams; ++i) plug->GetParam(i)->Set(values[i]);
  plug->OnParamReset();
  plug->Reset();
  return plug;
}

// Uniform noise at about -20 dBFS with a sine on top: a busy, realistic curve.
std::vector<double> MakeSignal(uint32_t seed, int length) {
  std::vector<double> s(static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) {
    seed = seed * 1664525u + 1013904223u;
    s[static_cast<size_t>(i)] = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.35 +
                                0.5 * std::sin(2.0 * 3.14159265358979323846 * 1000.0 * i / 44100.0);
  }
  return s;
}

// Processes one analysis frame's worth of blocks.
void ProcessFrame(Toneglass& plug, std::vector<double>& left, std::vector<double>& right,
                  std::vector<double>& outL, std::vector<double>& outR) {
  for (int pos = 0; pos < kFrame; pos += kBlock) {
    double* ins[2] = {left.data() + pos, right.data() + pos};
    double* outs[2] = {outL.data(), outR.data()};
    plug.ProcessDoubleReplacing(ins, outs, kBlock);
  }
}

// An editor showing a real spectrum: a few frames of the signal have been analysed.
std::unique_ptr<Toneglass> MakeLiveEditor(double bandHz) {
  auto plug = MakePlug(bandHz);
  std::vector<double> left = MakeSignal(1, kFrame), right = MakeSignal(2, kFrame), outL(kBlock), outR(kBlock);
  for (int i = 0; i < 3; ++i) ProcessFrame(*plug, left, right, outL, outR);
  return plug;
}

void BM_EditorFullRedraw(benchmark::State& state) {
  auto plug = MakeLiveEditor(static_cast<double>(state.range(0)));
  IGraphics* g = plug->GetGUI();
  if (!g) {
    state.SkipWithError("no editor");
    return;
  }
  for (auto _ : state) {
    g->SetAllControlsDirty(false);
    IRECT r;
    if (g->IsDirty(&r)) g->Draw(&r);
    benchmark::ClobberMemory();
  }
}

void BM_FreqViewDraw(benchmark::State& state) {
  auto plug = MakeLiveEditor(static_cast<double>(state.range(0)));
  IGraphics* g = plug->GetGUI();
  if (!g) {
    state.SkipWithError("no editor");
    return;
  }
  FreqView* view = plug->GetFreqView();
  for (auto _ : state) {
    view->Draw(g);
    benchmark::ClobberMemory();
  }
}

void RunEngine(benchmark::State& state, bool drawMeanwhile) {
  auto plug = MakePlug();
  std::vector<double> left = MakeSignal(1, kFrame), right = MakeSignal(2, kFrame), outL(kBlock), outR(kBlock);
  std::atomic<bool> stop{false};
  std::thread drawer;
  if (drawMeanwhile && plug->GetGUI()) {
    IGraphics* g = plug->GetGUI();
    drawer = std::thread([&] {
      while (!stop.load(std::memory_order_relaxed)) {
        IRECT r;
        if (g->IsDirty(&r)) g->Draw(&r);
      }
    });
  }
  for (auto _ : state) {
    ProcessFrame(*plug, left, right, outL, outR);
    benchmark::DoNotOptimize(outL.data());
  }
  stop = true;
  if (drawer.joinable()) drawer.join();
  state.counters["per_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * kFrame,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_EnginePerFrame(benchmark::State& state) { RunEngine(state, false); }
void BM_EnginePerFrameWhileEditorDraws(benchmark::State& state) { RunEngine(state, true); }

// The audio side of the hand-off: one 1024-float copy and one atomic exchange per frame.
void BM_SpectrumHandOff(benchmark::State& state) {
  auto plug = MakePlug();
  FreqViewData* data = plug->GetFreqViewData();
  for (auto _ : state) {
    data->PublishSpectrum();
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_EditorFullRedraw)->Arg(50)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FreqViewDraw)->Arg(50)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnginePerFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnginePerFrameWhileEditorDraws)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_SpectrumHandOff)->Unit(benchmark::kMicrosecond);

}  // namespace
