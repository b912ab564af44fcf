// Split-radix complex FFT, in place, power-of-two sizes 2 to 524288.
//
// Arithmetic. Every value is a WDL_fft_complex (re, im). A twiddle w is a point
// (cos t, sin t) on the unit circle; "times w" is the complex product, "times conj(w)"
// the product with (cos t, -sin t). Multiplying by i turns (x, y) into (-y, x) and by
// -i into (y, -x), so those cost no multiplication.
//
// Forward step of size N (decimation in frequency), for j in [0, N/4) over the four
// quarters a0 = x[j], a1 = x[j + N/4], a2 = x[j + N/2], a3 = x[j + 3N/4]:
//     a0 <- a0 + a2      a2 <- (u + i v) w^j      with u = a0 - a2,  v = a1 - a3
//     a1 <- a1 + a3      a3 <- (u - i v) conj(w)^j
// then the N/2-point transform of the first half and an N/4-point transform of each of
// the last two quarters. The first half thus holds the even frequencies, the third
// quarter those that are 1 mod 4 and the fourth quarter those that are 3 mod 4 (in the
// positive-exponent sense); the permutation tables map each bin to its position.
//
// The inverse undoes this step by step (decimation in time): the sub-transforms first,
// then the inverse step with X2 = a2 conj(w)^j and X3 = a3 w^j. No direction scales.
//
// Tables: dN holds w^k = (cos 2 pi k/N, sin 2 pi k/N) for k = 1 .. N/4 - 1 when
// N <= 512, and only k = 1 .. N/8 - 1 when N >= 1024: the large passes read the second
// eighth of the circle from the first with cosine and sine exchanged.
#include "fft.h"

#include <atomic>
#include <cmath>
#include <mutex>

#if defined(__GNUC__) && !defined(__clang__)
#define WDL_FFT_HOT __attribute__((hot))
#else
#define WDL_FFT_HOT
#endif

