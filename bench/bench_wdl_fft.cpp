// Our FFT side by side with FFTW3 on the same complex double data: every code path the
// processor can run (AVX-512, AVX2, SSE2, plain; each a copy of the FFT compiled for it)
// at every size from 16 to 65536, forward, and the 2048-point inverse, against FFTW's
// out-of-place transform planned with FFTW_MEASURE. After the run a table gives each
// path's time over FFTW's per size: below 1 is faster than FFTW.
//
//   bench_wdl_fft --benchmark_filter='/2048$' --benchmark_min_time=0.2
//
// The in-place transforms run over the same buffer again and again; it is refilled from
// the input every kRefillEvery iterations so the values grow by at most ~45^32 and
// never reach infinity (nor do they ever shrink into denormals).
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fft_paths.h"

namespace {

constexpr int kMinSize = 16;
constexpr int kMaxSize = 65536;
constexpr int kAnalyserSize = 2048;
constexpr int kRefillEvery = 32;

static_assert(sizeof(fftw_complex) == sizeof(WDL_fft_complex), "same complex layout");

// Cache-line aligned arrays for both sides, or both at the same offset from a line:
// the wide loads of either cost more across line boundaries, and a heap block's
// placement would otherwise decide the comparison from run to run.
constexpr size_t kLine = 64;
fftw_complex* AllocateAt(int size, size_t offsetBytes) {
  char* raw = static_cast<char*>(std::aligned_alloc(kLine, sizeof(fftw_complex) * size + kLine));
  return reinterpret_cast<fftw_complex*>(raw + offsetBytes);
}
void FreeAt(fftw_complex* p, size_t offsetBytes) { std::free(reinterpret_cast<char*>(p) - offsetBytes); }

struct AlignedSignal {
  AlignedSignal(int n, size_t offsetBytes) : size(n), offset(offsetBytes) {
    input = AllocateAt(size, 0);
    work = AllocateAt(size, offset);
    std::mt19937 gen(12345);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int i = 0; i < size; ++i) {
      input[i][0] = dist(gen);
      input[i][1] = dist(gen);
    }
    Refill();
  }
  ~AlignedSignal() {
    FreeAt(input, 0);
    FreeAt(work, offset);
  }
  AlignedSignal(const AlignedSignal&) = delete;
  AlignedSignal& operator=(const AlignedSignal&) = delete;

  void Refill() { memcpy(work, input, sizeof(fftw_complex) * size); }
  WDL_fft_complex* WorkAsWdl() { return reinterpret_cast<WDL_fft_complex*>(work); }

  int size;
  size_t offset;
  fftw_complex* input;
  fftw_complex* work;
};

bool Runnable(const FftPath& p) { return strcmp(p.path(), p.name) == 0; }

// The first call builds the tables the plug-in's first instance waits for.
void InitFirstCall(benchmark::State& state, const FftPath* p) {
  for (auto _ : state) p->init();
}

void Ours(benchmark::State& state, const FftPath* p, int size, int inverse, size_t offsetBytes) {
  p->init();
  AlignedSignal sig(size, offsetBytes);
  int n = 0;
  for (auto _ : state) {
    if (++n == kRefillEvery) {
      sig.Refill();
      n = 0;
    }
    p->transform(sig.WorkAsWdl(), size, inverse);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size);
}

void Fftw(benchmark::State& state, int size, size_t offsetBytes) {
  AlignedSignal sig(size, offsetBytes);
  fftw_complex* out = AllocateAt(size, offsetBytes);
  fftw_plan plan = fftw_plan_dft_1d(size, sig.work, out, FFTW_FORWARD, FFTW_MEASURE);
  sig.Refill();  // planning with FFTW_MEASURE overwrites the arrays
  for (auto _ : state) {
    fftw_execute(plan);
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(plan);
  FreeAt(out, offsetBytes);
  state.SetItemsProcessed(state.iterations() * size);
}

std::string ForwardName(const char* who, int size) {
  return std::string("Forward/") + who + "/" + std::to_string(size);
}

void RegisterAll() {
  // The first calls run before anything else has built a path's tables.
  for (const FftPath& p : kFftPaths) {
    if (!Runnable(p)) continue;
    benchmark::RegisterBenchmark((std::string("InitFirstCall/") + p.name).c_str(), InitFirstCall, &p)
        ->Iterations(1)
        ->Repetitions(1)
        ->Unit(benchmark::kMicrosecond);
  }
  for (int size = kMinSize; size <= kMaxSize; size *= 2) {
    for (const FftPath& p : kFftPaths) {
      if (!Runnable(p)) continue;
      benchmark::RegisterBenchmark(ForwardName(p.name, size).c_str(), Ours, &p, size, 0, size_t{0});
    }
    benchmark::RegisterBenchmark(ForwardName("fftw", size).c_str(), Fftw, size, size_t{0});
  }
  for (const FftPath& p : kFftPaths) {
    if (!Runnable(p)) continue;
    benchmark::RegisterBenchmark((std::string("Inverse/") + p.name + "/2048").c_str(), Ours, &p, kAnalyserSize, 1,
                                 size_t{0});
  }
  // Arrays half a line off, ours and FFTW's alike.
  benchmark::RegisterBenchmark("Offset32/Forward/widest/2048", Ours, &kFftPaths[0], kAnalyserSize, 0, size_t{32});
  benchmark::RegisterBenchmark("Offset32/Forward/fftw/2048", Fftw, kAnalyserSize, size_t{32});
}

// The console report, plus every forward time kept by name for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      // a shared machine preempts; CPU time less so
      const double t = r.GetAdjustedCPUTime();
      const std::string name = r.run_name.str();
      if (r.run_type == Run::RT_Aggregate) {
        if (r.aggregate_name == "median") mMedian[name] = t;
      } else if (!mFastest.count(name) || t < mFastest[name]) {
        mFastest[name] = t;
      }
    }
  }

  // The median of the repetitions when there were several, else the one time.
  const double* Time(const std::string& name) const {
    auto it = mMedian.find(name);
    if (it != mMedian.end()) return &it->second;
    it = mFastest.find(name);
    return it == mFastest.end() ? nullptr : &it->second;
  }

  void PrintRatios() const {
    printf("\nForward transform CPU time / FFTW's (FFTW_MEASURE, out of place, aligned), median of repetitions:\n");
    printf("%8s", "size");
    for (const FftPath& p : kFftPaths)
      if (Runnable(p)) printf(" %9s", p.name);
    printf("\n");
    for (int size = kMinSize; size <= kMaxSize; size *= 2) {
      const double* fftw = Time(ForwardName("fftw", size));
      bool any = false;
      for (const FftPath& p : kFftPaths) any = any || (Runnable(p) && Time(ForwardName(p.name, size)));
      if (!any || !fftw) continue;
      printf("%8d", size);
      for (const FftPath& p : kFftPaths) {
        if (!Runnable(p)) continue;
        const double* ours = Time(ForwardName(p.name, size));
        if (ours)
          printf(" %9.3f", *ours / *fftw);
        else
          printf(" %9s", "-");
      }
      printf("\n");
    }
  }

 private:
  std::map<std::string, double> mFastest, mMedian;
};

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
