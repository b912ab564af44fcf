// Random complex test signals for the FFT tests and the rounding error a correct
// transform of a given size stays within.
#ifndef TESTS_FFT_TEST_SIGNALS_H_
#define TESTS_FFT_TEST_SIGNALS_H_

#include <cmath>
#include <random>
#include <vector>

#include "fft.h"

using Buffer = std::vector<WDL_fft_complex>;

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// n values with real and imaginary parts uniform in [-1, 1), the same for the same seed.
inline Buffer RandomSignal(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  Buffer x(static_cast<size_t>(n));
  for (auto& v : x) v = {dist(gen), dist(gen)};
  return x;
}

// log2(n) passes of rounding: the error grows slowly with the size, and about one
// double epsilon per pass is ample for a correct transform (a wrong twiddle or a
// misplaced bin gives errors of order 1).
inline double Tolerance(int n) { return 1.5e-16 * std::log2(static_cast<double>(n)) + 2e-16; }

#endif  // TESTS_FFT_TEST_SIGNALS_H_
