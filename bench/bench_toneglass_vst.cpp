// Toneglass.so through its real entry point, next to two third-party Linux VST 2
// plug-ins processing the same signal in the same run, and next to a plain copy of the
// buffers (the floor). Measures per-frame processing cost (single and double
// precision), the time from VSTPluginMain to the first processed block, and the
// resident memory each extra instance costs.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "vst_test_host.h"

#ifndef TONEGLASS_VST_PATH
#error "TONEGLASS_VST_PATH must name the built Toneglass.so"
#endif

namespace {

using vsthost::Library;
using vsthost::Plugin;
using vsthost::StereoBuffers;

constexpr float kSampleRate = 44100.0f;
constexpr int kMaxBlock = 512;

struct PlugInFile {
  const char* name;
  const char* path;
};
const PlugInFile kPlugIns[] = {
    {"Toneglass", TONEGLASS_VST_PATH},
    {"3BandEQ", "/usr/lib/vst/3BandEQ-vst.so"},
    {"LspSpectrumAnalyzerX2", "/usr/lib/vst/lsp-plugins/spectrum-analyzer-x2.so"},
};

// Each file is loaded once for the whole run.
Library& LibraryFor(int which) {
  static std::unique_ptr<Library> libs[3];
  if (!libs[which]) libs[which] = std::make_unique<Library>(kPlugIns[which].path);
  return *libs[which];
}

// Stereo white noise at -12 dBFS: the same signal for every plug-in.
template <class T>
void FillNoise(StereoBuffers<T>& buf) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<double> dist(-0.25, 0.25);
  for (auto& ch : buf.in)
    for (auto& s : ch) s = static_cast<T>(dist(rng));
}

std::unique_ptr<Plugin> Start(benchmark::State& state, int which) {
  Library& lib = LibraryFor(which);
  if (!lib.Ok()) {
    state.SkipWithError(("cannot load " + std::string(kPlugIns[which].path) + ": " + lib.Error()).c_str());
    return nullptr;
  }
  auto p = std::make_unique<Plugin>(lib.Main());
  if (!p->Ok()) {
    state.SkipWithError("no instance");
    return nullptr;
  }
  p->Host().mRecord = false;
  p->Start(kSampleRate, kMaxBlock);
  return p;
}

void SetPerFrameCounter(benchmark::State& state, int frames) {
  // Inverted rate: elapsed seconds per counted unit; a unit of 1e9 frames gives ns.
  // (Google Benchmark prints the figure with an "s" suffix; it is nanoseconds.)
  state.counters["ns_per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames / 1e9,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// ---- Processing ------------------------------------------------------------------------------

void BM_PlainCopy(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  StereoBuffers<float> buf(frames);
  FillNoise(buf);
  for (auto _ : state) {
    for (int c = 0; c < 2; ++c) memcpy(buf.outPtr[c], buf.inPtr[c], sizeof(float) * frames);
    benchmark::DoNotOptimize(buf.outPtr[0]);
    benchmark::ClobberMemory();
  }
  SetPerFrameCounter(state, frames);
}

void BM_ProcessReplacing(benchmark::State& state, int which) {
  const int frames = static_cast<int>(state.range(0));
  auto p = Start(state, which);
  if (!p) return;
  StereoBuffers<float> buf(frames);
  FillNoise(buf);
  AEffect* e = p->Effect();
  for (auto _ : state) {
    e->processReplacing(e, buf.inPtr, buf.outPtr, frames);
    benchmark::ClobberMemory();
  }
  SetPerFrameCounter(state, frames);
}

void BM_ProcessDoubleReplacing(benchmark::State& state, int which) {
  const int frames = static_cast<int>(state.range(0));
  auto p = Start(state, which);
  if (!p) return;
  AEffect* e = p->Effect();
  if (!(e->flags & effFlagsCanDoubleReplacing) || !e->processDoubleReplacing) {
    state.SkipWithError("no double-precision path");
    return;
  }
  p->Dispatch(effSetProcessPrecision, 0, kVstProcessPrecision64);
  StereoBuffers<double> buf(frames);
  FillNoise(buf);
  for (auto _ : state) {
    e->processDoubleReplacing(e, buf.inPtr, buf.outPtr, frames);
    benchmark::ClobberMemory();
  }
  SetPerFrameCounter(state, frames);
}

// ---- Start-up and memory ---------------------------------------------------------------------

// From the entry point to the end of the first 512-frame block (closing not timed).
void BM_EntryToFirstBlock(benchmark::State& state, int which) {
  Library& lib = LibraryFor(which);
  if (!lib.Ok()) {
    state.SkipWithError("cannot load");
    return;
  }
  StereoBuffers<float> buf(kMaxBlock);
  FillNoise(buf);
  for (auto _ : state) {
    auto p = std::make_unique<Plugin>(lib.Main());
    p->Host().mRecord = false;
    p->Start(kSampleRate, kMaxBlock);
    p->Effect()->processReplacing(p->Effect(), buf.inPtr, buf.outPtr, kMaxBlock);
    state.PauseTiming();
    p.reset();
    state.ResumeTiming();
  }
}

long ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = fopen("/proc/self/statm", "r")) {
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

// Heap bytes in use (small blocks and mapped large ones).
double HeapBytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks) + static_cast<double>(info.hblkhd);
}

