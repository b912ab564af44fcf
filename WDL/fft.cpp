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
#include <cstdint>
#include <cmath>
#include <mutex>

// x86-64 always has SSE2; AVX2 with FMA is used when the processor has it.
#if defined(__SSE2__) && !defined(WDL_FFT_PORTABLE)
#define WDL_FFT_HAVE_SSE2 1
#include <emmintrin.h>
#endif
#if WDL_FFT_HAVE_SSE2 && !defined(WDL_FFT_NO_AVX2) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define WDL_FFT_HAVE_AVX2 1
// GCC 12's AVX-512 intrinsics fill unused operands with a self-initialised variable
// and then warn about it wherever they are inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

// AVX-512 widens the AVX2 passes to four columns; WDL_FFT_NO_AVX512 keeps the AVX2
// passes even on processors that have it (to test them there).
#if WDL_FFT_HAVE_AVX2 && !defined(WDL_FFT_NO_AVX512)
#define WDL_FFT_HAVE_AVX512 1
#endif

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

// Tables are built size by size, when first needed: building all of them (6 MiB,
// mostly the permutations of the largest sizes) took most of a plug-in's first load,
// while a process typically uses one or two sizes. gTwiddlesUpTo is the largest size
// whose twiddle table is complete together with those of every smaller size (0 until
// the first build, then at least kInitSize); gPermReady[k] says the permutation table
// of size 2^k is complete. Both are stored with release after the tables they cover,
// so a reader that sees them set also sees the tables.
constexpr int kInitSize = 8192;
constexpr int kMaxLog2 = 19;
std::atomic<int> gTwiddlesUpTo{0};
std::atomic<bool> gPermReady[kMaxLog2 + 1];
// Held while building only; a transform never takes it once its size is built.
std::mutex gBuildMutex;
#if WDL_FFT_HAVE_AVX2
// Chosen with the first tables; read only after gTwiddlesUpTo has been seen set.
bool gUseAvx2 = false;
#endif
#if WDL_FFT_HAVE_AVX512
bool gUseAvx512 = false;
#endif
#if WDL_FFT_HAVE_AVX2
// The constant factors of the AVX2 8-, 16- and 32-point kernels as their register
// operations consume them, so that a kernel loads them instead of assembling them from
// table entries on every call: a twiddle pair (w0, w1) as its cosines [c0, c0, c1, c1]
// then its sines [s0, s0, s1, s1]. Copies of table entries, built with the tables.
struct alignas(32) LeafFactors {
  double c8Cos[4], c8Swapped[4], c8SwappedConj[4];  // c8's separate multiply and add
  double c16[3][8];                                 // (w^0, w^1), (w^2, w^3) of 16; (w^0, w^1) of 8
  double c32[4][8];                                 // (w^0, w^1) .. (w^6, w^7) of 32
  // u16's own step, separate multiply and add like c8's: columns (0, 1), then (2, 3).
  double u16Cos[2][4], u16Swapped[2][4], u16SwappedConj[2][4];
};
LeafFactors gLeaf;

// The AVX2-only path's forward steps of 64 points and up work on values in a split
// layout: each aligned group of four values (positions 4g .. 4g + 3 of a block) as the
// real parts [r0, r2, r1, r3] followed by the imaginary parts [i0, i2, i1, i3] (the order
// two in-lane unpacks give). Their twiddles are laid out the same way: for the columns
// 4g .. 4g + 3 of an N-point step, the four cosines then the four sines in that lane
// order, w^0 = (1, 0) and the mirrored eighth included, so a step loads them as they
// are. The N-point table (N >= 16) holds N/2 doubles at N/2 - 8. Copies of the dN
// entries, built with them.
constexpr int kSplitTablesSize = kMaxSize - 8;
alignas(32) double gSplitTwiddles[kSplitTablesSize];
double* SplitTwiddles(int n) { return gSplitTwiddles + n / 2 - 8; }
#endif

// ---------------------------------------------------------------- table building

void __fft_gen(C* table, int count, int isfull) {
  double step = (M_PI / 4.0) / (count + 1);
  if (isfull) step *= 2.0;
  for (int j = 0; j < count; ++j) {
    table[j].re = cos((j + 1) * step);
    table[j].im = sin((j + 1) * step);
  }
}

bool IsTransformSize(int size) { return size >= 2 && size <= kMaxSize && (size & (size - 1)) == 0; }

C* TwiddleTable(int n) {
  switch (n) {
    case 16: return d16;
    case 32: return d32;
    case 64: return d64;
    case 128: return d128;
    case 256: return d256;
    case 512: return d512;
    case 1024: return d1024;
    case 2048: return d2048;
    case 4096: return d4096;
    case 8192: return d8192;
    case 16384: return d16384;
    case 32768: return d32768;
    case 65536: return d65536;
    case 131072: return d131072;
    case 262144: return d262144;
    default: return d524288;
  }
}

// Fills the entries of an n-point permutation table for the output positions of one
// m-point pass inside it: the pass starts at position pos, and its local frequency g is
// frequency a g + b (mod n) of the whole transform. A pass holds the even frequencies
// in its first half, those that are 1 mod 4 in its third quarter and those that are
// -1 mod 4 in its fourth (in the positive-exponent sense); storing position i at entry
// n minus its frequency turns those labels into the bins of the forward contract.
// Linear in n, where labelling each position on its own from the top took n log n.
void PlacePositions(int* table, int n, int m, int pos, int a, int b) {
  if (m < 3) {
    for (int g = 0; g < m; ++g) table[(n - (a * g + b)) & (n - 1)] = pos + g;
    return;
  }
  PlacePositions(table, n, m / 2, pos, 2 * a, b);
  PlacePositions(table, n, m / 4, pos + m / 2, 4 * a, b + a);
  PlacePositions(table, n, m / 4, pos + 3 * (m / 4), 4 * a, b - a);
}

// The n-point table lies at n - 16 in _idxperm, or in smallidxperm below 16 points.
int* PermutationTable(int n) { return n < kMinTabledSize ? smallidxperm + n - 2 : _idxperm + n - kMinTabledSize; }

int Log2(int n) { return __builtin_ctz(static_cast<unsigned>(n)); }

void ChoosePathLocked() {
#if WDL_FFT_HAVE_AVX2
  __builtin_cpu_init();
  gUseAvx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#endif
#if WDL_FFT_HAVE_AVX512
  gUseAvx512 = gUseAvx2 && __builtin_cpu_supports("avx512f");
#endif
}

void BuildPermutationLocked(int n) {
  if (gPermReady[Log2(n)].load(std::memory_order_relaxed)) return;
  PlacePositions(PermutationTable(n), n, n, 0, 1, 0);
  gPermReady[Log2(n)].store(true, std::memory_order_release);
}

#if WDL_FFT_HAVE_AVX2
void SetPair(double* out, const C& w0, const C& w1) {
  out[0] = out[1] = w0.re;
  out[2] = out[3] = w1.re;
  out[4] = out[5] = w0.im;
  out[6] = out[7] = w1.im;
}

// Only the AVX2-only path reads the split-order tables.
bool SplitTablesUsed() {
#if WDL_FFT_HAVE_AVX512
  return gUseAvx2 && !gUseAvx512;
#else
  return gUseAvx2;
#endif
}

void BuildLeafFactorsLocked() {
  const double e = d16[1].re;
  const C one = {1.0, 0.0}, eighth = {e, e};
  const double cs[4] = {e, e, e, e}, sw[4] = {0.0, 0.0, -e, e}, swConj[4] = {0.0, 0.0, e, -e};
  for (int k = 0; k < 4; ++k) {
    gLeaf.c8Cos[k] = cs[k];
    gLeaf.c8Swapped[k] = sw[k];
    gLeaf.c8SwappedConj[k] = swConj[k];
  }
  SetPair(gLeaf.c16[0], one, d16[0]);
  SetPair(gLeaf.c16[1], eighth, {d16[0].im, d16[0].re});
  SetPair(gLeaf.c16[2], one, eighth);
  // Column 0 stays unmultiplied (its lane is blended back), so its factors are unused.
  const C w1 = d16[0], w3 = {d16[0].im, d16[0].re};
  const double u16Cos[2][4] = {{0.0, 0.0, w1.re, w1.re}, {e, e, w3.re, w3.re}};
  const double u16Sw[2][4] = {{0.0, 0.0, -w1.im, w1.im}, {-e, e, -w3.im, w3.im}};
  const double u16SwConj[2][4] = {{0.0, 0.0, w1.im, -w1.im}, {e, -e, w3.im, -w3.im}};
  for (int p = 0; p < 2; ++p)
    for (int k = 0; k < 4; ++k) {
      gLeaf.u16Cos[p][k] = u16Cos[p][k];
      gLeaf.u16Swapped[p][k] = u16Sw[p][k];
      gLeaf.u16SwappedConj[p][k] = u16SwConj[p][k];
    }
  SetPair(gLeaf.c32[0], one, d32[0]);
  for (int k = 1; k < 4; ++k) SetPair(gLeaf.c32[k], d32[2 * k - 1], d32[2 * k]);
}

// The split-order copy of the n-point table (n >= 16), once dN and d16 are built.
void BuildSplitTwiddlesLocked(int n) {
  const C* d = TwiddleTable(n);
  double* t = SplitTwiddles(n);
  const int q = n / 4, e = n / 8;
  for (int k = 0; k < q; ++k) {
    C w;
    if (k == 0)
      w = {1.0, 0.0};
    else if (n == 16 && k > 1)  // the 16-point kernels' own factors: (e, e), then pi/8 exchanged
      w = k == 2 ? C{d16[1].re, d16[1].re} : C{d16[0].im, d16[0].re};
    else if (n <= 512 || k < e)
      w = d[k - 1];
    else if (k == e)
      w = {d16[1].re, d16[1].re};
    else
      w = {d[q - k - 1].im, d[q - k - 1].re};  // the mirrored eighth
    static const int kLane[4] = {0, 2, 1, 3};
    double* group = t + 8 * (k / 4);
    group[kLane[k % 4]] = w.re;
    group[4 + kLane[k % 4]] = w.im;
  }
}
#endif

