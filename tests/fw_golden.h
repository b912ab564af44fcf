// Rendered pictures against the golden copies kept in tests/golden, with one tolerance
// for every picture test: the rendering is exact, and the tolerance only lets small
// rounding changes in the blits or the glyph rasteriser through, while a primitive that
// stops drawing or lands elsewhere fails. After an intended change, regenerate with
// TONEGLASS_UPDATE_GOLDEN=1 and look at the picture.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "lice.h"
#include "png_test_writer.h"

// Where the tests leave pictures for a person to look at: the build folder.
inline std::string PictureDir() {
  const char* d = getenv("TONEGLASS_BUILD_DIR");
  return d && *d ? d : ".";
}

// Writes the bitmap as an opaque 8-bit RGB PNG; false on any failure.
inline bool WriteRgbPng(LICE_IBitmap* bm, const std::string& path) {
  PngImage img;
  img.width = bm->getWidth();
  img.height = bm->getHeight();
  for (int y = 0; y < img.height; ++y) {
    std::vector<png_byte> row;
    for (int x = 0; x < img.width; ++x) {
      const LICE_pixel p = LICE_GetPixel(bm, x, y);
      row.insert(row.end(), {png_byte(LICE_GETR(p)), png_byte(LICE_GETG(p)), png_byte(LICE_GETB(p))});
    }
    img.rows.push_back(row);
  }
  return WritePng(path, img);
}

// At most one pixel in 200 may differ from tests/golden/<golden> by more than 8 in a
// colour channel. The pixels that do are painted into <build dir>/<name>_diff.png.
inline void ExpectMatchesGolden(LICE_IBitmap* picture, const std::string& golden, const std::string& name) {
  std::string path = __FILE__;
  path = path.substr(0, path.find_last_of('/') + 1) + "golden/" + golden;
  const char* update = getenv("TONEGLASS_UPDATE_GOLDEN");
  if (update && *update == '1') {
    EXPECT_TRUE(WriteRgbPng(picture, path)) << path;
    return;
  }
  std::unique_ptr<LICE_IBitmap> want(LICE_LoadPNG(path.c_str()));
  ASSERT_TRUE(want) << "missing golden picture " << path;
  const int w = picture->getWidth(), h = picture->getHeight();
  ASSERT_EQ(want->getWidth(), w);
  ASSERT_EQ(want->getHeight(), h);
  int off = 0;
  LICE_MemBitmap diff(w, h);
  LICE_FillRect(&diff, 0, 0, w, h, LICE_RGBA(0, 0, 0, 255));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const LICE_pixel a = LICE_GetPixel(picture, x, y), b = LICE_GetPixel(want.get(), x, y);
      const int d = std::max({std::abs(LICE_GETR(a) - LICE_GETR(b)), std::abs(LICE_GETG(a) - LICE_GETG(b)),
                              std::abs(LICE_GETB(a) - LICE_GETB(b))});
      if (d > 8) {
        ++off;
        LICE_PutPixel(&diff, x, y, LICE_RGBA(255, 0, 255, 255), 1.0f, 0);
      }
    }
  if (off) WriteRgbPng(&diff, PictureDir() + "/" + name + "_diff.png");
  EXPECT_LE(off, w * h / 200) << "pixels off the golden picture (see " << name << ".png and " << name
                              << "_diff.png in the build folder)";
}
