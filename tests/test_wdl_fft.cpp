// The FFT against a direct long-double DFT, its scrambled output order, its inverse,
// the sizes it refuses, its one-time initialisation and the complex multiplies.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fft_test_signals.h"

namespace {

struct LongComplex {
  long double re, im;
};

// X[k] = sum_m x[m] e^(sign 2 pi i m k / n), in natural order, computed in long double.
std::vector<LongComplex> DirectDft(const Buffer& x, int sign) {
  const int n = static_cast<int>(x.size());
  std::vector<LongComplex> root(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    const long double t = 2.0L * kPi * k / n;
    root[k] = {cosl(t), sign * sinl(t)};
  }
  std::vector<LongComplex> out(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    long double re = 0, im = 0;
    for (int m = 0; m < n; ++m) {
      const LongComplex& w = root[(static_cast<long long>(m) * k) % n];
      re += x[m].re * w.re - x[m].im * w.im;
      im += x[m].re * w.im + x[m].im * w.re;
    }
    out[k] = {re, im};
  }
  return out;
}

// Largest deviation relative to the largest reference magnitude.
double RelativeError(const std::vector<LongComplex>& ref, const std::vector<LongComplex>& got) {
  long double worst = 0, scale = 0;
  for (size_t k = 0; k < ref.size(); ++k) {
    scale = std::max(scale, hypotl(ref[k].re, ref[k].im));
    worst = std::max(worst, hypotl(ref[k].re - got[k].re, ref[k].im - got[k].im));
  }
  return static_cast<double>(scale > 0 ? worst / scale : worst);
}

std::vector<int> AllSizes() {
  std::vector<int> sizes;
  for (int n = 2; n <= 524288; n *= 2) sizes.push_back(n);
  return sizes;
}

bool BitwiseEqual(const Buffer& a, const Buffer& b) {
  return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(WDL_fft_complex)) == 0;
}

class FftTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { WDL_fft_init(); }
};

// ---------------------------------------------------------------- accuracy

TEST_F(FftTest, ForwardMatchesLongDoubleDftForEverySizeUpTo4096) {
  for (int n = 2; n <= 4096; n *= 2) {
    SCOPED_TRACE(n);
    const Buffer x = RandomSignal(n, 1000u + n);
    const auto ref = DirectDft(x, -1);
    Buffer y = x;
    WDL_fft(y.data(), n, 0);
    std::vector<LongComplex> got(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
      const int pos = WDL_fft_permute(n, k);
      ASSERT_GE(pos, 0);
      ASSERT_LT(pos, n);
      got[k] = {y[pos].re, y[pos].im};
    }
    EXPECT_LT(RelativeError(ref, got), Tolerance(n));
  }
}

TEST_F(FftTest, InverseOfPermutedSpectrumMatchesLongDoubleDftForEverySizeUpTo4096) {
  for (int n = 2; n <= 4096; n *= 2) {
    SCOPED_TRACE(n);
    const Buffer spectrum = RandomSignal(n, 2000u + n);
    const auto ref = DirectDft(spectrum, +1);
    Buffer y(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) y[WDL_fft_permute(n, k)] = spectrum[k];
    WDL_fft(y.data(), n, 1);
    std::vector<LongComplex> got(static_cast<size_t>(n));
    for (int m = 0; m < n; ++m) got[m] = {y[m].re, y[m].im};
    EXPECT_LT(RelativeError(ref, got), Tolerance(n));
  }
}

TEST_F(FftTest, ForwardThenInverseScalesBySizeUpTo4096) {
  for (int n = 2; n <= 4096; n *= 2) {
    SCOPED_TRACE(n);
    const Buffer x = RandomSignal(n, 3000u + n);
    Buffer y = x;
    WDL_fft(y.data(), n, 0);
    WDL_fft(y.data(), n, 1);
    double worst = 0;
    for (int m = 0; m < n; ++m)
      worst = std::max(worst, std::hypot(y[m].re / n - x[m].re, y[m].im / n - x[m].im));
    EXPECT_LT(worst, Tolerance(n) * 4);
  }
}