namespace {

using C = WDL_fft_complex;

constexpr int kMinTabledSize = 16;
constexpr int kMaxSize = 524288;

// ---------------------------------------------------------------- static tables

C d16[3], d32[7], d64[15], d128[31], d256[63], d512[127];
C d1024[127], d2048[255], d4096[511], d8192[1023], d16384[2047], d32768[4095], d65536[8191],
    d131072[16383], d262144[32767], d524288[65535];

// Permutation tables for N = 16 .. 524288, the one of size N starting at N - 16.
int _idxperm[2 * kMaxSize];
// The same for the sizes below 16, which the layout above has no room for:
// size 2 at 0, size 4 at 2, size 8 at 6.
int smallidxperm[2 + 4 + 8];

std::atomic<bool> ffttabinit{false};
std::once_flag tablesOnce;

// ---------------------------------------------------------------- table building

void __fft_gen(C* table, int count, int isfull) {
  double step = (M_PI / 4.0) / (count + 1);
  if (isfull) step *= 2.0;
  for (int j = 0; j < count; ++j) {
    table[j].re = cos((j + 1) * step);
    table[j].im = sin((j + 1) * step);
  }
}

// Frequency (positive-exponent sense) found at output position i of an n-point pass.
int fftfreq_c(int i, int n) {
  if (n < 3) return i;
  const int half = n / 2;
  if (i < half) return 2 * fftfreq_c(i, half);
  i -= half;
  const int q = n / 4;
  if (i < q) return 4 * fftfreq_c(i, q) + 1;
  return (4 * fftfreq_c(i - q, q) - 1) & (n - 1);
}

// Storing position i at n minus its frequency turns the positive-exponent labels into
// the bins of the forward (negative-exponent) contract.
void idx_perm_calc(int* table, int offset, int n) {
  table[offset] = 0;
  for (int i = 1; i < n; ++i) table[offset + n - fftfreq_c(i, n)] = i;
}

void BuildTables() {
  C* quarterTables[] = {d16, d32, d64, d128, d256, d512};
  for (int k = 0, n = 16; n <= 512; ++k, n *= 2) __fft_gen(quarterTables[k], n / 4 - 1, 1);
  C* eighthTables[] = {d1024, d2048, d4096, d8192, d16384, d32768, d65536, d131072, d262144, d524288};
  for (int k = 0, n = 1024; n <= kMaxSize; ++k, n *= 2) __fft_gen(eighthTables[k], n / 8 - 1, 0);

  for (int n = kMinTabledSize; n <= kMaxSize; n *= 2) idx_perm_calc(_idxperm, n - kMinTabledSize, n);
  for (int n = 2; n < kMinTabledSize; n *= 2) idx_perm_calc(smallidxperm, n - 2, n);

  ffttabinit.store(true, std::memory_order_release);
}

inline void EnsureTables() {
  if (!ffttabinit.load(std::memory_order_acquire)) WDL_fft_init();
}

// ---------------------------------------------------------------- complex helpers

// x * (c + i s)
inline void Rotate(C& x, double c, double s) {
  const double re = x.re * c - x.im * s;
  x.im = x.re * s + x.im * c;
  x.re = re;
}

// x * (c - i s)
inline void RotateConj(C& x, double c, double s) {
  const double re = x.re * c + x.im * s;
  x.im = x.im * c - x.re * s;
  x.re = re;
}

// One column of the forward step: the four quarters at the same offset j, with
// w^j = (c, s).
inline void ForwardButterfly(C* __restrict a0, C* __restrict a1, C* __restrict a2, C* __restrict a3,
                             double c, double s) {
  const double ure = a0->re - a2->re, uim = a0->im - a2->im;
  const double vre = a1->re - a3->re, vim = a1->im - a3->im;
  a0->re += a2->re;
  a0->im += a2->im;
  a1->re += a3->re;
  a1->im += a3->im;
  // u + i v and u - i v
  const double pre = ure - vim, pim = uim + vre;
  const double mre = ure + vim, mim = uim - vre;
  a2->re = pre * c - pim * s;
  a2->im = pre * s + pim * c;
  a3->re = mre * c + mim * s;
  a3->im = mim * c - mre * s;
}

// The forward column at j = 0, where w^0 = 1.
inline void ForwardButterflyUnit(C* __restrict a0, C* __restrict a1, C* __restrict a2, C* __restrict a3) {
  const double ure = a0->re - a2->re, uim = a0->im - a2->im;
  const double vre = a1->re - a3->re, vim = a1->im - a3->im;
  a0->re += a2->re;
  a0->im += a2->im;
  a1->re += a3->re;
  a1->im += a3->im;
  a2->re = ure - vim;
  a2->im = uim + vre;
  a3->re = ure + vim;
  a3->im = uim - vre;
}

// One column of the inverse step with w^j = (c, s).
inline void InverseButterfly(C* __restrict a0, C* __restrict a1, C* __restrict a2, C* __restrict a3,
                             double c, double s) {
  // X2 = a2 conj(w), X3 = a3 w
  const double x2re = a2->re * c + a2->im * s, x2im = a2->im * c - a2->re * s;
  const double x3re = a3->re * c - a3->im * s, x3im = a3->re * s + a3->im * c;
  const double sre = x2re + x3re, sim = x2im + x3im;
  const double dre = x2re - x3re, dim = x2im - x3im;
  const double a0re = a0->re, a0im = a0->im, a1re = a1->re, a1im = a1->im;
  a0->re = a0re + sre;
  a0->im = a0im + sim;
  a2->re = a0re - sre;
  a2->im = a0im - sim;
  // a1 - i d and a1 + i d, with -i d = (d.im, -d.re)
  a1->re = a1re + dim;
  a1->im = a1im - dre;
  a3->re = a1re - dim;
  a3->im = a1im + dre;
}

inline void InverseButterflyUnit(C* __restrict a0, C* __restrict a1, C* __restrict a2, C* __restrict a3) {
  const double sre = a2->re + a3->re, sim = a2->im + a3->im;
  const double dre = a2->re - a3->re, dim = a2->im - a3->im;
  const double a0re = a0->re, a0im = a0->im, a1re = a1->re, a1im = a1->im;
  a0->re = a0re + sre;
  a0->im = a0im + sim;
  a2->re = a0re - sre;
  a2->im = a0im - sim;
  a1->re = a1re + dim;
  a1->im = a1im - dre;
  a3->re = a1re - dim;
  a3->im = a1im + dre;
}

// ---------------------------------------------------------------- passes

// Forward step of size 8n with a quarter-circle table (w^j for j = 1 .. 2n - 1).
WDL_FFT_HOT void cpass(C* __restrict a, const C* __restrict w, int n) {
  const int q = 2 * n;
  C* __restrict a1 = a + q;
  C* __restrict a2 = a + 2 * q;
  C* __restrict a3 = a + 3 * q;
  ForwardButterflyUnit(a, a1, a2, a3);
  for (int j = 1; j < q; ++j) ForwardButterfly(a + j, a1 + j, a2 + j, a3 + j, w[j - 1].re, w[j - 1].im);
}

// Forward step of size 8n with an eighth-circle table (w^j for j = 1 .. n - 1).
WDL_FFT_HOT void cpassbig(C* __restrict a, const C* __restrict w, int n) {
  const int q = 2 * n;
  C* __restrict a1 = a + q;
  C* __restrict a2 = a + 2 * q;
  C* __restrict a3 = a + 3 * q;
  ForwardButterflyUnit(a, a1, a2, a3);
  for (int j = 1; j < n; ++j) ForwardButterfly(a + j, a1 + j, a2 + j, a3 + j, w[j - 1].re, w[j - 1].im);
  const double r = d16[1].re;  // the 45-degree point, exact
  ForwardButterfly(a + n, a1 + n, a2 + n, a3 + n, r, r);
  // cos(2 pi j/N) = sin(2 pi (N/4 - j)/N): the second eighth mirrors the first.
  for (int j = n + 1; j < q; ++j) {
    const C& m = w[q - j - 1];
    ForwardButterfly(a + j, a1 + j, a2 + j, a3 + j, m.im, m.re);
  }
}

// Inverse step of size 8n with a quarter-circle table.
WDL_FFT_HOT void upass(C* __restrict a, const C* __restrict w, int n) {
  const int q = 2 * n;
  C* __restrict a1 = a + q;
  C* __restrict a2 = a + 2 * q;
  C* __restrict a3 = a + 3 * q;
  InverseButterflyUnit(a, a1, a2, a3);
  for (int j = 1; j < q; ++j) InverseButterfly(a + j, a1 + j, a2 + j, a3 + j, w[j - 1].re, w[j - 1].im);
}

// Inverse step of size 8n with an eighth-circle table.
WDL_FFT_HOT void upassbig(C* __restrict a, const C* __restrict w, int n) {
  const int q = 2 * n;
  C* __restrict a1 = a + q;
  C* __restrict a2 = a + 2 * q;
  C* __restrict a3 = a + 3 * q;
  InverseButterflyUnit(a, a1, a2, a3);
  for (int j = 1; j < n; ++j) InverseButterfly(a + j, a1 + j, a2 + j, a3 + j, w[j - 1].re, w[j - 1].im);
  const double r = d16[1].re;
  InverseButterfly(a + n, a1 + n, a2 + n, a3 + n, r, r);
  for (int j = n + 1; j < q; ++j) {
    const C& m = w[q - j - 1];
    InverseButterfly(a + j, a1 + j, a2 + j, a3 + j, m.im, m.re);
  }
}

// ---------------------------------------------------------------- small kernels

// Plain butterfly; its own inverse.
inline void c2(C* a) {
  const C t = a[0];
  a[0].re = t.re + a[1].re;
  a[0].im = t.im + a[1].im;
  a[1].re = t.re - a[1].re;
  a[1].im = t.im - a[1].im;
}

// Forward step of size 4 (every twiddle is 1), then c2 on the first half.
inline void c4(C* a) {
  ForwardButterflyUnit(a, a + 1, a + 2, a + 3);
  c2(a);
}

// Inverse of c4: c2 on the first half, then the inverse step.
inline void u4(C* a) {
  c2(a);
  InverseButterflyUnit(a, a + 1, a + 2, a + 3);
}

// Forward step of size 8 (w^1 = (sqrt 1/2, sqrt 1/2)), c2 on both last quarters, c4 on
// the first half.
inline void c8(C* a) {
  const double r = d16[1].re;
  ForwardButterflyUnit(a, a + 2, a + 4, a + 6);
  ForwardButterfly(a + 1, a + 3, a + 5, a + 7, r, r);
  c2(a + 4);
  c2(a + 6);
  c4(a);
}

inline void u8(C* a) {
  const double r = d16[1].re;
  u4(a);
  c2(a + 4);
  c2(a + 6);
  InverseButterflyUnit(a, a + 2, a + 4, a + 6);
  InverseButterfly(a + 1, a + 3, a + 5, a + 7, r, r);
}

// Forward step of size 16 with the twiddles of pi/8, pi/4 and 3 pi/8, c4 on both last
// quarters, c8 on the first half.
inline void c16(C* a) {
  const double c1 = d16[0].re, s1 = d16[0].im, r = d16[1].re;
  ForwardButterflyUnit(a, a + 4, a + 8, a + 12);
  ForwardButterfly(a + 1, a + 5, a + 9, a + 13, c1, s1);
  ForwardButterfly(a + 2, a + 6, a + 10, a + 14, r, r);
  ForwardButterfly(a + 3, a + 7, a + 11, a + 15, s1, c1);
  c4(a + 8);
  c4(a + 12);
  c8(a);
}

inline void u16(C* a) {
  const double c1 = d16[0].re, s1 = d16[0].im, r = d16[1].re;
  u8(a);
  u4(a + 8);
  u4(a + 12);
  InverseButterflyUnit(a, a + 4, a + 8, a + 12);
  InverseButterfly(a + 1, a + 5, a + 9, a + 13, c1, s1);
  InverseButterfly(a + 2, a + 6, a + 10, a + 14, r, r);
  InverseButterfly(a + 3, a + 7, a + 11, a + 15, s1, c1);
}

// ---------------------------------------------------------------- sized kernels

// Size N from 32 up: one pass, then the quarter kernels and the half kernel (forward),
// or the same calls in the mirrored order (inverse).
#define WDL_FFT_SIZED_KERNELS(N, HALF, QUARTER, PASS, UPASS) \
  void c##N(C* a) {                                         \
    PASS(a, d##N, N / 8);                                   \
    c##QUARTER(a + N / 2);                                  \
    c##QUARTER(a + 3 * (N / 4));                            \
    c##HALF(a);                                             \
  }                                                         \
  void u##N(C* a) {                                         \
    u##HALF(a);                                             \
    u##QUARTER(a + N / 2);                                  \
    u##QUARTER(a + 3 * (N / 4));                            \
    UPASS(a, d##N, N / 8);                                  \
  }

WDL_FFT_SIZED_KERNELS(32, 16, 8, cpass, upass)
WDL_FFT_SIZED_KERNELS(64, 32, 16, cpass, upass)
WDL_FFT_SIZED_KERNELS(128, 64, 32, cpass, upass)
WDL_FFT_SIZED_KERNELS(256, 128, 64, cpass, upass)
WDL_FFT_SIZED_KERNELS(512, 256, 128, cpass, upass)
WDL_FFT_SIZED_KERNELS(1024, 512, 256, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(2048, 1024, 512, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(4096, 2048, 1024, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(8192, 4096, 2048, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(16384, 8192, 4096, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(32768, 16384, 8192, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(65536, 32768, 16384, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(131072, 65536, 32768, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(262144, 131072, 65536, cpassbig, upassbig)
WDL_FFT_SIZED_KERNELS(524288, 262144, 131072, cpassbig, upassbig)

#undef WDL_FFT_SIZED_KERNELS

bool IsTransformSize(int size) { return size >= 2 && size <= kMaxSize && (size & (size - 1)) == 0; }

}  // namespace

// ---------------------------------------------------------------- public interface

void WDL_fft_init() {
  if (ffttabinit.load(std::memory_order_acquire)) return;
  std::call_once(tablesOnce, BuildTables);
}

void WDL_fft(WDL_fft_complex* buffer, int size, int inverse) {
  if (!buffer) return;
  if (size >= 8) EnsureTables();
  switch (size) {
#define WDL_FFT_CASE(N)      \
  case N:                    \
    if (inverse)             \
      u##N(buffer);          \
    else                     \
      c##N(buffer);          \
    break;
    case 2:
      c2(buffer);
      break;
    WDL_FFT_CASE(4)
    WDL_FFT_CASE(8)
    WDL_FFT_CASE(16)
    WDL_FFT_CASE(32)
    WDL_FFT_CASE(64)
    WDL_FFT_CASE(128)
    WDL_FFT_CASE(256)
    WDL_FFT_CASE(512)
    WDL_FFT_CASE(1024)
    WDL_FFT_CASE(2048)
    WDL_FFT_CASE(4096)
    WDL_FFT_CASE(8192)
    WDL_FFT_CASE(16384)
    WDL_FFT_CASE(32768)
    WDL_FFT_CASE(65536)
    WDL_FFT_CASE(131072)
    WDL_FFT_CASE(262144)
    WDL_FFT_CASE(524288)
#undef WDL_FFT_CASE
    default:
      break;  // not a supported size: leave the data alone
  }
}

const int* WDL_fft_permute_tab(int size) {
  if (!IsTransformSize(size)) return nullptr;
  EnsureTables();
  if (size < kMinTabledSize) return smallidxperm + size - 2;
  return _idxperm + size - kMinTabledSize;
}

int WDL_fft_permute(int size, int bin) {
  const int* tab = WDL_fft_permute_tab(size);
  if (!tab || bin < 0 || bin >= size) return -1;
  return tab[bin];
}

void WDL_fft_complexmul(WDL_fft_complex* a, const WDL_fft_complex* b, int n) {
  if (!a || !b || n < 2 || (n & 1)) return;
  for (int i = 0; i < n; ++i) {
    const double re = a[i].re * b[i].re - a[i].im * b[i].im;
    a[i].im = a[i].re * b[i].im + a[i].im * b[i].re;
    a[i].re = re;
  }
}

void WDL_fft_complexmul2(WDL_fft_complex* dest, const WDL_fft_complex* a, const WDL_fft_complex* b, int n) {
  if (!dest || !a || !b || n < 2 || (n & 1)) return;
  for (int i = 0; i < n; ++i) {
    const double re = a[i].re * b[i].re - a[i].im * b[i].im;
    const double im = a[i].re * b[i].im + a[i].im * b[i].re;
    dest[i].re = re;
    dest[i].im = im;
  }
}

void WDL_fft_complexmul3(WDL_fft_complex* dest, const WDL_fft_complex* a, const WDL_fft_complex* b, int n) {
  if (!dest || !a || !b || n < 2 || (n & 1)) return;
  for (int i = 0; i < n; ++i) {
    const double re = a[i].re * b[i].re - a[i].im * b[i].im;
    const double im = a[i].re * b[i].im + a[i].im * b[i].re;
    dest[i].re += re;
    dest[i].im += im;
  }
}