// The twiddles of every size up to upTo, the first time also the code path and every
// table of the sizes up to kInitSize.
void BuildTwiddlesLocked(int upTo) {
  const int built = gTwiddlesUpTo.load(std::memory_order_relaxed);
  if (upTo <= built) return;
  if (built == 0) {
    ChoosePathLocked();
    for (int n = 2; n <= kInitSize; n *= 2) BuildPermutationLocked(n);
  }
  if (upTo < kInitSize) upTo = kInitSize;
  for (int n = built ? 2 * built : kMinTabledSize; n <= upTo; n *= 2) {
    // Quarter-circle tables up to 512 points, eighth-circle ones from 1024.
    if (n <= 512)
      __fft_gen(TwiddleTable(n), n / 4 - 1, 1);
    else
      __fft_gen(TwiddleTable(n), n / 8 - 1, 0);
#if WDL_FFT_HAVE_AVX2
    if (SplitTablesUsed()) BuildSplitTwiddlesLocked(n);
#endif
  }
#if WDL_FFT_HAVE_AVX2
  if (built == 0) BuildLeafFactorsLocked();
#endif
  gTwiddlesUpTo.store(upTo, std::memory_order_release);
}

// Out of line and cold: the transforms call them only for a size beyond those built
// (or for a size they refuse, which needs no table).
__attribute__((noinline, cold)) void BuildTwiddles(int upTo) {
  if (!IsTransformSize(upTo)) return;
  std::lock_guard<std::mutex> lock(gBuildMutex);
  BuildTwiddlesLocked(upTo);
}

__attribute__((noinline, cold)) void BuildPermutation(int n) {
  std::lock_guard<std::mutex> lock(gBuildMutex);
  BuildTwiddlesLocked(kInitSize);
  BuildPermutationLocked(n);
}

inline void EnsureTables() {
  if (gTwiddlesUpTo.load(std::memory_order_acquire) == 0) BuildTwiddles(kInitSize);
}

// ---------------------------------------------------------------- complex arithmetic

// Cx holds one complex value in a register pair (SSE2 on x86-64, two doubles
// elsewhere). A Twiddle holds w = (c, s) prepared so that x w and x conj(w) each cost
// two multiplies and an add: x w = x c + swap(x) (-s, s), x conj(w) = x c + swap(x) (s, -s).
#if WDL_FFT_HAVE_SSE2
using Cx = __m128d;

inline Cx Load(const C* p) { return _mm_loadu_pd(&p->re); }
inline void Store(C* p, Cx x) { _mm_storeu_pd(&p->re, x); }
inline Cx Add(Cx a, Cx b) { return _mm_add_pd(a, b); }
inline Cx Sub(Cx a, Cx b) { return _mm_sub_pd(a, b); }
inline Cx Swap(Cx a) { return _mm_shuffle_pd(a, a, 1); }
inline Cx NegateRe(Cx a) { return _mm_xor_pd(a, _mm_set_pd(0.0, -0.0)); }
inline Cx NegateIm(Cx a) { return _mm_xor_pd(a, _mm_set_pd(-0.0, 0.0)); }
// i x = (-x.im, x.re)
inline Cx MulI(Cx x) { return NegateRe(Swap(x)); }

struct Twiddle {
  Cx c, sw, swConj;
};
inline Twiddle MakeTwiddle(double c, double s) {
  return {_mm_set1_pd(c), _mm_set_pd(s, -s), _mm_set_pd(-s, s)};
}
inline Twiddle LoadTwiddle(const C* w) {
  const Cx cs = Load(w);
  const Cx s = _mm_unpackhi_pd(cs, cs);
  return {_mm_unpacklo_pd(cs, cs), NegateRe(s), NegateIm(s)};
}
// (c, s) read as (s, c): the mirrored half of an eighth-circle table.
inline Twiddle LoadTwiddleExchanged(const C* w) {
  const Cx cs = Load(w);
  const Cx c = _mm_unpacklo_pd(cs, cs);
  return {_mm_unpackhi_pd(cs, cs), NegateRe(c), NegateIm(c)};
}
inline Cx Rotate(Cx x, const Twiddle& w) {
  return _mm_add_pd(_mm_mul_pd(x, w.c), _mm_mul_pd(Swap(x), w.sw));
}
inline Cx RotateConj(Cx x, const Twiddle& w) {
  return _mm_add_pd(_mm_mul_pd(x, w.c), _mm_mul_pd(Swap(x), w.swConj));
}
#else
struct Cx {
  double re, im;
};

inline Cx Load(const C* p) { return {p->re, p->im}; }
inline void Store(C* p, Cx x) { p->re = x.re, p->im = x.im; }
inline Cx Add(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
inline Cx Sub(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }
inline Cx MulI(Cx x) { return {-x.im, x.re}; }

struct Twiddle {
  double c, s;
};
inline Twiddle MakeTwiddle(double c, double s) { return {c, s}; }
inline Twiddle LoadTwiddle(const C* w) { return {w->re, w->im}; }
inline Twiddle LoadTwiddleExchanged(const C* w) { return {w->im, w->re}; }
inline Cx Rotate(Cx x, const Twiddle& w) { return {x.re * w.c - x.im * w.s, x.re * w.s + x.im * w.c}; }
inline Cx RotateConj(Cx x, const Twiddle& w) { return {x.re * w.c + x.im * w.s, x.im * w.c - x.re * w.s}; }
#endif

// ---------------------------------------------------------------- butterflies

// One column of the forward step: the four quarters at the same offset, with w^j.
inline void ForwardButterfly(C* a0, C* a1, C* a2, C* a3, const Twiddle& w) {
  const Cx x0 = Load(a0), x1 = Load(a1), x2 = Load(a2), x3 = Load(a3);
  const Cx u = Sub(x0, x2), iv = MulI(Sub(x1, x3));
  Store(a0, Add(x0, x2));
  Store(a1, Add(x1, x3));
  Store(a2, Rotate(Add(u, iv), w));
  Store(a3, RotateConj(Sub(u, iv), w));
}

// The forward column at j = 0, where w^0 = 1.
inline void ForwardButterflyUnit(C* a0, C* a1, C* a2, C* a3) {
  const Cx x0 = Load(a0), x1 = Load(a1), x2 = Load(a2), x3 = Load(a3);
  const Cx u = Sub(x0, x2), iv = MulI(Sub(x1, x3));
  Store(a0, Add(x0, x2));
  Store(a1, Add(x1, x3));
  Store(a2, Add(u, iv));
  Store(a3, Sub(u, iv));
}

// One column of the inverse step: X2 = a2 conj(w), X3 = a3 w, then
// a0 +/- (X2 + X3) and a1 -/+ i (X2 - X3).
inline void InverseButterfly(C* a0, C* a1, C* a2, C* a3, const Twiddle& w) {
  const Cx x0 = Load(a0), x1 = Load(a1);
  const Cx X2 = RotateConj(Load(a2), w), X3 = Rotate(Load(a3), w);
  const Cx s = Add(X2, X3), id = MulI(Sub(X2, X3));
  Store(a0, Add(x0, s));
  Store(a2, Sub(x0, s));
  Store(a1, Sub(x1, id));
  Store(a3, Add(x1, id));
}

inline void InverseButterflyUnit(C* a0, C* a1, C* a2, C* a3) {
  const Cx x0 = Load(a0), x1 = Load(a1), X2 = Load(a2), X3 = Load(a3);
  const Cx s = Add(X2, X3), id = MulI(Sub(X2, X3));
  Store(a0, Add(x0, s));
  Store(a2, Sub(x0, s));
  Store(a1, Sub(x1, id));
  Store(a3, Add(x1, id));
}

// The exact 45-degree point (sqrt 1/2, sqrt 1/2), read from d16.
inline Twiddle EighthTwiddle() { return MakeTwiddle(d16[1].re, d16[1].re); }

// ---------------------------------------------------------------- AVX2 passes

// The same passes two columns at a time, for processors with AVX2 and FMA (chosen once
// when the tables are built). Column pairs (j, j + 1) take their two twiddles in one
// register; the j = 0 column uses w^0 = (1, 0), which multiplies exactly.
#if WDL_FFT_HAVE_AVX2
#define WDL_FFT_AVX2 __attribute__((target("avx2,fma")))

using Cx2 = __m256d;

WDL_FFT_AVX2 inline Cx2 Load2(const C* p) { return _mm256_loadu_pd(&p->re); }
WDL_FFT_AVX2 inline void Store2(C* p, Cx2 x) { _mm256_storeu_pd(&p->re, x); }
WDL_FFT_AVX2 inline Cx2 Swap2(Cx2 x) { return _mm256_permute_pd(x, 0x5); }
WDL_FFT_AVX2 inline Cx2 MulI2(Cx2 x) { return _mm256_xor_pd(Swap2(x), _mm256_set_pd(0.0, -0.0, 0.0, -0.0)); }
// x w: (x.re c - x.im s, x.im c + x.re s)
WDL_FFT_AVX2 inline Cx2 Rotate2(Cx2 x, Cx2 w) {
  return _mm256_fmaddsub_pd(x, _mm256_movedup_pd(w), _mm256_mul_pd(Swap2(x), _mm256_permute_pd(w, 0xF)));
}
// x conj(w): (x.re c + x.im s, x.im c - x.re s)
WDL_FFT_AVX2 inline Cx2 RotateConj2(Cx2 x, Cx2 w) {
  return _mm256_fmsubadd_pd(x, _mm256_movedup_pd(w), _mm256_mul_pd(Swap2(x), _mm256_permute_pd(w, 0xF)));
}
// Twiddles for j = 0 and 1: (1, 0) and the first table entry.
WDL_FFT_AVX2 inline Cx2 FirstTwiddles(const C* w) {
  return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_set_pd(0.0, 1.0)), _mm_loadu_pd(&w->re), 1);
}
// Twiddles for j = n and n + 1 of an eighth-circle pass: the 45-degree point and the
// last table entry exchanged.
WDL_FFT_AVX2 inline Cx2 MiddleTwiddles(const C* w, int n) {
  const __m128d last = _mm_loadu_pd(&w[n - 2].re);
  return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_set1_pd(d16[1].re)), _mm_shuffle_pd(last, last, 1), 1);
}
// Twiddles for j and j + 1 in the mirrored eighth: entries q - j - 1 and q - j - 2,
// each with cosine and sine exchanged; reversing all four doubles does both.
WDL_FFT_AVX2 inline Cx2 MirroredTwiddles(const C* w, int q, int j) {
  return _mm256_permute4x64_pd(Load2(w + q - j - 2), 0x1B);
}