TEST_F(FftTest, AnyNonzeroInverseFlagSelectsTheInverse) {
  const Buffer x = RandomSignal(64, 7);
  Buffer a = x, b = x;
  WDL_fft(a.data(), 64, 1);
  WDL_fft(b.data(), 64, -5);
  EXPECT_TRUE(BitwiseEqual(a, b));
}

// ---------------------------------------------------------------- known spectra at 2048

TEST_F(FftTest, ImpulseAtZeroGivesFlatSpectrum) {
  Buffer x(2048, WDL_fft_complex{0, 0});
  x[0] = {1, 0};
  WDL_fft(x.data(), 2048, 0);
  for (const auto& v : x) {
    EXPECT_EQ(v.re, 1.0);
    EXPECT_EQ(v.im, 0.0);
  }
}

TEST_F(FftTest, CosineLandsOnItsTwoBins) {
  const int n = 2048;
  Buffer x(n);
  for (int m = 0; m < n; ++m) x[m] = {std::cos(2.0 * M_PI * 5 * m / n), 0.0};
  WDL_fft(x.data(), n, 0);
  const int p5 = WDL_fft_permute(n, 5), p2043 = WDL_fft_permute(n, 2043);
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    const double expect = (i == p5 || i == p2043) ? 1024.0 : 0.0;
    EXPECT_NEAR(x[i].re, expect, 1e-9);
    EXPECT_NEAR(x[i].im, 0.0, 1e-9);
  }
}

TEST_F(FftTest, ComplexExponentialsLandOnOneBinEach) {
  const int n = 2048;
  for (int sign : {+1, -1}) {
    SCOPED_TRACE(sign);
    Buffer x(n);
    for (int m = 0; m < n; ++m) {
      const double t = sign * 2.0 * M_PI * 5 * m / n;
      x[m] = {std::cos(t), std::sin(t)};
    }
    WDL_fft(x.data(), n, 0);
    const int hot = WDL_fft_permute(n, sign > 0 ? 5 : 2043);
    for (int i = 0; i < n; ++i) {
      EXPECT_NEAR(x[i].re, i == hot ? 2048.0 : 0.0, 1e-9) << i;
      EXPECT_NEAR(x[i].im, 0.0, 1e-9) << i;
    }
  }
}

TEST_F(FftTest, SizeTwoIsSumAndDifferenceBothWays) {
  for (int inverse : {0, 1}) {
    WDL_fft_complex x[2] = {{1.5, -2.0}, {0.25, 4.0}};
    WDL_fft(x, 2, inverse);
    EXPECT_EQ(x[0].re, 1.75);
    EXPECT_EQ(x[0].im, 2.0);
    EXPECT_EQ(x[1].re, 1.25);
    EXPECT_EQ(x[1].im, -6.0);
  }
}

// ---------------------------------------------------------------- output order

TEST_F(FftTest, EveryPermutationTableIsAPermutationStartingAtZero) {
  for (int n : AllSizes()) {
    SCOPED_TRACE(n);
    const int* tab = WDL_fft_permute_tab(n);
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab[0], 0);
    EXPECT_EQ(WDL_fft_permute(n, 0), 0);
    std::vector<char> seen(static_cast<size_t>(n), 0);
    for (int k = 0; k < n; ++k) {
      ASSERT_GE(tab[k], 0);
      ASSERT_LT(tab[k], n);
      ASSERT_FALSE(seen[tab[k]]) << "position " << tab[k] << " used twice";
      seen[tab[k]] = 1;
    }
  }
}

