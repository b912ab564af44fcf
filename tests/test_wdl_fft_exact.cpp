// The transform's results to the last bit, against fingerprints recorded from an
// earlier build, so that reordering or widening its loops can never change a result.
// The SSE2 and portable paths compute every value with the same operations and share
// one table; the AVX2 path fuses its multiplies and adds and has its own, which its
// AVX-512 passes must give as well (build with -DWDL_FFT_NO_AVX512 to check the AVX2
// passes on a processor that has AVX-512).
//
// TONEGLASS_FFT_PRINT=1 prints the fingerprints of the build under test instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fft_test_signals.h"

namespace {

// Which set of results this build gives on this processor.
bool FusedPath() {
#if defined(__x86_64__) && defined(__SSE2__) && !defined(WDL_FFT_PORTABLE) && !defined(WDL_FFT_NO_AVX2) && \
    (defined(__GNUC__) || defined(__clang__))
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

uint64_t Fingerprint(const Buffer& x) {
  uint64_t h = 14695981039346656037ULL;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(x.data());
  for (size_t i = 0; i < x.size() * sizeof(WDL_fft_complex); ++i) {
    h ^= p[i];
    h *= 1099511628211ULL;
  }
  return h;
}

struct Recorded {
  int size;
  uint64_t forward, inverse;  // separately plain, then fused
  uint64_t fusedForward, fusedInverse;
};

const Recorded kRecorded[] = {
#include "golden/wdl_fft_hashes.inc"
};

TEST(FftExact, EverySizeGivesTheRecordedBitsBothWays) {
  WDL_fft_init();
  const bool fused = FusedPath();
  const bool print = getenv("TONEGLASS_FFT_PRINT") != nullptr;
  size_t row = 0;
  for (int n = 2; n <= 65536; n *= 2, ++row) {
    // Two signals per size: a random one, and the same one transformed again (the
    // second pass sees a spectrum's range of values).
    Buffer f = RandomSignal(n, 7000u + static_cast<unsigned>(n));
    WDL_fft(f.data(), n, 0);
    WDL_fft(f.data(), n, 0);
    Buffer u = RandomSignal(n, 9000u + static_cast<unsigned>(n));
    WDL_fft(u.data(), n, 1);
    WDL_fft(u.data(), n, 1);
    const uint64_t hf = Fingerprint(f), hu = Fingerprint(u);
    if (print) {
      printf("%s %d 0x%016llxULL 0x%016llxULL\n", fused ? "fused" : "plain", n, static_cast<unsigned long long>(hf),
             static_cast<unsigned long long>(hu));
      continue;
    }
    ASSERT_LT(row, sizeof(kRecorded) / sizeof(kRecorded[0]));
    const Recorded& r = kRecorded[row];
    ASSERT_EQ(r.size, n);
    EXPECT_EQ(hf, fused ? r.fusedForward : r.forward) << "forward, size " << n << (fused ? " (fused)" : " (plain)");
    EXPECT_EQ(hu, fused ? r.fusedInverse : r.inverse) << "inverse, size " << n << (fused ? " (fused)" : " (plain)");
  }
}

// The wide kernels load and store four or eight doubles at a time from wherever the
// caller's array lies: every start within a cache line gives the same bits as any other,
// and nothing before or after the array is touched.
TEST(FftExact, ResultsDoNotDependOnWhereTheArrayLies) {
  WDL_fft_init();
  constexpr int kGuard = 4;
  const WDL_fft_complex guard = {-7.25, 3.5};
  for (int n = 2; n <= 8192; n *= 2) {
    for (int inverse = 0; inverse < 2; ++inverse) {
      Buffer expected = RandomSignal(n, 11000u + static_cast<unsigned>(n));
      WDL_fft(expected.data(), n, inverse);
      for (int offset = 1; offset < 4; ++offset) {
        Buffer storage(static_cast<size_t>(n + offset + 2 * kGuard), guard);
        WDL_fft_complex* x = storage.data() + kGuard + offset;
        const Buffer input = RandomSignal(n, 11000u + static_cast<unsigned>(n));
        std::copy(input.begin(), input.end(), x);
        WDL_fft(x, n, inverse);
        EXPECT_EQ(0, memcmp(x, expected.data(), sizeof(WDL_fft_complex) * n))
            << "size " << n << (inverse ? " inverse" : " forward") << ", offset " << offset;
        for (int i = 0; i < kGuard + offset; ++i)
          ASSERT_TRUE(storage[i].re == guard.re && storage[i].im == guard.im) << "before, size " << n;
        for (size_t i = kGuard + offset + n; i < storage.size(); ++i)
          ASSERT_TRUE(storage[i].re == guard.re && storage[i].im == guard.im) << "after, size " << n;
      }
    }
  }
}

}  // namespace
