// Peak and RMS of everything that passes through, over all channels, in dBFS.
#ifndef TOOLS_VSTHOST_LEVEL_METER_H_
#define TOOLS_VSTHOST_LEVEL_METER_H_

#include <cmath>
#include <cstdint>

namespace vsthost {

class LevelMeter {
 public:
  void Add(const double* samples, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
      const double s = samples[i];
      if (!std::isfinite(s)) {
        ++mNonFinite;
        continue;
      }
      const double a = std::fabs(s);
      if (a > mPeak) mPeak = a;
      if (a > 1.0) ++mOverFullScale;
      mSumSquares += s * s;
      ++mCount;
    }
  }

  double Peak() const { return mPeak; }
  double Rms() const { return mCount ? std::sqrt(mSumSquares / static_cast<double>(mCount)) : 0.0; }
  // Samples that were NaN or infinite (left out of peak and RMS).
  int64_t NonFinite() const { return mNonFinite; }
  // Finite samples measured.
  int64_t Count() const { return mCount; }
  // Samples beyond full scale (magnitude above 1), which integer formats clip.
  int64_t OverFullScale() const { return mOverFullScale; }

  // 20 log10 of a linear level; -infinity for 0.
  static double ToDb(double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : -INFINITY; }

 private:
  double mPeak = 0.0;
  double mSumSquares = 0.0;
  int64_t mCount = 0;
  int64_t mNonFinite = 0;
  int64_t mOverFullScale = 0;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_LEVEL_METER_H_