// Even bins go to the first half in the order of the half-size transform; odd bins
// to the third quarter (bins 3 mod 4) and the fourth quarter (bins 1 mod 4).
TEST_F(FftTest, ScrambledOrderFollowsTheSplitRadixLayout) {
  for (int n = 4; n <= 524288; n *= 2) {
    SCOPED_TRACE(n);
    for (int k = 0; k < n; ++k) {
      const int pos = WDL_fft_permute(n, k);
      if (k % 2 == 0) {
        ASSERT_EQ(pos, WDL_fft_permute(n / 2, k / 2)) << k;
      } else if (k % 4 == 3) {
        ASSERT_TRUE(pos >= n / 2 && pos < 3 * n / 4) << k;
      } else {
        ASSERT_TRUE(pos >= 3 * n / 4 && pos < n) << k;
      }
    }
  }
}

// The frequency (positive-exponent sense) at output position i of an n-point pass,
// straight from the layout: even frequencies in the first half, 1 mod 4 in the third
// quarter, -1 mod 4 in the fourth. Bin k of the forward contract lies where frequency
// n - k does.
int FrequencyAt(int i, int n) {
  if (n < 3) return i;
  if (i < n / 2) return 2 * FrequencyAt(i, n / 2);
  i -= n / 2;
  if (i < n / 4) return 4 * FrequencyAt(i, n / 4) + 1;
  return (4 * FrequencyAt(i - n / 4, n / 4) - 1) & (n - 1);
}

TEST_F(FftTest, EveryPermutationTableFollowsTheLayoutEntryByEntry) {
  for (int n : AllSizes()) {
    SCOPED_TRACE(n);
    std::vector<int> expected(static_cast<size_t>(n), -1);
    for (int i = 0; i < n; ++i) expected[(n - FrequencyAt(i, n)) & (n - 1)] = i;
    const int* tab = WDL_fft_permute_tab(n);
    ASSERT_NE(tab, nullptr);
    ASSERT_EQ(std::vector<int>(tab, tab + n), expected);
  }
}

TEST_F(FftTest, SmallTablesAreTheExpectedOrders) {
  const int* t4 = WDL_fft_permute_tab(4);
  EXPECT_EQ(std::vector<int>(t4, t4 + 4), (std::vector<int>{0, 3, 1, 2}));
  const int* t2 = WDL_fft_permute_tab(2);
  EXPECT_EQ(std::vector<int>(t2, t2 + 2), (std::vector<int>{0, 1}));
}

TEST_F(FftTest, LookupsRefuseSizesAndBinsOutsideTheirRange) {
  for (int n : {0, 1, 3, 12, 1000, 1048576, -2, -16, INT_MIN, INT_MAX}) {
    EXPECT_EQ(WDL_fft_permute_tab(n), nullptr) << n;
    EXPECT_EQ(WDL_fft_permute(n, 0), -1) << n;
  }
  EXPECT_EQ(WDL_fft_permute(2048, -1), -1);
  EXPECT_EQ(WDL_fft_permute(2048, 2048), -1);
  EXPECT_EQ(WDL_fft_permute(2048, INT_MAX), -1);
  EXPECT_EQ(WDL_fft_permute(16, 16), -1);
  EXPECT_EQ(WDL_fft_permute(16, 15), WDL_fft_permute_tab(16)[15]);
}

// ---------------------------------------------------------------- refused input

