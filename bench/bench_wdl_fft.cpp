// Our 2048-point transform side by side with FFTW3 on the same complex double data.
// Compare BM_WdlFftForward2048 with the faster of the two FFTW variants; the inverse
// and the one-time table build are measured in the same run.
//
// The in-place variants transform the same buffer over and over; it is refilled from
// the input every kRefillEvery iterations so the values grow by at most ~45^32 and
// never reach infinity (nor do they ever shrink into denormals).
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstring>
#include <random>

#include "fft.h"

namespace {

constexpr int kSize = 2048;
constexpr int kRefillEvery = 32;

static_assert(sizeof(fftw_complex) == sizeof(WDL_fft_complex), "same complex layout");

// FFTW's aligned allocation for both sides, so neither gains from alignment.
struct AlignedSignal {
  AlignedSignal() {
    input = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * kSize));
    work = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * kSize));
    std::mt19937 gen(12345);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int i = 0; i < kSize; ++i) {
      input[i][0] = dist(gen);
      input[i][1] = dist(gen);
    }
    Refill();
  }
  ~AlignedSignal() {
    fftw_free(input);
    fftw_free(work);
  }
  AlignedSignal(const AlignedSignal&) = delete;
  AlignedSignal& operator=(const AlignedSignal&) = delete;

  void Refill() { memcpy(work, input, sizeof(fftw_complex) * kSize); }
  WDL_fft_complex* WorkAsWdl() { return reinterpret_cast<WDL_fft_complex*>(work); }

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

void RunWdl(benchmark::State& state, int inverse) {
  WDL_fft_init();
  AlignedSignal sig;
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

void BM_FftwForward2048OutOfPlace(benchmark::State& state) {
  AlignedSignal sig;
  fftw_complex* out = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * kSize));
  fftw_plan plan = fftw_plan_dft_1d(kSize, sig.work, out, FFTW_FORWARD, FFTW_MEASURE);
  sig.Refill();
  for (auto _ : state) {
    fftw_execute(plan);
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(plan);
  fftw_free(out);
  state.SetItemsProcessed(state.iterations() * kSize);
}
BENCHMARK(BM_FftwForward2048OutOfPlace);

}  // namespace
