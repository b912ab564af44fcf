// Compiles the FFT's source once more inside the namespace WDL_FFT_VARIANT, with the
// path switches the including file set, so that one benchmark program holds every path
// the FFT has. The headers the source includes come first, outside the namespace; their
// include guards keep them out of it.
#ifndef WDL_FFT_VARIANT
#error "define WDL_FFT_VARIANT (the namespace) before including this file"
#endif

#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>
#if defined(__SSE2__)
#include <emmintrin.h>
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

#include "fft.h"

namespace WDL_FFT_VARIANT {
#include "fft.cpp"
}
