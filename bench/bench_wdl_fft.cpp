// Our 2048-point transform side by side with FFTW3 on the same complex double data.
// Compare BM_WdlFftForward2048 with the faster of the two FFTW variants (and the two
// Offset32 cases, arrays half a cache line off, with each other); the inverse
// and the one-time table build are measured in the same run.
//
// The in-place variants transform the same buffer over and over; it is refilled from
// the input every kRefillEvery iterations so the values grow by at most ~45^32 and
// never reach infinity (nor do they ever shrink into denormals).
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "fft.h"

namespace {

constexpr int kSize = 2048;
constexpr int kRefillEvery = 32;

static_assert(sizeof(fftw_complex) == sizeof(WDL_fft_complex), "same complex layout");

// Cache-line aligned arrays for both sides, or both at the same offset from a line:
// the wide loads of either cost more across line boundaries, and a heap block's
// placement would otherwise decide the comparison from run to run.
constexpr size_t kLine = 64;
fftw_complex* AllocateAt(size_t offsetBytes) {
  char* raw = static_cast<char*>(std::aligned_alloc(kLine, sizeof(fftw_complex) * kSize + kLine));
  return reinterpret_cast<fftw_complex*>(raw + offsetBytes);
}
void FreeAt(fftw_complex* p, size_t offsetBytes) { std::free(reinterpret_cast<char*>(p) - offsetBytes); }

struct AlignedSignal {
  explicit AlignedSignal(size_t offsetBytes = 0) : offset(offsetBytes) {
    input = AllocateAt(0);
    work = AllocateAt(offset);
    std::mt19937 gen(12345);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int i = 0; i < kSize; ++i) {
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

  void Refill() { memcpy(work, input, sizeof(fftw_complex) * kSize); }
  WDL_fft_complex* WorkAsWdl() { return reinterpret_cast<WDL_fft_complex*>(work); }

  size_t offset;
  fftw_complex* input;
  fftw_complex* work;
};

// Registered first so that it runs while the tables are still unbuilt.
void BM_WdlFftInitFirstCall(benchmark::State& state) {
  for (auto _ : state) WDL_fft_init();
}
BENCHMARK(BM_WdlFftInitFirstCall)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

void BM_WdlFftInitLaterCall(benchmark::State& state) {
  WDL_fft_init();
  for (auto _ : state) WDL_fft_init();
}
BENCHMARK(BM_WdlFftInitLaterCall);

void RunWdl(benchmark::State& state, int inverse, size_t offsetBytes = 0) {
  WDL_fft_init();
  AlignedSignal sig(offsetBytes);
  int n = 0;
  for (auto _ : state) {
    if (++n == kRefillEvery) {
      sig.Refill();
      n = 0;
    }
    WDL_fft(sig.WorkAsWdl(), kSize, inverse);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSize);
}

void BM_WdlFftForward2048(benchmark::State& state) { RunWdl(state, 0); }
BENCHMARK(BM_WdlFftForward2048);
// Half a line off: compare with BM_FftwForward2048OutOfPlaceOffset32.
void BM_WdlFftForward2048Offset32(benchmark::State& state) { RunWdl(state, 0, 32); }
BENCHMARK(BM_WdlFftForward2048Offset32);

void BM_WdlFftInverse2048(benchmark::State& state) { RunWdl(state, 1); }
BENCHMARK(BM_WdlFftInverse2048);

void BM_FftwForward2048InPlace(benchmark::State& state) {
  AlignedSignal sig;
  fftw_plan plan = fftw_plan_dft_1d(kSize, sig.work, sig.work, FFTW_FORWARD, FFTW_MEASURE);
  sig.Refill();  // planning with FFTW_MEASURE overwrites the arrays
  int n = 0;
  for (auto _ : state) {
    if (++n == kRefillEvery) {
      sig.Refill();
      n = 0;
    }
    fftw_execute(plan);
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(plan);
  state.SetItemsProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_FftwForward2048InPlace);

void RunFftwOutOfPlace(benchmark::State& state, size_t offsetBytes) {
  AlignedSignal sig(offsetBytes);
  fftw_complex* out = AllocateAt(offsetBytes);
  fftw_plan plan = fftw_plan_dft_1d(kSize, sig.work, out, FFTW_FORWARD, FFTW_MEASURE);
  sig.Refill();
  for (auto _ : state) {
    fftw_execute(plan);
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(plan);
  FreeAt(out, offsetBytes);
  state.SetItemsProcessed(state.iterations() * kSize);
}
void BM_FftwForward2048OutOfPlace(benchmark::State& state) { RunFftwOutOfPlace(state, 0); }
BENCHMARK(BM_FftwForward2048OutOfPlace);
void BM_FftwForward2048OutOfPlaceOffset32(benchmark::State& state) { RunFftwOutOfPlace(state, 32); }
BENCHMARK(BM_FftwForward2048OutOfPlaceOffset32);

}  // namespace
