// Every code path of the FFT in one program: the source compiled once per path, each
// copy in its own namespace with its own tables (fft_path_*.cpp).
#ifndef BENCH_FFT_PATHS_H_
#define BENCH_FFT_PATHS_H_

#include "fft.h"

#define BENCH_FFT_DECLARE_PATH(ns)                                    \
  namespace ns {                                                      \
  void WDL_fft_init();                                                \
  void WDL_fft(WDL_fft_complex* buffer, int size, int inverse);       \
  const char* WDL_fft_path();                                         \
  }

BENCH_FFT_DECLARE_PATH(fft_avx512)
BENCH_FFT_DECLARE_PATH(fft_avx2)
BENCH_FFT_DECLARE_PATH(fft_sse2)
BENCH_FFT_DECLARE_PATH(fft_portable)

#undef BENCH_FFT_DECLARE_PATH

struct FftPath {
  const char* name;  // what WDL_fft_path() reports when the processor runs this path
  void (*init)();
  void (*transform)(WDL_fft_complex*, int, int);
  const char* (*path)();
};

inline const FftPath kFftPaths[] = {
    {"avx512", fft_avx512::WDL_fft_init, fft_avx512::WDL_fft, fft_avx512::WDL_fft_path},
    {"avx2", fft_avx2::WDL_fft_init, fft_avx2::WDL_fft, fft_avx2::WDL_fft_path},
    {"sse2", fft_sse2::WDL_fft_init, fft_sse2::WDL_fft, fft_sse2::WDL_fft_path},
    {"portable", fft_portable::WDL_fft_init, fft_portable::WDL_fft, fft_portable::WDL_fft_path},
};

#endif  // BENCH_FFT_PATHS_H_
