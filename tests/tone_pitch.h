// Measures the frequency of a steady tone in recorded output from its zero crossings,
// for the tests that check the pitch of the sonification blip.
#ifndef TESTS_TONE_PITCH_H_
#define TESTS_TONE_PITCH_H_

#include <algorithm>
#include <cstddef>
#include <vector>

// Frequency in Hz of the tone in x[from, to) from its linearly interpolated zero
// crossings; 0 when fewer than three crossings lie in the range.
template <class Sample>
double ZeroCrossingFrequency(const std::vector<Sample>& x, size_t from, size_t to, double sampleRate) {
  to = std::min(to, x.size());
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i) {
    const double a = x[i - 1], b = x[i];
    if ((a < 0.0) != (b < 0.0) && a != b) {
      const double t = static_cast<double>(i - 1) + a / (a - b);
      if (first < 0.0) first = t;
      last = t;
      ++crossings;
    }
  }
  if (crossings < 3) return 0.0;
  return (crossings - 1) / 2.0 / ((last - first) / sampleRate);
}

#endif  // TESTS_TONE_PITCH_H_