// u + i v = (u.re - v.im, u.im + v.re) and u - i v = (u.re + v.im, u.im - v.re) from
// t = swap(v), without forming i v: the second as u 1 + t (even) and u 1 - t (odd),
// whose product is exact, so that it rounds exactly as the plain sum and difference.
WDL_FFT_AVX2 inline Cx2 PlusIV2(Cx2 u, Cx2 t) { return _mm256_addsub_pd(u, t); }
WDL_FFT_AVX2 inline Cx2 MinusIV2(Cx2 u, Cx2 t) { return _mm256_fmsubadd_pd(u, _mm256_set1_pd(1.0), t); }
// swap(u + i v) = (u.im + v.re, u.re - v.im) and swap(u - i v) = (u.im - v.re, u.re + v.im)
// from swap(u) and v: the same sums and differences, for the rotations that need the
// swapped value, without swapping the result.
WDL_FFT_AVX2 inline Cx2 SwappedPlusIV2(Cx2 u, Cx2 v) { return _mm256_fmsubadd_pd(Swap2(u), _mm256_set1_pd(1.0), v); }
WDL_FFT_AVX2 inline Cx2 SwappedMinusIV2(Cx2 u, Cx2 v) { return _mm256_addsub_pd(Swap2(u), v); }

// The forward column step on two columns held in registers.
WDL_FFT_AVX2 inline void ForwardStep2(Cx2& x0, Cx2& x1, Cx2& x2, Cx2& x3, Cx2 w) {
  const Cx2 u = _mm256_sub_pd(x0, x2), t = Swap2(_mm256_sub_pd(x1, x3));
  x0 = _mm256_add_pd(x0, x2);
  x1 = _mm256_add_pd(x1, x3);
  x2 = Rotate2(PlusIV2(u, t), w);
  x3 = RotateConj2(MinusIV2(u, t), w);
}

// ForwardStep2 with the twiddle pair's cosines and sines loaded from f (LeafFactors).
WDL_FFT_AVX2 inline void ForwardStep2Split(Cx2& x0, Cx2& x1, Cx2& x2, Cx2& x3, const double* f) {
  const Cx2 c = _mm256_load_pd(f), s = _mm256_load_pd(f + 4);
  const Cx2 u = _mm256_sub_pd(x0, x2), v = _mm256_sub_pd(x1, x3);
  x0 = _mm256_add_pd(x0, x2);
  x1 = _mm256_add_pd(x1, x3);
  const Cx2 plus = PlusIV2(u, Swap2(v)), minus = MinusIV2(u, Swap2(v));
  x2 = _mm256_fmaddsub_pd(plus, c, _mm256_mul_pd(SwappedPlusIV2(u, v), s));
  x3 = _mm256_fmsubadd_pd(minus, c, _mm256_mul_pd(SwappedMinusIV2(u, v), s));
}

WDL_FFT_AVX2 inline void ForwardButterfly2(C* a0, C* a1, C* a2, C* a3, Cx2 w) {
  Cx2 x0 = Load2(a0), x1 = Load2(a1), x2 = Load2(a2), x3 = Load2(a3);
  ForwardStep2(x0, x1, x2, x3, w);
  Store2(a0, x0);
  Store2(a1, x1);
  Store2(a2, x2);
  Store2(a3, x3);
}

WDL_FFT_AVX2 inline void InverseButterfly2(C* a0, C* a1, C* a2, C* a3, Cx2 w) {
  const Cx2 x0 = Load2(a0), x1 = Load2(a1);
  const Cx2 X2 = RotateConj2(Load2(a2), w), X3 = Rotate2(Load2(a3), w);
  const Cx2 s = _mm256_add_pd(X2, X3), id = MulI2(_mm256_sub_pd(X2, X3));
  Store2(a0, _mm256_add_pd(x0, s));
  Store2(a2, _mm256_sub_pd(x0, s));
  Store2(a1, _mm256_sub_pd(x1, id));
  Store2(a3, _mm256_add_pd(x1, id));
}

WDL_FFT_AVX2 void cpass_avx2(C* a, const C* w, int n) {
  const int q = 2 * n;
  C* a1 = a + q;
  C* a2 = a + 2 * q;
  C* a3 = a + 3 * q;
  ForwardButterfly2(a, a1, a2, a3, FirstTwiddles(w));
  for (int j = 2; j < q; j += 2) ForwardButterfly2(a + j, a1 + j, a2 + j, a3 + j, Load2(w + j - 1));
}

WDL_FFT_AVX2 void cpassbig_avx2(C* a, const C* w, int n) {
  const int q = 2 * n;
  C* a1 = a + q;
  C* a2 = a + 2 * q;
  C* a3 = a + 3 * q;
  ForwardButterfly2(a, a1, a2, a3, FirstTwiddles(w));
  for (int j = 2; j < n; j += 2) ForwardButterfly2(a + j, a1 + j, a2 + j, a3 + j, Load2(w + j - 1));
  ForwardButterfly2(a + n, a1 + n, a2 + n, a3 + n, MiddleTwiddles(w, n));
  for (int j = n + 2; j < q; j += 2) ForwardButterfly2(a + j, a1 + j, a2 + j, a3 + j, MirroredTwiddles(w, q, j));
}

WDL_FFT_AVX2 void upass_avx2(C* a, const C* w, int n) {
  const int q = 2 * n;
  C* a1 = a + q;
  C* a2 = a + 2 * q;
  C* a3 = a + 3 * q;
  InverseButterfly2(a, a1, a2, a3, FirstTwiddles(w));
  for (int j = 2; j < q; j += 2) InverseButterfly2(a + j, a1 + j, a2 + j, a3 + j, Load2(w + j - 1));
}

WDL_FFT_AVX2 void upassbig_avx2(C* a, const C* w, int n) {
  const int q = 2 * n;
  C* a1 = a + q;
  C* a2 = a + 2 * q;
  C* a3 = a + 3 * q;
  InverseButterfly2(a, a1, a2, a3, FirstTwiddles(w));
  for (int j = 2; j < n; j += 2) InverseButterfly2(a + j, a1 + j, a2 + j, a3 + j, Load2(w + j - 1));
  InverseButterfly2(a + n, a1 + n, a2 + n, a3 + n, MiddleTwiddles(w, n));
  for (int j = n + 2; j < q; j += 2) InverseButterfly2(a + j, a1 + j, a2 + j, a3 + j, MirroredTwiddles(w, q, j));
}

// ---------------------------------------------------------------- AVX2 split layout

// Four values (a group, see gSplitTwiddles) in the split layout: their real parts in
// one register and their imaginary parts in another, lanes in the order 0, 2, 1, 3.
// A column step on four columns then costs no lane moves at all; the values meet the
// same operations as in ForwardStep2, lane by lane.
struct Split4 {
  Cx2 re, im;
};

WDL_FFT_AVX2 inline Split4 LoadSplit(const C* p) { return {Load2(p), Load2(p + 2)}; }
WDL_FFT_AVX2 inline void StoreSplit(C* p, const Split4& x) {
  Store2(p, x.re);
  Store2(p + 2, x.im);
}
// [x0, x1], [x2, x3] as memory holds them, to the split layout and back.
WDL_FFT_AVX2 inline Split4 ToSplit(Cx2 lo, Cx2 hi) { return {_mm256_unpacklo_pd(lo, hi), _mm256_unpackhi_pd(lo, hi)}; }
WDL_FFT_AVX2 inline void FromSplit(const Split4& x, Cx2& lo, Cx2& hi) {
  lo = _mm256_unpacklo_pd(x.re, x.im);
  hi = _mm256_unpackhi_pd(x.re, x.im);
}
template <bool kInterleaved>
WDL_FFT_AVX2 inline Split4 LoadGroup(const C* p) {
  return kInterleaved ? ToSplit(Load2(p), Load2(p + 2)) : LoadSplit(p);
}

