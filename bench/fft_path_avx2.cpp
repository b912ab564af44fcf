// The FFT's AVX2 path, as processors without AVX-512 run it.
// The build's own path switch (a property of the library) must not reach this copy.
#undef WDL_FFT_NO_AVX512
#undef WDL_FFT_NO_AVX2
#undef WDL_FFT_PORTABLE
#define WDL_FFT_NO_AVX512
#define WDL_FFT_VARIANT fft_avx2
#include "fft_path_variant.h"
