// Cost of the engine per stereo frame, in 512-frame blocks, for silence, white noise
// below the threshold, the same noise in the subnormal range, and a sine that starts a
// blip in every analysis frame, against a plain copy of the input (the floor any
// processing pays). The "frame" counter is the time per stereo frame. Silence and
// subnormal input must not cost more than noise.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "Toneglass.h"

namespace {

constexpr int kBlock = 512;
// Several analysis frames of input, cycled through block by block.
constexpr int kSignalFrames = 8 * Toneglass::kFrameSize;

enum class Signal { kSilence, kNoise, kSubnormalNoise, kBlipEveryFrame };

std::vector<double> MakeSignal(Signal kind, uint32_t seed) {
  std::vector<double> s(kSignalFrames, 0.0);
  for (int i = 0; i < kSignalFrames; ++i) {
    switch (kind) {
      case Signal::kSilence:
        break;
      case Signal::kNoise:
        // Uniform noise at about -20 dBFS: every bin reads near -45 dB, under the threshold.
        seed = seed * 1664525u + 1013904223u;
        s[i] = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.35;
        break;
      case Signal::kSubnormalNoise:
        // The same noise scaled into the subnormal range (below 2.2e-308).
        seed = seed * 1664525u + 1013904223u;
        s[i] = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 1e-310;
        break;
      case Signal::kBlipEveryFrame:
        s[i] = 0.5 * std::sin(2.0 * 3.14159265358979323846 * 1000.0 * i / 44100.0);
        break;
    }
  }
  return s;
}

std::unique_ptr<Toneglass> MakeEngine() {
  auto plug = std::make_unique<Toneglass>();
  plug->SetSampleRate(44100.0);
  const double values[Toneglass::kNumParams] = {-30.0, 100.0, 10000.0, -6.0, -6.0};
  for (int i = 0; i < Toneglass::kNumParams; ++i) plug->GetParam(i)->Set(values[i]);
  plug->OnParamReset();
  plug->Reset();
  return plug;
}

void SetFrameCounter(benchmark::State& state) {
  state.counters["frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CopyFloor(benchmark::State& state) {
  std::vector<double> left = MakeSignal(Signal::kNoise, 1), right = MakeSignal(Signal::kNoise, 2);
  std::vector<double> outL(kBlock), outR(kBlock);
  int pos = 0;
  for (auto _ : state) {
    memcpy(outL.data(), left.data() + pos, sizeof(double) * kBlock);
    memcpy(outR.data(), right.data() + pos, sizeof(double) * kBlock);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
    pos = (pos + kBlock) % kSignalFrames;
  }
  SetFrameCounter(state);
}

void RunEngine(benchmark::State& state, Signal kind) {
  auto plug = MakeEngine();
  std::vector<double> left = MakeSignal(kind, 1), right = MakeSignal(kind, 2);
  if (kind == Signal::kBlipEveryFrame) right = left;
  std::vector<double> outL(kBlock), outR(kBlock);
  int pos = 0;
  const long long framesBefore = plug->GetLastToneStart().frameIndex;
  for (auto _ : state) {
    double* ins[2] = {left.data() + pos, right.data() + pos};
    double* outs[2] = {outL.data(), outR.data()};
    plug->ProcessDoubleReplacing(ins, outs, kBlock);
    benchmark::DoNotOptimize(outL.data());
    benchmark::ClobberMemory();
    pos = (pos + kBlock) % kSignalFrames;
  }
  SetFrameCounter(state);
  // Confirms each case does what its name says.
  const bool blipped = plug->GetLastToneStart().frameIndex != framesBefore;
  if (blipped != (kind == Signal::kBlipEveryFrame) && state.iterations() >= 4 * Toneglass::kFrameSize / kBlock)
    state.SkipWithError("the signal did not behave as intended");
}

void BM_EngineSilence(benchmark::State& state) { RunEngine(state, Signal::kSilence); }
void BM_EngineNoise(benchmark::State& state) { RunEngine(state, Signal::kNoise); }
void BM_EngineSubnormalNoise(benchmark::State& state) { RunEngine(state, Signal::kSubnormalNoise); }
void BM_EngineBlipEveryFrame(benchmark::State& state) { RunEngine(state, Signal::kBlipEveryFrame); }

}  // namespace

BENCHMARK(BM_CopyFloor);
BENCHMARK(BM_EngineSilence);
BENCHMARK(BM_EngineNoise);
BENCHMARK(BM_EngineSubnormalNoise);
BENCHMARK(BM_EngineBlipEveryFrame);