// The forward column step on four columns, twiddles from a split-order table at tw:
// u + i v = (u.re - v.im, u.im + v.re), u - i v = (u.re + v.im, u.im - v.re), then
// (u + i v) w = (re c - (im s), im c + (re s)) and (u - i v) conj(w) = (re c + (im s),
// im c - (re s)), each a rounded product then a fused multiply-add, as Rotate2 does.
WDL_FFT_AVX2 inline void ForwardStepSplit(Split4& x0, Split4& x1, Split4& x2, Split4& x3, const double* tw) {
  const Cx2 c = _mm256_load_pd(tw), s = _mm256_load_pd(tw + 4);
  const Cx2 ur = _mm256_sub_pd(x0.re, x2.re), ui = _mm256_sub_pd(x0.im, x2.im);
  const Cx2 vr = _mm256_sub_pd(x1.re, x3.re), vi = _mm256_sub_pd(x1.im, x3.im);
  x0 = {_mm256_add_pd(x0.re, x2.re), _mm256_add_pd(x0.im, x2.im)};
  x1 = {_mm256_add_pd(x1.re, x3.re), _mm256_add_pd(x1.im, x3.im)};
  const Cx2 pr = _mm256_sub_pd(ur, vi), pi = _mm256_add_pd(ui, vr);
  const Cx2 mr = _mm256_add_pd(ur, vi), mi = _mm256_sub_pd(ui, vr);
  x2 = {_mm256_fmsub_pd(pr, c, _mm256_mul_pd(pi, s)), _mm256_fmadd_pd(pi, c, _mm256_mul_pd(pr, s))};
  x3 = {_mm256_fmadd_pd(mr, c, _mm256_mul_pd(mi, s)), _mm256_fmsub_pd(mi, c, _mm256_mul_pd(mr, s))};
}

// Two forward steps in one sweep: the N-point step on the columns j .. j + 3 and
// j + N/8 .. j + N/8 + 3, whose first-half outputs are exactly the values of columns
// j .. j + 3 of the N/2-point step that c_{N/2} starts with; that step follows while
// they are still in registers. q = N/4 columns; t and th are the split-order tables of
// N and N/2 points. The input is in memory order (kInterleaved: the transform's own
// first step) or already split; the output is split, for the next steps.
template <bool kInterleaved, int kQ>
WDL_FFT_AVX2 void ForwardSweepSplit(C* a, const double* t, const double* th, int qArg) {
  const int q = kQ ? kQ : qArg;  // the small sizes fix it, for constant offsets
  const int h = q / 2;           // columns of the N/2-point step, and N/8
  for (int j = 0; j < h; j += 4) {
    C* p = a + j;
    Split4 x0 = LoadGroup<kInterleaved>(p), x2 = LoadGroup<kInterleaved>(p + q);
    Split4 x4 = LoadGroup<kInterleaved>(p + 2 * q), x6 = LoadGroup<kInterleaved>(p + 3 * q);
    ForwardStepSplit(x0, x2, x4, x6, t + 2 * j);
    StoreSplit(p + 2 * q, x4);
    StoreSplit(p + 3 * q, x6);
    Split4 x1 = LoadGroup<kInterleaved>(p + h), x3 = LoadGroup<kInterleaved>(p + q + h);
    Split4 x5 = LoadGroup<kInterleaved>(p + 2 * q + h), x7 = LoadGroup<kInterleaved>(p + 3 * q + h);
    ForwardStepSplit(x1, x3, x5, x7, t + 2 * (j + h));
    StoreSplit(p + 2 * q + h, x5);
    StoreSplit(p + 3 * q + h, x7);
    ForwardStepSplit(x0, x1, x2, x3, th + 2 * j);
    StoreSplit(p, x0);
    StoreSplit(p + h, x1);
    StoreSplit(p + q, x2);
    StoreSplit(p + q + h, x3);
  }
}
#endif

// ---------------------------------------------------------------- AVX-512 passes

// The AVX2 passes four columns at a time: every value goes through the same fused
// operations as there, so the results are the AVX2 path's to the last bit. Passes of
// sizes 32 and up only (at least eight columns per quarter).
#if WDL_FFT_HAVE_AVX512
#define WDL_FFT_AVX512 __attribute__((target("avx512f,avx2,fma")))

using Cx4 = __m512d;

WDL_FFT_AVX512 inline Cx4 Load4(const C* p) { return _mm512_loadu_pd(&p->re); }
WDL_FFT_AVX512 inline void Store4(C* p, Cx4 x) { _mm512_storeu_pd(&p->re, x); }
WDL_FFT_AVX512 inline Cx4 Swap4(Cx4 x) { return _mm512_permute_pd(x, 0x55); }
WDL_FFT_AVX512 inline Cx4 MulI4(Cx4 x) {
  const __m512i negateRe = _mm512_set_epi64(0, INT64_MIN, 0, INT64_MIN, 0, INT64_MIN, 0, INT64_MIN);
  return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(Swap4(x)), negateRe));
}
WDL_FFT_AVX512 inline Cx4 Rotate4(Cx4 x, Cx4 w) {
  return _mm512_fmaddsub_pd(x, _mm512_movedup_pd(w), _mm512_mul_pd(Swap4(x), _mm512_permute_pd(w, 0xFF)));
}
WDL_FFT_AVX512 inline Cx4 RotateConj4(Cx4 x, Cx4 w) {
  return _mm512_fmsubadd_pd(x, _mm512_movedup_pd(w), _mm512_mul_pd(Swap4(x), _mm512_permute_pd(w, 0xFF)));
}
WDL_FFT_AVX512 inline Cx4 Join(__m256d lo, __m256d hi) {
  return _mm512_insertf64x4(_mm512_castpd256_pd512(lo), hi, 1);
}
// Columns 0 .. 3: (1, 0) and the first three table entries.
WDL_FFT_AVX512 inline Cx4 FirstTwiddles4(const C* w) { return Join(FirstTwiddles(w), Load2(w + 1)); }
// Columns n .. n + 3 of an eighth-circle pass: the 45-degree point, then entries
// n - 2, n - 3, n - 4 exchanged.
WDL_FFT_AVX512 inline Cx4 MiddleTwiddles4(const C* w, int n) {
  return Join(MiddleTwiddles(w, n), MirroredTwiddles(w, 2 * n, n + 2));
}
// Columns j .. j + 3 in the mirrored eighth: entries q - j - 1 down to q - j - 4, each
// exchanged; reversing all eight doubles does both.
WDL_FFT_AVX512 inline Cx4 MirroredTwiddles4(const C* w, int q, int j) {
  return _mm512_permutexvar_pd(_mm512_set_epi64(0, 1, 2, 3, 4, 5, 6, 7), Load4(w + q - j - 4));
}

WDL_FFT_AVX512 inline void ForwardButterfly4(C* a0, C* a1, C* a2, C* a3, Cx4 w) {
  const Cx4 x0 = Load4(a0), x1 = Load4(a1), x2 = Load4(a2), x3 = Load4(a3);
  const Cx4 u = _mm512_sub_pd(x0, x2), iv = MulI4(_mm512_sub_pd(x1, x3));
  Store4(a0, _mm512_add_pd(x0, x2));
  Store4(a1, _mm512_add_pd(x1, x3));
  Store4(a2, Rotate4(_mm512_add_pd(u, iv), w));
  Store4(a3, RotateConj4(_mm512_sub_pd(u, iv), w));
}

WDL_FFT_AVX512 inline void InverseButterfly4(C* a0, C* a1, C* a2, C* a3, Cx4 w) {
  const Cx4 x0 = Load4(a0), x1 = Load4(a1);
  const Cx4 X2 = RotateConj4(Load4(a2), w), X3 = Rotate4(Load4(a3), w);
  const Cx4 s = _mm512_add_pd(X2, X3), id = MulI4(_mm512_sub_pd(X2, X3));
  Store4(a0, _mm512_add_pd(x0, s));
  Store4(a2, _mm512_sub_pd(x0, s));
  Store4(a1, _mm512_sub_pd(x1, id));
  Store4(a3, _mm512_add_pd(x1, id));
}

template <bool kInverse>
WDL_FFT_AVX512 inline void Butterfly4(C* a, int q, int j, Cx4 w) {
  if (kInverse)
    InverseButterfly4(a + j, a + q + j, a + 2 * q + j, a + 3 * q + j, w);
  else
    ForwardButterfly4(a + j, a + q + j, a + 2 * q + j, a + 3 * q + j, w);
}

template <bool kInverse>
WDL_FFT_AVX512 void QuarterPass4(C* a, const C* w, int n) {
  const int q = 2 * n;
  Butterfly4<kInverse>(a, q, 0, FirstTwiddles4(w));
  for (int j = 4; j < q; j += 4) Butterfly4<kInverse>(a, q, j, Load4(w + j - 1));
}

template <bool kInverse>
WDL_FFT_AVX512 void EighthPass4(C* a, const C* w, int n) {
  const int q = 2 * n;
  Butterfly4<kInverse>(a, q, 0, FirstTwiddles4(w));
  for (int j = 4; j < n; j += 4) Butterfly4<kInverse>(a, q, j, Load4(w + j - 1));
  Butterfly4<kInverse>(a, q, n, MiddleTwiddles4(w, n));
  for (int j = n + 4; j < q; j += 4) Butterfly4<kInverse>(a, q, j, MirroredTwiddles4(w, q, j));
}
#endif

// ---------------------------------------------------------------- passes

// The forward and inverse steps share their structure and differ only in the
// butterfly; these two policies name the butterflies for the shared loops below.
struct ForwardButterflies {
  static void Unit(C* a0, C* a1, C* a2, C* a3) { ForwardButterflyUnit(a0, a1, a2, a3); }
  static void Step(C* a0, C* a1, C* a2, C* a3, const Twiddle& w) { ForwardButterfly(a0, a1, a2, a3, w); }
};
struct InverseButterflies {
  static void Unit(C* a0, C* a1, C* a2, C* a3) { InverseButterflyUnit(a0, a1, a2, a3); }
  static void Step(C* a0, C* a1, C* a2, C* a3, const Twiddle& w) { InverseButterfly(a0, a1, a2, a3, w); }
};

