// The FFT's SSE2 path, as x86-64 processors without AVX2 run it.
// The build's own path switch (a property of the library) must not reach this copy.
#undef WDL_FFT_NO_AVX512
#undef WDL_FFT_NO_AVX2
#undef WDL_FFT_PORTABLE
#define WDL_FFT_NO_AVX2
#define WDL_FFT_VARIANT fft_sse2
#include "fft_path_variant.h"