TEST_F(FftTest, UnsupportedSizesLeaveTheBufferUnchanged) {
  const Buffer original = RandomSignal(1 << 20, 11);
  for (int n : {0, 1, 3, 6, 1000, 2047, 2049, 1048576, -2, -2048, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(n);
    Buffer x = original;
    WDL_fft(x.data(), n, 0);
    EXPECT_TRUE(BitwiseEqual(x, original));
    WDL_fft(x.data(), n, 1);
    EXPECT_TRUE(BitwiseEqual(x, original));
  }
}

TEST_F(FftTest, NullBufferIsIgnored) {
  WDL_fft(nullptr, 2048, 0);
  WDL_fft(nullptr, 2, 1);
}

// ---------------------------------------------------------------- initialisation

TEST_F(FftTest, SecondInitChangesNothing) {
  const Buffer x = RandomSignal(2048, 21);
  Buffer before = x;
  WDL_fft(before.data(), 2048, 0);
  const std::vector<int> tabBefore(WDL_fft_permute_tab(2048), WDL_fft_permute_tab(2048) + 2048);
  WDL_fft_init();
  WDL_fft_init();
  Buffer after = x;
  WDL_fft(after.data(), 2048, 0);
  EXPECT_TRUE(BitwiseEqual(before, after));
  EXPECT_EQ(tabBefore, std::vector<int>(WDL_fft_permute_tab(2048), WDL_fft_permute_tab(2048) + 2048));
}

// Run on its own (as CTest does), this is the process's first initialisation: every
// thread must see complete tables as soon as its own call returns.
TEST(FftInit, ConcurrentFirstCallsAllSeeCompleteTables) {
  const Buffer x = RandomSignal(2048, 31);
  const auto ref = DirectDft(x, -1);
  constexpr int kThreads = 4;
  std::atomic<int> ready{0};
  std::vector<Buffer> results(kThreads, x);
  std::vector<std::vector<int>> perms(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) {
      }
      WDL_fft_init();
      WDL_fft(results[t].data(), 2048, 0);
      for (int k = 0; k < 2048; ++k) perms[t].push_back(WDL_fft_permute(2048, k));
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    std::vector<LongComplex> got(2048);
    for (int k = 0; k < 2048; ++k) got[k] = {results[t][perms[t][k]].re, results[t][perms[t][k]].im};
    EXPECT_LT(RelativeError(ref, got), Tolerance(2048)) << "thread " << t;
  }
}

// Every test runs in a process of its own under CTest, so no transform of 65536 points
// has run before: the threads race to build its tables while transforming and looking
// up, and each must get the same bits as a transform made once they are built.
TEST(FftInit, ConcurrentFirstTransformsOfAnUnbuiltSizeAllSeeCompleteTables) {
  constexpr int kSize = 65536;
  const Buffer x = RandomSignal(kSize, 33);
  constexpr int kThreads = 4;
  std::atomic<int> ready{0};
  std::vector<Buffer> results(kThreads, x);
  std::vector<std::vector<int>> perms(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) {
      }
      if (t % 2) WDL_fft_init();
      WDL_fft(results[t].data(), kSize, t == 3);
      const int* tab = WDL_fft_permute_tab(kSize);
      perms[t].assign(tab, tab + kSize);
    });
  }
  for (auto& th : threads) th.join();
  Buffer forward = x, inverse = x;
  WDL_fft(forward.data(), kSize, 0);
  WDL_fft(inverse.data(), kSize, 1);
  const int* tab = WDL_fft_permute_tab(kSize);
  for (int t = 0; t < kThreads; ++t) {
    SCOPED_TRACE(t);
    EXPECT_TRUE(BitwiseEqual(results[t], t == 3 ? inverse : forward));
    EXPECT_TRUE(std::equal(perms[t].begin(), perms[t].end(), tab));
  }
}

TEST(FftPrepare, RefusedSizesAreIgnoredAndPreparedSizesTransformAsUnprepared) {
  for (int n : {0, 1, 3, 12, 2049, 1048576, -2, -2048, INT_MIN, INT_MAX}) WDL_fft_prepare(n);
  const Buffer x = RandomSignal(16384, 34);
  Buffer unprepared = x;
  WDL_fft(unprepared.data(), 16384, 0);  // builds its own tables
  WDL_fft_prepare(131072);
  WDL_fft_prepare(16384);
  Buffer prepared = x;
  WDL_fft(prepared.data(), 16384, 0);
  EXPECT_TRUE(BitwiseEqual(prepared, unprepared));
  EXPECT_EQ(WDL_fft_permute(131072, 1), WDL_fft_permute_tab(131072)[1]);
}

