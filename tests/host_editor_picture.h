// Pictures of an editor for the pixel comparisons: what a window shows on the server,
// and what a plug-in instance draws without a window (its vendor call writes a PNG).
// Both as 0xRRGGBB, row by row.
#ifndef TESTS_HOST_EDITOR_PICTURE_H_
#define TESTS_HOST_EDITOR_PICTURE_H_

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "IPlugVST_editor_picture.h"
#include "aeffectx.h"
#include "lice.h"

// Empty when the window cannot be read.
inline std::vector<unsigned> HostScreenshot(Display* d, Window w, int width, int height) {
  std::vector<unsigned> px;
  XImage* img = XGetImage(d, w, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!img) return px;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) px.push_back(static_cast<unsigned>(XGetPixel(img, x, y) & 0xffffff));
  XDestroyImage(img);
  return px;
}

// Empty when the plug-in wrote no picture of that size.
inline std::vector<unsigned> HostHeadlessPicture(AEffect* e, int width, int height) {
  const char* dir = getenv("TONEGLASS_BUILD_DIR");
  const std::string png = std::string(dir ? dir : ".") + "/headless-" + std::to_string(getpid()) + ".png";
  std::vector<unsigned> px;
  if (e->dispatcher(e, effVendorSpecific, kVSTVendorEditorPNG, 0, const_cast<char*>(png.c_str()), 0) != 1) return px;
  std::unique_ptr<LICE_IBitmap> bmp(LICE_LoadPNG(png.c_str()));
  remove(png.c_str());
  if (!bmp || bmp->getWidth() != width || bmp->getHeight() != height) return px;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const LICE_pixel p = bmp->getBits()[y * bmp->getRowSpan() + x];
      px.push_back(static_cast<unsigned>(LICE_GETR(p) << 16 | LICE_GETG(p) << 8 | LICE_GETB(p)));
    }
  return px;
}

// Pixels that differ in rows [y0, y1) of two pictures width pixels wide.
inline int HostDifferingPixels(const std::vector<unsigned>& a, const std::vector<unsigned>& b, int width, int y0,
                               int y1) {
  int n = 0;
  for (size_t i = static_cast<size_t>(y0 * width); i < static_cast<size_t>(y1 * width); ++i) n += a.at(i) != b.at(i);
  return n;
}

#endif  // TESTS_HOST_EDITOR_PICTURE_H_