// A step of size 8n with a quarter-circle table (w^j for j = 1 .. 2n - 1).
template <class B>
inline void QuarterTablePass(C* a, const C* w, int n) {
  const int q = 2 * n;
  C* a1 = a + q;
  C* a2 = a + 2 * q;
  C* a3 = a + 3 * q;
  B::Unit(a, a1, a2, a3);
  for (int j = 1; j < q; ++j) B::Step(a + j, a1 + j, a2 + j, a3 + j, LoadTwiddle(w + j - 1));
}

// A step of size 8n with an eighth-circle table (w^j for j = 1 .. n - 1).
template <class B>
inline void EighthTablePass(C* a, const C* w, int n) {
  const int q = 2 * n;
  C* a1 = a + q;
  C* a2 = a + 2 * q;
  C* a3 = a + 3 * q;
  B::Unit(a, a1, a2, a3);
  for (int j = 1; j < n; ++j) B::Step(a + j, a1 + j, a2 + j, a3 + j, LoadTwiddle(w + j - 1));
  B::Step(a + n, a1 + n, a2 + n, a3 + n, EighthTwiddle());
  // cos(2 pi j/N) = sin(2 pi (N/4 - j)/N): the second eighth mirrors the first.
  for (int j = n + 1; j < q; ++j) B::Step(a + j, a1 + j, a2 + j, a3 + j, LoadTwiddleExchanged(w + q - j - 1));
}

WDL_FFT_HOT void cpass(C* a, const C* w, int n) {
#if WDL_FFT_HAVE_AVX512
  if (gUseAvx512 && n >= 4) return QuarterPass4<false>(a, w, n);
#endif
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return cpass_avx2(a, w, n);
#endif
  QuarterTablePass<ForwardButterflies>(a, w, n);
}

WDL_FFT_HOT void cpassbig(C* a, const C* w, int n) {
#if WDL_FFT_HAVE_AVX512
  if (gUseAvx512 && n >= 4) return EighthPass4<false>(a, w, n);
#endif
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return cpassbig_avx2(a, w, n);
#endif
  EighthTablePass<ForwardButterflies>(a, w, n);
}

WDL_FFT_HOT void upass(C* a, const C* w, int n) {
#if WDL_FFT_HAVE_AVX512
  if (gUseAvx512 && n >= 4) return QuarterPass4<true>(a, w, n);
#endif
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return upass_avx2(a, w, n);
#endif
  QuarterTablePass<InverseButterflies>(a, w, n);
}

WDL_FFT_HOT void upassbig(C* a, const C* w, int n) {
#if WDL_FFT_HAVE_AVX512
  if (gUseAvx512 && n >= 4) return EighthPass4<true>(a, w, n);
#endif
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return upassbig_avx2(a, w, n);
#endif
  EighthTablePass<InverseButterflies>(a, w, n);
}

// ---------------------------------------------------------------- small kernels

