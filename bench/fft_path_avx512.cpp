// The FFT's widest path: AVX-512 where the processor has it, else the next one down.
// The build's own path switch (a property of the library) must not reach this copy.
#undef WDL_FFT_NO_AVX512
#undef WDL_FFT_NO_AVX2
#undef WDL_FFT_PORTABLE

#define WDL_FFT_VARIANT fft_avx512
#include "fft_path_variant.h"