// Resident memory added by each of 32 running instances beyond the first. Pages freed
// by earlier benchmarks may be reused, so resident growth is only meaningful in a fresh
// process (--benchmark_filter=Resident.*Name); the heap figure does not depend on it.
void BM_ResidentPerExtraInstance(benchmark::State& state, int which) {
  constexpr int kInstances = 32;
  double perInstance = 0.0, heapPerInstance = 0.0;
  for (auto _ : state) {
    auto first = Start(state, which);
    if (!first) return;
    StereoBuffers<float> buf(kMaxBlock);
    FillNoise(buf);
    first->Effect()->processReplacing(first->Effect(), buf.inPtr, buf.outPtr, kMaxBlock);
    const long before = ResidentBytes();
    const double heapBefore = HeapBytesInUse();
    std::vector<std::unique_ptr<Plugin>> extra;
    for (int i = 0; i < kInstances; ++i) {
      extra.push_back(Start(state, which));
      extra.back()->Effect()->processReplacing(extra.back()->Effect(), buf.inPtr, buf.outPtr, kMaxBlock);
    }
    perInstance = static_cast<double>(ResidentBytes() - before) / kInstances;
    heapPerInstance = (HeapBytesInUse() - heapBefore) / kInstances;
  }
  state.counters["rss_bytes_per_instance"] = perInstance;
  state.counters["heap_bytes_per_instance"] = heapPerInstance;
}

void RegisterAll() {
  benchmark::RegisterBenchmark("PlainCopy", BM_PlainCopy)->Arg(64)->Arg(512);
  for (int i = 0; i < 3; ++i) {
    const std::string name = kPlugIns[i].name;
    benchmark::RegisterBenchmark(("ProcessReplacing/" + name).c_str(), BM_ProcessReplacing, i)->Arg(64)->Arg(512);
    benchmark::RegisterBenchmark(("ProcessDoubleReplacing/" + name).c_str(), BM_ProcessDoubleReplacing, i)
        ->Arg(64)
        ->Arg(512);
  }
  for (int i = 0; i < 3; ++i)
    benchmark::RegisterBenchmark(("EntryToFirstBlock/" + std::string(kPlugIns[i].name)).c_str(),
                                 BM_EntryToFirstBlock, i)
        ->Unit(benchmark::kMicrosecond);
  for (int i = 0; i < 3; ++i)
    benchmark::RegisterBenchmark(("ResidentPerExtraInstance/" + std::string(kPlugIns[i].name)).c_str(),
                                 BM_ResidentPerExtraInstance, i)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

const bool kRegistered = (RegisterAll(), true);

}  // namespace