// Plain butterfly (x0 + x1, x0 - x1); its own inverse.
inline void c2(C* a) {
  const Cx x0 = Load(a), x1 = Load(a + 1);
  Store(a, Add(x0, x1));
  Store(a + 1, Sub(x0, x1));
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

#if WDL_FFT_HAVE_AVX512
void c8_avx512(C* a);
#endif
#if WDL_FFT_HAVE_AVX2
void c8_avx2(C* a);
void u8_avx2(C* a);
void u16_avx2(C* a);
void u32_avx2(C* a);
#endif

// Forward step of size 8 (w^1 = (sqrt 1/2, sqrt 1/2)), c2 on both last quarters, c4 on
// the first half.
inline void c8(C* a) {
#if WDL_FFT_HAVE_AVX512
  if (gUseAvx512) return c8_avx512(a);
#endif
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return c8_avx2(a);
#endif
  ForwardButterflyUnit(a, a + 2, a + 4, a + 6);
  ForwardButterfly(a + 1, a + 3, a + 5, a + 7, EighthTwiddle());
  c2(a + 4);
  c2(a + 6);
  c4(a);
}

inline void u8_plain(C* a) {
  u4(a);
  c2(a + 4);
  c2(a + 6);
  InverseButterflyUnit(a, a + 2, a + 4, a + 6);
  InverseButterfly(a + 1, a + 3, a + 5, a + 7, EighthTwiddle());
}

inline void u8(C* a) {
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return u8_avx2(a);
#endif
  u8_plain(a);
}

#if WDL_FFT_HAVE_AVX2
// c8 and c16 with their values held in registers, two per register, from the first load
// to the last store. Each value meets the operations it meets in the one-value kernels,
// in the same order; only the data movement between them differs (a - b and a + (-b)
// are the same operation, and so are a + b and b + a). The twiddle pairs of c16:
// (w^0, w^1) and (w^2, w^3) of its 16-point step and (w^0, w^1) of its 8-point step, all
// fused as in the passes (w^0 = (1, 0) multiplies exactly).
WDL_FFT_AVX2 inline Cx2 TwiddlePair(__m128d lo, __m128d hi) {
  return _mm256_insertf128_pd(_mm256_castpd128_pd256(lo), hi, 1);
}

// The 2- and 4-point kernels pair values that lie in the two halves of a register. Each
// takes the register with its halves exchanged and forms a + b in the lower half and
// a - b in the upper one as b + a (1, 1) and b + a (-1, -1) through one fused
// multiply-add: the products are exact, so each rounds as the plain sum or difference.
WDL_FFT_AVX2 inline Cx2 ExchangeHalves(Cx2 x) { return _mm256_permute2f128_pd(x, x, 0x01); }

// c4 on lo = [x0, x1], hi = [x2, x3].
WDL_FFT_AVX2 inline void C4InRegisters(Cx2& lo, Cx2& hi) {
  const Cx2 sum = _mm256_add_pd(lo, hi), dif = _mm256_sub_pd(lo, hi);  // [a0, a1], [u, v]
  const Cx2 difX = ExchangeHalves(dif);                                 // [v, u]
  // [a0 + a1, a0 - a1] from [a0, a1] and [a1, a0].
  lo = _mm256_fmadd_pd(sum, _mm256_set_pd(-1.0, -1.0, 1.0, 1.0), ExchangeHalves(sum));
  // [u + iv, u - iv] = [u, u] + [swap(v), swap(v)] (-1, 1, 1, -1).
  const Cx2 uu = _mm256_blend_pd(dif, difX, 0xC), vv = _mm256_blend_pd(difX, dif, 0xC);
  hi = _mm256_fmadd_pd(Swap2(vv), _mm256_set_pd(-1.0, 1.0, 1.0, -1.0), uu);
}

// c2 on a = [x0, x1] and on b = [y0, y1].
WDL_FFT_AVX2 inline void TwoC2InRegisters(Cx2& a, Cx2& b) {
  const Cx2 sign = _mm256_set_pd(-1.0, -1.0, 1.0, 1.0);
  a = _mm256_fmadd_pd(a, sign, ExchangeHalves(a));  // [x0 + x1, x0 - x1]
  b = _mm256_fmadd_pd(b, sign, ExchangeHalves(b));
}

// c8's own step multiplies and adds separately (x c + swap(x) s, as the one-value
// rotation does) and leaves column 0 unmultiplied; the build keeps the compiler from
// fusing the two.
WDL_FFT_AVX2 inline void C8InRegisters(Cx2& z0, Cx2& z1, Cx2& z2, Cx2& z3) {
  const Cx2 cs = _mm256_load_pd(gLeaf.c8Cos);
  const Cx2 sw = _mm256_load_pd(gLeaf.c8Swapped), swConj = _mm256_load_pd(gLeaf.c8SwappedConj);
  const Cx2 u = _mm256_sub_pd(z0, z2), v = _mm256_sub_pd(z1, z3);
  z0 = _mm256_add_pd(z0, z2);
  z1 = _mm256_add_pd(z1, z3);
  const Cx2 m2 = PlusIV2(u, Swap2(v)), m3 = MinusIV2(u, Swap2(v));
  const Cx2 r2 = _mm256_add_pd(_mm256_mul_pd(m2, cs), _mm256_mul_pd(SwappedPlusIV2(u, v), sw));
  const Cx2 r3 = _mm256_add_pd(_mm256_mul_pd(m3, cs), _mm256_mul_pd(SwappedMinusIV2(u, v), swConj));
  z2 = _mm256_blend_pd(m2, r2, 0xC);
  z3 = _mm256_blend_pd(m3, r3, 0xC);
  TwoC2InRegisters(z2, z3);
  C4InRegisters(z0, z1);
}

WDL_FFT_AVX2 void c8_avx2(C* a) {
  Cx2 z0 = Load2(a), z1 = Load2(a + 2), z2 = Load2(a + 4), z3 = Load2(a + 6);
  C8InRegisters(z0, z1, z2, z3);
  Store2(a, z0);
  Store2(a + 2, z1);
  Store2(a + 4, z2);
  Store2(a + 6, z3);
}

WDL_FFT_AVX2 inline void C16AfterStep(Cx2& z0, Cx2& z1, Cx2& z2, Cx2& z3, Cx2& z4, Cx2& z5, Cx2& z6, Cx2& z7);

// c16 on values 0 .. 15 held two per register in z0 .. z7.
WDL_FFT_AVX2 inline void C16InRegisters(Cx2& z0, Cx2& z1, Cx2& z2, Cx2& z3, Cx2& z4, Cx2& z5, Cx2& z6, Cx2& z7) {
  // The 16-point step: columns 0, 1 and columns 2, 3 of the four quarters.
  ForwardStep2Split(z0, z2, z4, z6, gLeaf.c16[0]);
  ForwardStep2Split(z1, z3, z5, z7, gLeaf.c16[1]);
  C16AfterStep(z0, z1, z2, z3, z4, z5, z6, z7);
}

// What c16 does after its own step.
WDL_FFT_AVX2 inline void C16AfterStep(Cx2& z0, Cx2& z1, Cx2& z2, Cx2& z3, Cx2& z4, Cx2& z5, Cx2& z6, Cx2& z7) {
  C4InRegisters(z4, z5);
  C4InRegisters(z6, z7);
  // The 8-point step on values 0 .. 7, then its 2- and 4-point kernels.
  ForwardStep2Split(z0, z1, z2, z3, gLeaf.c16[2]);
  TwoC2InRegisters(z2, z3);
  C4InRegisters(z0, z1);
}

// Loads and stores of four registers' worth (eight values) from p.
#define WDL_FFT_LOAD4(p, r0, r1, r2, r3) \
  Cx2 r0 = Load2(p), r1 = Load2((p) + 2), r2 = Load2((p) + 4), r3 = Load2((p) + 6)
#define WDL_FFT_STORE4(p, r0, r1, r2, r3) \
  (Store2(p, r0), Store2((p) + 2, r1), Store2((p) + 4, r2), Store2((p) + 6, r3))

WDL_FFT_AVX2 void c16_avx2(C* a) {
  WDL_FFT_LOAD4(a, z0, z1, z2, z3);
  WDL_FFT_LOAD4(a + 8, z4, z5, z6, z7);
  C16InRegisters(z0, z1, z2, z3, z4, z5, z6, z7);
  WDL_FFT_STORE4(a, z0, z1, z2, z3);
  WDL_FFT_STORE4(a + 8, z4, z5, z6, z7);
}

// c32 from the first load to the last store: its 32-point step as cpass_avx2 takes it
// (column pairs (0, 1) .. (6, 7) of the four quarters), then c8 on both last quarters
// and c16 on the first half, without the trips through memory between them.
WDL_FFT_AVX2 void c32_avx2(C* a) {
  WDL_FFT_LOAD4(a, z0, z1, z2, z3);
  WDL_FFT_LOAD4(a + 8, z4, z5, z6, z7);
  WDL_FFT_LOAD4(a + 16, z8, z9, z10, z11);
  WDL_FFT_LOAD4(a + 24, z12, z13, z14, z15);
  ForwardStep2Split(z0, z4, z8, z12, gLeaf.c32[0]);
  ForwardStep2Split(z1, z5, z9, z13, gLeaf.c32[1]);
  ForwardStep2Split(z2, z6, z10, z14, gLeaf.c32[2]);
  ForwardStep2Split(z3, z7, z11, z15, gLeaf.c32[3]);
  C8InRegisters(z8, z9, z10, z11);
  WDL_FFT_STORE4(a + 16, z8, z9, z10, z11);
  C8InRegisters(z12, z13, z14, z15);
  WDL_FFT_STORE4(a + 24, z12, z13, z14, z15);
  C16InRegisters(z0, z1, z2, z3, z4, z5, z6, z7);
  WDL_FFT_STORE4(a, z0, z1, z2, z3);
  WDL_FFT_STORE4(a + 8, z4, z5, z6, z7);
}

// The forward kernels for blocks whose values a split sweep left in the split layout.
// Steps on four columns or more run split; the values then go back to memory order
// for the rest, which the kernels above do. Each value meets the same operations.

WDL_FFT_AVX2 void c8_split(C* a) {
  Cx2 z0, z1, z2, z3;
  FromSplit(LoadSplit(a), z0, z1);
  FromSplit(LoadSplit(a + 4), z2, z3);
  C8InRegisters(z0, z1, z2, z3);
  WDL_FFT_STORE4(a, z0, z1, z2, z3);
}

// c16's step on its four quarters (a group each), then the rest in memory order.
WDL_FFT_AVX2 inline void C16FromSplit(Split4 g0, Split4 g1, Split4 g2, Split4 g3, C* a) {
  ForwardStepSplit(g0, g1, g2, g3, SplitTwiddles(16));
  Cx2 z0, z1, z2, z3, z4, z5, z6, z7;
  FromSplit(g0, z0, z1);
  FromSplit(g1, z2, z3);
  FromSplit(g2, z4, z5);
  FromSplit(g3, z6, z7);
  C16AfterStep(z0, z1, z2, z3, z4, z5, z6, z7);
  WDL_FFT_STORE4(a, z0, z1, z2, z3);
  WDL_FFT_STORE4(a + 8, z4, z5, z6, z7);
}

WDL_FFT_AVX2 void c16_split(C* a) { C16FromSplit(LoadSplit(a), LoadSplit(a + 4), LoadSplit(a + 8), LoadSplit(a + 12), a); }

// c32: its step on columns 0 .. 3 and 4 .. 7, c8 on both last quarters, c16 on the
// first half.
WDL_FFT_AVX2 void c32_split(C* a) {
  Split4 g0 = LoadSplit(a), g2 = LoadSplit(a + 8), g4 = LoadSplit(a + 16), g6 = LoadSplit(a + 24);
  ForwardStepSplit(g0, g2, g4, g6, SplitTwiddles(32));
  Split4 g1 = LoadSplit(a + 4), g3 = LoadSplit(a + 12), g5 = LoadSplit(a + 20), g7 = LoadSplit(a + 28);
  ForwardStepSplit(g1, g3, g5, g7, SplitTwiddles(32) + 8);
  Cx2 z8, z9, z10, z11;
  FromSplit(g4, z8, z9);
  FromSplit(g5, z10, z11);
  C8InRegisters(z8, z9, z10, z11);
  WDL_FFT_STORE4(a + 16, z8, z9, z10, z11);
  FromSplit(g6, z8, z9);
  FromSplit(g7, z10, z11);
  C8InRegisters(z8, z9, z10, z11);
  WDL_FFT_STORE4(a + 24, z8, z9, z10, z11);
  C16FromSplit(g0, g1, g2, g3, a);
}

// The inverse kernels in registers, each value meeting the operations of u4, u8, u16
// and u32 in their order (a - i d and a + i d taken as the sum and difference with
// swap(d) in the lanes that need them, as u + i v is above).

// The inverse column step's ends: a0 +/- s and a1 -/+ i d for s = X2 + X3, d = X2 - X3.
WDL_FFT_AVX2 inline void InverseCombine2(Cx2& x0, Cx2& x1, Cx2& x2, Cx2& x3, Cx2 X2, Cx2 X3) {
  const Cx2 sum = _mm256_add_pd(X2, X3), t = Swap2(_mm256_sub_pd(X2, X3));
  x2 = _mm256_sub_pd(x0, sum);
  x0 = _mm256_add_pd(x0, sum);
  x3 = _mm256_addsub_pd(x1, t);                             // a1 + i d
  x1 = _mm256_fmsubadd_pd(x1, _mm256_set1_pd(1.0), t);      // a1 - i d
}

// u4 on lo = [x0, x1], hi = [x2, x3]: c2 on x0, x1, then the unit inverse step.
WDL_FFT_AVX2 inline void U4InRegisters(Cx2& lo, Cx2& hi) {
  const Cx2 p = _mm256_permute2f128_pd(lo, hi, 0x20), q = _mm256_permute2f128_pd(lo, hi, 0x31);  // [x0, x2], [x1, x3]
  const Cx2 sum = _mm256_add_pd(p, q), dif = _mm256_sub_pd(p, q);  // [a0, s], [a1, d]
  const Cx2 a = _mm256_permute2f128_pd(sum, dif, 0x20);            // [a0, a1]
  // [s, swap(d)] times (1, 1, 1, -1) is [s, -i d].
  const Cx2 b = _mm256_permute2f128_pd(sum, _mm256_permute_pd(dif, 0x6), 0x31);
  const Cx2 sign = _mm256_set_pd(-1.0, 1.0, 1.0, 1.0);
  lo = _mm256_fmadd_pd(b, sign, a);   // [a0 + s, a1 - i d]
  hi = _mm256_fnmadd_pd(b, sign, a);  // [a0 - s, a1 + i d]
}

// x c + swap(x) sw, multiplied and added separately as the one-value rotation does, in
// the lanes of mask; the others keep x (a unit twiddle).
template <int kMask>
WDL_FFT_AVX2 inline Cx2 RotateSeparate2(Cx2 x, const double* c, const double* sw) {
  const Cx2 r = _mm256_add_pd(_mm256_mul_pd(x, _mm256_load_pd(c)), _mm256_mul_pd(Swap2(x), _mm256_load_pd(sw)));
  return kMask == 0xF ? r : _mm256_blend_pd(x, r, kMask);
}

WDL_FFT_AVX2 inline void U8InRegisters(Cx2& z0, Cx2& z1, Cx2& z2, Cx2& z3) {
  U4InRegisters(z0, z1);
  TwoC2InRegisters(z2, z3);
  const Cx2 X2 = RotateSeparate2<0xC>(z2, gLeaf.c8Cos, gLeaf.c8SwappedConj);
  const Cx2 X3 = RotateSeparate2<0xC>(z3, gLeaf.c8Cos, gLeaf.c8Swapped);
  InverseCombine2(z0, z1, z2, z3, X2, X3);
}

WDL_FFT_AVX2 inline void U16InRegisters(Cx2& z0, Cx2& z1, Cx2& z2, Cx2& z3, Cx2& z4, Cx2& z5, Cx2& z6, Cx2& z7) {
  U8InRegisters(z0, z1, z2, z3);
  U4InRegisters(z4, z5);
  U4InRegisters(z6, z7);
  Cx2 X2 = RotateSeparate2<0xC>(z4, gLeaf.u16Cos[0], gLeaf.u16SwappedConj[0]);
  Cx2 X3 = RotateSeparate2<0xC>(z6, gLeaf.u16Cos[0], gLeaf.u16Swapped[0]);
  InverseCombine2(z0, z2, z4, z6, X2, X3);
  X2 = RotateSeparate2<0xF>(z5, gLeaf.u16Cos[1], gLeaf.u16SwappedConj[1]);
  X3 = RotateSeparate2<0xF>(z7, gLeaf.u16Cos[1], gLeaf.u16Swapped[1]);
  InverseCombine2(z1, z3, z5, z7, X2, X3);
}

// upass_avx2's column step with the pair's factors from f (LeafFactors).
WDL_FFT_AVX2 inline void InverseStep2Split(Cx2& x0, Cx2& x1, Cx2& x2, Cx2& x3, const double* f) {
  const Cx2 c = _mm256_load_pd(f), s = _mm256_load_pd(f + 4);
  const Cx2 X2 = _mm256_fmsubadd_pd(x2, c, _mm256_mul_pd(Swap2(x2), s));
  const Cx2 X3 = _mm256_fmaddsub_pd(x3, c, _mm256_mul_pd(Swap2(x3), s));
  InverseCombine2(x0, x1, x2, x3, X2, X3);
}

WDL_FFT_AVX2 void u8_avx2(C* a) {
  WDL_FFT_LOAD4(a, z0, z1, z2, z3);
  U8InRegisters(z0, z1, z2, z3);
  WDL_FFT_STORE4(a, z0, z1, z2, z3);
}

WDL_FFT_AVX2 void u16_avx2(C* a) {
  WDL_FFT_LOAD4(a, z0, z1, z2, z3);
  WDL_FFT_LOAD4(a + 8, z4, z5, z6, z7);
  U16InRegisters(z0, z1, z2, z3, z4, z5, z6, z7);
  WDL_FFT_STORE4(a, z0, z1, z2, z3);
  WDL_FFT_STORE4(a + 8, z4, z5, z6, z7);
}

// u32: u16 on the first half, u8 on both last quarters, then upass_avx2's step.
WDL_FFT_AVX2 void u32_avx2(C* a) {
  WDL_FFT_LOAD4(a, z0, z1, z2, z3);
  WDL_FFT_LOAD4(a + 8, z4, z5, z6, z7);
  WDL_FFT_LOAD4(a + 16, z8, z9, z10, z11);
  WDL_FFT_LOAD4(a + 24, z12, z13, z14, z15);
  U16InRegisters(z0, z1, z2, z3, z4, z5, z6, z7);
  U8InRegisters(z8, z9, z10, z11);
  U8InRegisters(z12, z13, z14, z15);
  InverseStep2Split(z0, z4, z8, z12, gLeaf.c32[0]);
  InverseStep2Split(z1, z5, z9, z13, gLeaf.c32[1]);
  InverseStep2Split(z2, z6, z10, z14, gLeaf.c32[2]);
  InverseStep2Split(z3, z7, z11, z15, gLeaf.c32[3]);
  WDL_FFT_STORE4(a, z0, z1, z2, z3);
  WDL_FFT_STORE4(a + 8, z4, z5, z6, z7);
  WDL_FFT_STORE4(a + 16, z8, z9, z10, z11);
  WDL_FFT_STORE4(a + 24, z12, z13, z14, z15);
}
#endif

#if WDL_FFT_HAVE_AVX512
// c16_avx2 with the sixteen values held in four registers from the first load to the
// last store. Each value meets the operations it meets there, in the same order: the
// column steps fused as there (w^0 = (1, 0) included), the 4- and 2-point kernels
// with additions and subtractions only (a - b and a + (-b) are the same operation).
// [x0 + x1, x0 - x1, x2 + x3, x2 - x3] from p = [x0, x0, x2, x2], q = [x1, x1, x3, x3].
WDL_FFT_AVX512 inline Cx4 SumDifference(Cx4 p, Cx4 q) { return _mm512_mask_sub_pd(_mm512_add_pd(p, q), 0xCC, p, q); }
// c4 on the four values of z.
WDL_FFT_AVX512 inline Cx4 C4InRegister(Cx4 z) {
  const Cx4 h = _mm512_shuffle_f64x2(z, z, 0x4E);  // [x2, x3, x0, x1]
  const Cx4 sum = _mm512_add_pd(z, h), dif = _mm512_sub_pd(z, h);
  // [a0, a0, u, u] and [a1, a1, iv, iv] with a0 = x0 + x2, a1 = x1 + x3, u = x0 - x2, v = x1 - x3.
  return SumDifference(_mm512_shuffle_f64x2(sum, dif, 0x00), _mm512_shuffle_f64x2(sum, MulI4(dif), 0x55));
}
// c2 on values 0, 1 and on values 2, 3 of z.
WDL_FFT_AVX512 inline Cx4 TwoC2InRegister(Cx4 z) {
  return SumDifference(_mm512_shuffle_f64x2(z, z, 0xA0), _mm512_shuffle_f64x2(z, z, 0xF5));
}

// c8 in two registers. Unlike the 16-point kernel's own 8-point step, c8 multiplies
// and adds separately (x c + swap(x) s) and leaves column 0 unmultiplied, and so does
// this; the build keeps the compiler from fusing the two.
WDL_FFT_AVX512 void c8_avx512(C* a) {
  const double e = d16[1].re;
  const Cx4 cs = _mm512_set1_pd(e);
  // Swapped-value factors for column 1: (-e, e) rotating, (e, -e) rotating back.
  const Cx4 sw = _mm512_set_pd(-e, e, 0.0, 0.0, e, -e, 0.0, 0.0);
  const Cx4 z0 = Load4(a), z1 = Load4(a + 4);
  const Cx4 sum = _mm512_add_pd(z0, z1), dif = _mm512_sub_pd(z0, z1);  // [x0 + x2 | x1 + x3], [u | v]
  const Cx4 u = _mm512_shuffle_f64x2(dif, dif, 0x44), iv = MulI4(_mm512_shuffle_f64x2(dif, dif, 0xEE));
  const Cx4 m = _mm512_mask_sub_pd(_mm512_add_pd(u, iv), 0xF0, u, iv);  // [u + iv | u - iv]
  const Cx4 rotated = _mm512_add_pd(_mm512_mul_pd(m, cs), _mm512_mul_pd(Swap4(m), sw));
  Store4(a, C4InRegister(sum));
  Store4(a + 4, TwoC2InRegister(_mm512_mask_blend_pd(0xCC, m, rotated)));
}

WDL_FFT_AVX512 void c16_avx512(C* a) {
  const __m128d one = _mm_set_pd(0.0, 1.0), eighth = _mm_set1_pd(d16[1].re);
  const __m128d pi8 = _mm_loadu_pd(&d16[0].re);
  const Cx4 w16 = Join(TwiddlePair(one, pi8), TwiddlePair(eighth, _mm_shuffle_pd(pi8, pi8, 1)));
  const Cx4 w8 = Join(TwiddlePair(one, eighth), TwiddlePair(one, eighth));

  Cx4 z0 = Load4(a), z1 = Load4(a + 4), z2 = Load4(a + 8), z3 = Load4(a + 12);
  // The 16-point step, four columns at once.
  {
    const Cx4 u = _mm512_sub_pd(z0, z2), iv = MulI4(_mm512_sub_pd(z1, z3));
    z0 = _mm512_add_pd(z0, z2);
    z1 = _mm512_add_pd(z1, z3);
    z2 = Rotate4(_mm512_add_pd(u, iv), w16);
    z3 = RotateConj4(_mm512_sub_pd(u, iv), w16);
  }
  z2 = C4InRegister(z2);
  z3 = C4InRegister(z3);
  // The 8-point step on values 0 .. 7: quarters (0, 1), (2, 3), (4, 5), (6, 7).
  {
    const Cx4 sum = _mm512_add_pd(z0, z1), dif = _mm512_sub_pd(z0, z1);  // [x0 + x2 | x1 + x3], [u | v]
    const Cx4 u = _mm512_shuffle_f64x2(dif, dif, 0x44), iv = MulI4(_mm512_shuffle_f64x2(dif, dif, 0xEE));
    const Cx4 m = _mm512_mask_sub_pd(_mm512_add_pd(u, iv), 0xF0, u, iv);  // [u + iv | u - iv]
    const Cx4 cs = _mm512_movedup_pd(w8), ss = _mm512_mul_pd(Swap4(m), _mm512_permute_pd(w8, 0xFF));
    z1 = _mm512_mask_blend_pd(0xF0, _mm512_fmaddsub_pd(m, cs, ss), _mm512_fmsubadd_pd(m, cs, ss));
    z0 = sum;
  }
  z1 = TwoC2InRegister(z1);
  z0 = C4InRegister(z0);
  Store4(a, z0);
  Store4(a + 4, z1);
  Store4(a + 8, z2);
  Store4(a + 12, z3);
}
#endif

// Forward step of size 16 with the twiddles of pi/8, pi/4 and 3 pi/8, c4 on both last
// quarters, c8 on the first half.
inline void c16(C* a) {
#if WDL_FFT_HAVE_AVX512
  if (gUseAvx512) return c16_avx512(a);
#endif
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return c16_avx2(a);
#endif
  ForwardButterflyUnit(a, a + 4, a + 8, a + 12);
  ForwardButterfly(a + 1, a + 5, a + 9, a + 13, LoadTwiddle(d16));
  ForwardButterfly(a + 2, a + 6, a + 10, a + 14, EighthTwiddle());
  ForwardButterfly(a + 3, a + 7, a + 11, a + 15, LoadTwiddleExchanged(d16));
  c4(a + 8);
  c4(a + 12);
  c8(a);
}

// u16 one value at a time. A lone 16-point inverse takes it on every path: there the
// register kernel's lane moves cost more than they save, inside larger transforms less.
inline void u16_plain(C* a) {
  u8_plain(a);
  u4(a + 8);
  u4(a + 12);
  InverseButterflyUnit(a, a + 4, a + 8, a + 12);
  InverseButterfly(a + 1, a + 5, a + 9, a + 13, LoadTwiddle(d16));
  InverseButterfly(a + 2, a + 6, a + 10, a + 14, EighthTwiddle());
  InverseButterfly(a + 3, a + 7, a + 11, a + 15, LoadTwiddleExchanged(d16));
}

inline void u16(C* a) {
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return u16_avx2(a);
#endif
  u16_plain(a);
}

// ---------------------------------------------------------------- sized kernels

// Size N from 32 up: one pass, then the quarter kernels and the half kernel (forward),
// or the same calls in the mirrored order (inverse). From 64 points the AVX2 path runs
// the forward N- and N/2-point steps in one sweep, after which the first half needs
// what c_{N/2} does after its own step: the kernels of its two last quarters and its
// first half.
#if WDL_FFT_HAVE_AVX512
#define WDL_FFT_AVX2_ONLY (gUseAvx2 && !gUseAvx512)
#elif WDL_FFT_HAVE_AVX2
#define WDL_FFT_AVX2_ONLY gUseAvx2
#endif

#if WDL_FFT_HAVE_AVX2
// The AVX2-only forward transforms of 64 points and up: each sweep takes the N- and
// N/2-point steps, leaving its values split, and the kernels of the two last quarters,
// the two last eighths and the first quarter follow (what c_N and then c_{N/2} do after
// their steps). c<N>_split takes a block that a larger sweep left split; c<N>_sweep is
// the transform itself, from values in memory order.
#define WDL_FFT_SPLIT_CHILDREN(N, QUARTER, EIGHTH) \
  c##QUARTER##_split(a + N / 2);                  \
  c##QUARTER##_split(a + 3 * (N / 4));            \
  c##EIGHTH##_split(a + N / 4);                   \
  c##EIGHTH##_split(a + 3 * (N / 8));             \
  c##QUARTER##_split(a);
#define WDL_FFT_SPLIT_KERNEL(N, HALF, QUARTER, EIGHTH)                               \
  WDL_FFT_AVX2 void c##N##_split(C* a) {                                             \
    ForwardSweepSplit<false, (N <= 256 ? N / 4 : 0)>(a, SplitTwiddles(N), SplitTwiddles(HALF), N / 4); \
    WDL_FFT_SPLIT_CHILDREN(N, QUARTER, EIGHTH)                                       \
  }
