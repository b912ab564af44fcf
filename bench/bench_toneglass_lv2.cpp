// The LV2 build against the VST 2 build in the same run: run() per frame through lilv
// against processReplacing per frame through the entry point, on the same signal and
// block size; and LSP's spectrum analyser x2 in both formats, the peer measured the same
// way. The ratios to read: Lv2Run/Toneglass over Vst2ProcessReplacing/Toneglass (the
// binding's own cost), and each format's Toneglass over its LSP peer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lv2_test_host.h"
#include "vst_test_host.h"

#if !defined(TONEGLASS_LV2_BUNDLE) || !defined(TONEGLASS_VST_PATH)
#error "TONEGLASS_LV2_BUNDLE and TONEGLASS_VST_PATH must name the built bundle and Toneglass.so"
#endif

namespace {

constexpr double kSampleRate = 44100.0;
constexpr int kBlock = 512;
constexpr const char* kLspLv2Bundle = "/usr/lib/lv2/lsp-plugins.lv2";
constexpr const char* kLspLv2URI = "http://lsp-plug.in/plugins/lv2/spectrum_analyzer_x2";
constexpr const char* kLspVstPath = "/usr/lib/vst/lsp-plugins/spectrum-analyzer-x2.so";

// Stereo white noise at -12 dBFS, the same for every plug-in.
void FillNoise(float* left, float* right, int n) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<double> dist(-0.25, 0.25);
  for (int i = 0; i < n; ++i) left[i] = static_cast<float>(dist(rng));
  for (int i = 0; i < n; ++i) right[i] = static_cast<float>(dist(rng));
}

void SetPerFrameCounter(benchmark::State& state, int frames) {
  // Elapsed seconds per 1e9 frames: nanoseconds per frame (printed with an "s" suffix).
  state.counters["ns_per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames / 1e9,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

lv2host::World& World() {
  static lv2host::World world({TONEGLASS_LV2_BUNDLE, kLspLv2Bundle});
  return world;
}

void BM_Lv2Run(benchmark::State& state, const char* uri) {
  const LilvPlugin* plugin = World().Plugin(uri);
  if (!plugin) {
    state.SkipWithError((std::string("no LV2 plug-in ") + uri).c_str());
    return;
  }
  lv2host::Instance inst(World(), plugin, kSampleRate, kBlock);
  if (!inst.Ok()) {
    state.SkipWithError("cannot instantiate");
    return;
  }
  inst.Activate();
  FillNoise(inst.In(0), inst.In(1), kBlock);
  for (auto _ : state) {
    inst.Run(kBlock);
    benchmark::ClobberMemory();
  }
  SetPerFrameCounter(state, kBlock);
}

void BM_Vst2ProcessReplacing(benchmark::State& state, const char* path) {
  static std::vector<std::unique_ptr<vsthost::Library>> libs;
  libs.push_back(std::make_unique<vsthost::Library>(path));
  vsthost::Library& lib = *libs.back();
  if (!lib.Ok()) {
    state.SkipWithError(("cannot load " + std::string(path) + ": " + lib.Error()).c_str());
    return;
  }
  vsthost::Plugin p(lib.Main());
  if (!p.Ok()) {
    state.SkipWithError("no instance");
    return;
  }
  p.Host().mRecord = false;
  p.Start(static_cast<float>(kSampleRate), kBlock);
  vsthost::StereoBuffers<float> buf(kBlock);
  FillNoise(buf.inPtr[0], buf.inPtr[1], kBlock);
  AEffect* e = p.Effect();
  for (auto _ : state) {
    e->processReplacing(e, buf.inPtr, buf.outPtr, kBlock);
    benchmark::ClobberMemory();
  }
  SetPerFrameCounter(state, kBlock);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Vst2ProcessReplacing, Toneglass, TONEGLASS_VST_PATH);
BENCHMARK_CAPTURE(BM_Lv2Run, Toneglass, "urn:vantor:toneglass");
BENCHMARK_CAPTURE(BM_Vst2ProcessReplacing, LspSpectrumAnalyzerX2, kLspVstPath);
BENCHMARK_CAPTURE(BM_Lv2Run, LspSpectrumAnalyzerX2, kLspLv2URI);