// ---------------------------------------------------------------- complex multiplies

TEST(FftComplexMul, ProductsInPlaceIntoAndAccumulated) {
  const Buffer a = RandomSignal(6, 41), b = RandomSignal(6, 42);
  Buffer inplace = a, into(6, WDL_fft_complex{9, 9}), acc = RandomSignal(6, 43);
  const Buffer accStart = acc;
  WDL_fft_complexmul(inplace.data(), b.data(), 6);
  WDL_fft_complexmul2(into.data(), a.data(), b.data(), 6);
  WDL_fft_complexmul3(acc.data(), a.data(), b.data(), 6);
  for (int i = 0; i < 6; ++i) {
    const double re = a[i].re * b[i].re - a[i].im * b[i].im;
    const double im = a[i].re * b[i].im + a[i].im * b[i].re;
    EXPECT_DOUBLE_EQ(inplace[i].re, re);
    EXPECT_DOUBLE_EQ(inplace[i].im, im);
    EXPECT_DOUBLE_EQ(into[i].re, re);
    EXPECT_DOUBLE_EQ(into[i].im, im);
    EXPECT_DOUBLE_EQ(acc[i].re, accStart[i].re + re);
    EXPECT_DOUBLE_EQ(acc[i].im, accStart[i].im + im);
  }
}

TEST(FftComplexMul, SquaringThroughAliasedArgumentsIsExact) {
  Buffer a = {{3, 4}, {0, 1}};
  WDL_fft_complexmul(a.data(), a.data(), 2);
  EXPECT_EQ(a[0].re, -7.0);
  EXPECT_EQ(a[0].im, 24.0);
  EXPECT_EQ(a[1].re, -1.0);
  EXPECT_EQ(a[1].im, 0.0);
  Buffer d = {{3, 4}, {0, 1}};
  WDL_fft_complexmul2(d.data(), d.data(), d.data(), 2);
  EXPECT_EQ(d[0].re, -7.0);
  EXPECT_EQ(d[0].im, 24.0);
}

TEST(FftComplexMul, OddOrTooShortCountsDoNothing) {
  const Buffer a = RandomSignal(8, 51), b = RandomSignal(8, 52);
  for (int n : {-2, 0, 1, 3, 7}) {
    SCOPED_TRACE(n);
    Buffer x = a, d = b;
    WDL_fft_complexmul(x.data(), b.data(), n);
    EXPECT_TRUE(BitwiseEqual(x, a));
    WDL_fft_complexmul2(d.data(), a.data(), a.data(), n);
    EXPECT_TRUE(BitwiseEqual(d, b));
    WDL_fft_complexmul3(d.data(), a.data(), a.data(), n);
    EXPECT_TRUE(BitwiseEqual(d, b));
  }
  WDL_fft_complexmul(nullptr, b.data(), 8);
  WDL_fft_complexmul2(nullptr, a.data(), b.data(), 8);
  WDL_fft_complexmul3(nullptr, a.data(), b.data(), 8);
}

}  // namespace

// The build's switches really change the path the transforms take (the tests above then
// check that path): a misspelt switch would otherwise test the default path twice.
TEST(FftPath, FollowsTheBuildSwitches) {
  const std::string path = WDL_fft_path();
#if defined(WDL_FFT_PORTABLE)
  EXPECT_EQ(path, "portable");
#elif defined(WDL_FFT_NO_AVX2) && defined(__SSE2__)
  EXPECT_EQ(path, "sse2");
#elif defined(__x86_64__)
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#if defined(WDL_FFT_NO_AVX512)
  const bool avx512 = false;
#else
  const bool avx512 = avx2 && __builtin_cpu_supports("avx512f");
#endif
  EXPECT_EQ(path, avx512 ? "avx512" : avx2 ? "avx2" : "sse2");
#else
  EXPECT_FALSE(path.empty());
#endif
}