#define WDL_FFT_SWEEP_KERNEL(N, HALF, QUARTER, EIGHTH)                               \
  WDL_FFT_AVX2 void c##N##_sweep(C* a) {                                             \
    ForwardSweepSplit<true, (N <= 256 ? N / 4 : 0)>(a, SplitTwiddles(N), SplitTwiddles(HALF), N / 4);  \
    WDL_FFT_SPLIT_CHILDREN(N, QUARTER, EIGHTH)                                       \
  }
#define WDL_FFT_SPLIT_KERNELS(N, HALF, QUARTER, EIGHTH) \
  WDL_FFT_SPLIT_KERNEL(N, HALF, QUARTER, EIGHTH)        \
  WDL_FFT_SWEEP_KERNEL(N, HALF, QUARTER, EIGHTH)
WDL_FFT_SPLIT_KERNELS(64, 32, 16, 8)
WDL_FFT_SPLIT_KERNELS(128, 64, 32, 16)
WDL_FFT_SPLIT_KERNELS(256, 128, 64, 32)
WDL_FFT_SPLIT_KERNELS(512, 256, 128, 64)
WDL_FFT_SPLIT_KERNELS(1024, 512, 256, 128)
WDL_FFT_SPLIT_KERNELS(2048, 1024, 512, 256)
WDL_FFT_SPLIT_KERNELS(4096, 2048, 1024, 512)
WDL_FFT_SPLIT_KERNELS(8192, 4096, 2048, 1024)
WDL_FFT_SPLIT_KERNELS(16384, 8192, 4096, 2048)
WDL_FFT_SPLIT_KERNELS(32768, 16384, 8192, 4096)
WDL_FFT_SPLIT_KERNELS(65536, 32768, 16384, 8192)
WDL_FFT_SPLIT_KERNELS(131072, 65536, 32768, 16384)
// The two largest are never a part of a larger transform.
WDL_FFT_SWEEP_KERNEL(262144, 131072, 65536, 32768)
WDL_FFT_SWEEP_KERNEL(524288, 262144, 131072, 65536)
#undef WDL_FFT_SPLIT_KERNELS
#undef WDL_FFT_SWEEP_KERNEL
#undef WDL_FFT_SPLIT_KERNEL
#undef WDL_FFT_SPLIT_CHILDREN

