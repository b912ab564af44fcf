// In-place complex FFT on arrays of doubles, power-of-two sizes 2 to 524288.
//
// The forward transform leaves its spectrum in a scrambled order: frequency bin k of
// an n-point transform lies at position WDL_fft_permute(n, k). The inverse takes that
// scrambled order back to natural order. Neither direction scales, so a forward
// transform followed by an inverse multiplies the data by the size.
#ifndef WDL_FFT_H_
#define WDL_FFT_H_

// One complex value: real part, then imaginary part.
struct WDL_fft_complex {
  double re, im;
};

// Chooses the code path and builds the twiddle and permutation tables of every size up
// to 8192 the first time it is called (well under a millisecond); later calls return at
// once. Safe to call from several threads at the same time: every caller returns only
// once those tables are complete. The tables of a larger size are built by its first
// transform or lookup (or by WDL_fft_prepare), and transforms and lookups made before
// any initialisation initialise the tables themselves: forgetting either costs time,
// never accuracy. Every table holds the same values however and whenever it was built.
void WDL_fft_init();

// WDL_fft_init, then every table a transform or lookup of the given size reads, so that
// they cost no building later (as on an audio thread). Does nothing for a size that is
// not a supported transform size.
void WDL_fft_prepare(int size);

// Transforms the size entries of buffer in place: forward when inverse is 0, inverse
// otherwise, no scaling. Sizes other than 2, 4, 8, ..., 524288 (and a null buffer)
// leave the buffer untouched.
void WDL_fft(WDL_fft_complex* buffer, int size, int inverse);

// Position in the forward result of frequency bin `bin` (X[k] = sum x[m] e^(-2 pi i m k / size)).
// Returns -1 when size is not a supported transform size or bin is outside [0, size).
int WDL_fft_permute(int size, int bin);

// The size-entry table that WDL_fft_permute reads: entry k is the position of bin k.
// Returns null for a size that is not a supported transform size.
const int* WDL_fft_permute_tab(int size);

// a[i] = a[i] * b[i] for i in [0, n). Does nothing unless n >= 2 and n is even.
void WDL_fft_complexmul(WDL_fft_complex* a, const WDL_fft_complex* b, int n);

// dest[i] = a[i] * b[i] for i in [0, n). Does nothing unless n >= 2 and n is even.
void WDL_fft_complexmul2(WDL_fft_complex* dest, const WDL_fft_complex* a, const WDL_fft_complex* b, int n);

// dest[i] += a[i] * b[i] for i in [0, n). Does nothing unless n >= 2 and n is even.
void WDL_fft_complexmul3(WDL_fft_complex* dest, const WDL_fft_complex* a, const WDL_fft_complex* b, int n);

// The code path the transforms take: "avx2", "sse2" or "portable" (decided when the
// tables are built, by the build's switches and the processor).
const char* WDL_fft_path();

#endif  // WDL_FFT_H_
