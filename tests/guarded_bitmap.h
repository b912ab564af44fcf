// A bitmap inside a larger buffer whose border (the guard band) holds a known pattern, so
// that a test can tell whether a primitive wrote outside the bitmap, in any build.
#ifndef TESTS_GUARDED_BITMAP_H_
#define TESTS_GUARDED_BITMAP_H_

#include <vector>

#include "lice.h"

class GuardedBitmap : public LICE_IBitmap {
 public:
  static constexpr int kGuard = 16;  // pixels on every side
  static constexpr LICE_pixel kPattern = 0xa55ac33cu;

  GuardedBitmap(int w, int h, LICE_pixel fill = 0)
      : m_w(w), m_h(h), m_span(w + 2 * kGuard), m_buf(size_t(m_span) * (h + 2 * kGuard), kPattern) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) getBits()[y * m_span + x] = fill;
  }
  LICE_pixel* getBits() override { return m_buf.data() + kGuard * m_span + kGuard; }
  int getWidth() override { return m_w; }
  int getHeight() override { return m_h; }
  int getRowSpan() override { return m_span; }
  bool resize(int, int) override { return false; }

  // Guard pixels that no longer hold the pattern.
  int SpoiltGuardPixels() const {
    int n = 0;
    for (int y = 0; y < m_h + 2 * kGuard; ++y)
      for (int x = 0; x < m_span; ++x) {
        const bool inside = y >= kGuard && y < kGuard + m_h && x >= kGuard && x < kGuard + m_w;
        n += !inside && m_buf[size_t(y) * m_span + x] != kPattern;
      }
    return n;
  }
  // The bitmap's own pixels, row by row.
  std::vector<LICE_pixel> Pixels() {
    std::vector<LICE_pixel> out;
    for (int y = 0; y < m_h; ++y)
      for (int x = 0; x < m_w; ++x) out.push_back(getBits()[y * m_span + x]);
    return out;
  }

 private:
  int m_w, m_h, m_span;
  std::vector<LICE_pixel> m_buf;
};

#endif  // TESTS_GUARDED_BITMAP_H_
