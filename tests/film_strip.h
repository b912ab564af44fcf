// Film strips made in memory for the control tests: N frames stacked (or side by
// side), painted by a callback or filled with one colour each, so that a test can
// tell which frame a control drew from a single pixel.
#ifndef TESTS_FILM_STRIP_H_
#define TESTS_FILM_STRIP_H_

#include <functional>
#include <memory>

#include "IGraphicsStructs.h"
#include "lice.h"

struct FilmStrip {
  std::unique_ptr<LICE_MemBitmap> pixels;
  IBitmap bitmap;
};

// paint(bitmap, frame index 0..n-1, frame's left, frame's top) draws one frame.
inline FilmStrip MakeFilmStrip(int n, int w, int h, bool horizontal,
                               const std::function<void(LICE_IBitmap*, int, int, int)>& paint) {
  FilmStrip s;
  const int W = horizontal ? w * n : w, H = horizontal ? h : h * n;
  s.pixels.reset(new LICE_MemBitmap(W, H));
  LICE_ClearRect(s.pixels.get(), 0, 0, W, H);
  for (int f = 0; f < n; ++f) paint(s.pixels.get(), f, horizontal ? f * w : 0, horizontal ? 0 : f * h);
  s.bitmap = IBitmap(s.pixels.get(), W, H, n, horizontal);
  return s;
}

// The solid colour of frame f (0-based) in a strip from SolidFilmStrip.
inline IColor FrameColor(int f) { return IColor(255, (f * 37) % 256, (200 - f * 3) & 255, (f * 11 + 40) % 256); }

inline FilmStrip SolidFilmStrip(int n, int w, int h, bool horizontal = false) {
  return MakeFilmStrip(n, w, h, horizontal, [w, h](LICE_IBitmap* b, int f, int x, int y) {
    const IColor c = FrameColor(f);
    LICE_FillRect(b, x, y, w, h, LICE_RGBA(c.R, c.G, c.B, 255), 1.0f, LICE_BLIT_MODE_COPY);
  });
}

#endif  // TESTS_FILM_STRIP_H_
