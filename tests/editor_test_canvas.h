// A headless editor with its draw bitmap ready, and small pixel helpers, for the
// drawing, bitmap and headless backend tests.
#ifndef TESTS_EDITOR_TEST_CANVAS_H_
#define TESTS_EDITOR_TEST_CANVAS_H_

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "IGraphicsHeadless.h"
#include "lice.h"

// A plain opaque pixel.
inline LICE_pixel Opaque(int r, int g, int b) { return LICE_RGBA(r, g, b, 255); }

inline void FillBitmap(LICE_IBitmap* bm, LICE_pixel v) {
  LICE_FillRect(bm, 0, 0, bm->getWidth(), bm->getHeight(), v, 1.0f, LICE_BLIT_MODE_COPY);
}

// Pixels equal to v inside (x0, y0)..(x1, y1) exclusive.
inline int CountPixels(LICE_IBitmap* bm, LICE_pixel v, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += LICE_GetPixel(bm, x, y) == v;
  return n;
}
inline int CountPixels(LICE_IBitmap* bm, LICE_pixel v) {
  return CountPixels(bm, v, 0, 0, bm->getWidth(), bm->getHeight());
}

// A headless editor of w x h with its bitmaps made, cleared to opaque black, and the
// draw rectangle covering the whole editor.
class TestCanvas {
 public:
  explicit TestCanvas(int w = 64, int h = 48) : gfx(nullptr, w, h) {
    gfx.PrepDraw();
    Clear(Opaque(0, 0, 0));
    *gfx.GetDrawRECT() = IRECT(0, 0, w, h);
  }
  void Clear(LICE_pixel v) { FillBitmap(gfx.GetDrawBitmap(), v); }
  LICE_pixel At(int x, int y) { return LICE_GetPixel(gfx.GetDrawBitmap(), x, y); }
  int Count(LICE_pixel v) { return CountPixels(gfx.GetDrawBitmap(), v); }
  int Count(LICE_pixel v, const IRECT& r) { return CountPixels(gfx.GetDrawBitmap(), v, r.L, r.T, r.R, r.B); }
  void SetClip(const IRECT& r) { *gfx.GetDrawRECT() = r; }

  IGraphicsHeadless gfx;
};

// A folder for files the tests write: below the build folder when CTest names it,
// else /tmp. Each test names its own files.
inline std::string TestOutputDir() {
  const char* build = getenv("TONEGLASS_BUILD_DIR");
  std::string dir = build && *build ? std::string(build) + "/test-output" : "/tmp/toneglass-test-output";
  if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) return "/tmp";
  return dir;
}

#endif  // TESTS_EDITOR_TEST_CANVAS_H_
