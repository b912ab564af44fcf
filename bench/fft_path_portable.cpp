// The FFT's plain path, without vector instructions.
// The build's own path switch (a property of the library) must not reach this copy.
#undef WDL_FFT_NO_AVX512
#undef WDL_FFT_NO_AVX2
#undef WDL_FFT_PORTABLE
#define WDL_FFT_PORTABLE
#define WDL_FFT_VARIANT fft_portable
#include "fft_path_variant.h"
