// The large FFT sizes (8192 to 524288): round trips, every bin of a shifted impulse,
// and sampled bins of random data against long-double sums. Labelled slow in CTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "fft_test_signals.h"

namespace {

class FftLargeTest : public ::testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() { WDL_fft_init(); }
};

TEST_P(FftLargeTest, ForwardThenInverseScalesBySize) {
  const int n = GetParam();
  const Buffer x = RandomSignal(n, 100u + n);
  Buffer y = x;
  WDL_fft(y.data(), n, 0);
  WDL_fft(y.data(), n, 1);
  double worst = 0;
  for (int m = 0; m < n; ++m) worst = std::max(worst, std::hypot(y[m].re / n - x[m].re, y[m].im / n - x[m].im));
  EXPECT_LT(worst, 4 * Tolerance(n));
}

// An impulse at m0 has X[k] = e^(-2 pi i m0 k / n) at every bin: this checks every
// position of the scrambled order and every twiddle of the large tables at once.
TEST_P(FftLargeTest, ShiftedImpulseGivesEveryBinsPhase) {
  const int n = GetParam();
  const int m0 = 12345 % n;
  Buffer x(static_cast<size_t>(n), WDL_fft_complex{0, 0});
  x[m0] = {1, 0};
  WDL_fft(x.data(), n, 0);
  long double worst = 0;
  for (int k = 0; k < n; ++k) {
    const long double t = -2.0L * kPi * static_cast<long double>((static_cast<long long>(m0) * k) % n) / n;
    const WDL_fft_complex& got = x[WDL_fft_permute(n, k)];
    worst = std::max(worst, hypotl(got.re - cosl(t), got.im - sinl(t)));
  }
  EXPECT_LT(static_cast<double>(worst), 8 * Tolerance(n));
}

// Random data: a sample of bins of the forward result and of positions of the
// inverse result, each compared with a direct long-double sum.
TEST_P(FftLargeTest, SampledBinsMatchLongDoubleSums) {
  const int n = GetParam();
  const Buffer x = RandomSignal(n, 200u + n);
  std::vector<long double> cosTab(static_cast<size_t>(n)), sinTab(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    cosTab[k] = cosl(2.0L * kPi * k / n);
    sinTab[k] = sinl(2.0L * kPi * k / n);
  }
  // sum_m v[m] e^(sign 2 pi i m k / n)
  auto directSum = [&](const Buffer& v, int k, int sign, long double& re, long double& im) {
    re = im = 0;
    for (int m = 0; m < n; ++m) {
      const size_t r = static_cast<size_t>((static_cast<long long>(m) * k) % n);
      const long double c = cosTab[r], s = sign * sinTab[r];
      re += v[m].re * c - v[m].im * s;
      im += v[m].re * s + v[m].im * c;
    }
  };
  const double scale = std::sqrt(static_cast<double>(n));  // typical magnitude of a bin
  std::mt19937 gen(300u + n);
  std::uniform_int_distribution<int> pick(0, n - 1);
  std::vector<int> probes = {0, 1, n / 2, n - 1};
  for (int i = 0; i < 8; ++i) probes.push_back(pick(gen));

  Buffer forward = x;
  WDL_fft(forward.data(), n, 0);
  for (int k : probes) {
    long double re, im;
    directSum(x, k, -1, re, im);
    const WDL_fft_complex& got = forward[WDL_fft_permute(n, k)];
    EXPECT_LT(static_cast<double>(hypotl(got.re - re, got.im - im)) / scale, 16 * Tolerance(n)) << "bin " << k;
  }

  Buffer spectrum = RandomSignal(n, 400u + n), scrambled(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) scrambled[WDL_fft_permute(n, k)] = spectrum[k];
  WDL_fft(scrambled.data(), n, 1);
  for (int m : probes) {
    long double re, im;
    directSum(spectrum, m, +1, re, im);
    EXPECT_LT(static_cast<double>(hypotl(scrambled[m].re - re, scrambled[m].im - im)) / scale, 16 * Tolerance(n))
        << "position " << m;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FftLargeTest,
                         ::testing::Values(8192, 16384, 32768, 65536, 131072, 262144, 524288));

}  // namespace