#define WDL_FFT_FORWARD_AVX2(AVX2_KERNEL) \
  if (WDL_FFT_AVX2_ONLY) return AVX2_KERNEL(a);
#define WDL_FFT_INVERSE_KERNEL(N) \
  if (N == 32 && WDL_FFT_AVX2_ONLY) return u32_avx2(a);
#else
#define WDL_FFT_FORWARD_AVX2(AVX2_KERNEL)
#define WDL_FFT_INVERSE_KERNEL(N)
#endif

#define WDL_FFT_SIZED_KERNELS(N, HALF, QUARTER, PASS, UPASS, AVX2_KERNEL) \
  void c##N(C* a) {                                                 \
    WDL_FFT_FORWARD_AVX2(AVX2_KERNEL)                               \
    PASS(a, d##N, N / 8);                                           \
    c##QUARTER(a + N / 2);                                          \
    c##QUARTER(a + 3 * (N / 4));                                    \
    c##HALF(a);                                                     \
  }                                                                 \
  void u##N(C* a) {                                                 \
    WDL_FFT_INVERSE_KERNEL(N)                                       \
    u##HALF(a);                                                     \
    u##QUARTER(a + N / 2);                                          \
    u##QUARTER(a + 3 * (N / 4));                                    \
    UPASS(a, d##N, N / 8);                                          \
  }

WDL_FFT_SIZED_KERNELS(32, 16, 8, cpass, upass, c32_avx2)
WDL_FFT_SIZED_KERNELS(64, 32, 16, cpass, upass, c64_sweep)
WDL_FFT_SIZED_KERNELS(128, 64, 32, cpass, upass, c128_sweep)
WDL_FFT_SIZED_KERNELS(256, 128, 64, cpass, upass, c256_sweep)
WDL_FFT_SIZED_KERNELS(512, 256, 128, cpass, upass, c512_sweep)
WDL_FFT_SIZED_KERNELS(1024, 512, 256, cpassbig, upassbig, c1024_sweep)
WDL_FFT_SIZED_KERNELS(2048, 1024, 512, cpassbig, upassbig, c2048_sweep)
WDL_FFT_SIZED_KERNELS(4096, 2048, 1024, cpassbig, upassbig, c4096_sweep)
WDL_FFT_SIZED_KERNELS(8192, 4096, 2048, cpassbig, upassbig, c8192_sweep)
WDL_FFT_SIZED_KERNELS(16384, 8192, 4096, cpassbig, upassbig, c16384_sweep)
WDL_FFT_SIZED_KERNELS(32768, 16384, 8192, cpassbig, upassbig, c32768_sweep)
WDL_FFT_SIZED_KERNELS(65536, 32768, 16384, cpassbig, upassbig, c65536_sweep)
WDL_FFT_SIZED_KERNELS(131072, 65536, 32768, cpassbig, upassbig, c131072_sweep)
WDL_FFT_SIZED_KERNELS(262144, 131072, 65536, cpassbig, upassbig, c262144_sweep)
WDL_FFT_SIZED_KERNELS(524288, 262144, 131072, cpassbig, upassbig, c524288_sweep)

#undef WDL_FFT_FORWARD_AVX2
#undef WDL_FFT_INVERSE_KERNEL
#undef WDL_FFT_SIZED_KERNELS

}  // namespace

// ---------------------------------------------------------------- public interface

void WDL_fft_init() {
  if (gTwiddlesUpTo.load(std::memory_order_acquire) != 0) return;
  BuildTwiddles(kInitSize);
}

void WDL_fft_prepare(int size) {
  if (!IsTransformSize(size)) return;
  if (size > gTwiddlesUpTo.load(std::memory_order_acquire)) BuildTwiddles(size);
  if (!gPermReady[Log2(size)].load(std::memory_order_acquire)) BuildPermutation(size);
}

void WDL_fft(WDL_fft_complex* buffer, int size, int inverse) {
  if (!buffer) return;
  // The one check of the table state that a transform makes; it fails only on the
  // first transform of a size larger than any built so far.
  if (size >= 8 && size > gTwiddlesUpTo.load(std::memory_order_acquire)) BuildTwiddles(size);
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
    case 16:
      if (inverse)
        u16_plain(buffer);
      else
        c16(buffer);
      break;
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
  if (!gPermReady[Log2(size)].load(std::memory_order_acquire)) BuildPermutation(size);
  return PermutationTable(size);
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

const char* WDL_fft_path() {
  EnsureTables();
#if WDL_FFT_HAVE_AVX512
  if (gUseAvx512) return "avx512";
#endif
#if WDL_FFT_HAVE_AVX2
  if (gUseAvx2) return "avx2";
#endif
#if WDL_FFT_HAVE_SSE2
  return "sse2";
#else
  return "portable";
#endif
}
