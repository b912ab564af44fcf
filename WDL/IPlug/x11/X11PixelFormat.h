// Turns the raster library's pixels (bytes alpha, red, green, blue) into the pixel
// values of an X visual: each channel placed by the visual's mask, the value written
// in the image's byte order. Bits outside the colour masks are set on 32-bit-deep
// visuals (their alpha, so the window is opaque) and cleared otherwise.
#ifndef IPLUG_X11_X11PIXELFORMAT_H_
#define IPLUG_X11_X11PIXELFORMAT_H_

#include <cstdint>

#include "lice.h"

struct X11PixelFormat {
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  uint32_t fillBits = 0;   // set in every pixel
  bool swapBytes = false;  // the image's byte order is not this machine's

  // False unless the image has 32 bits per pixel, depth 24 or 32, and three
  // non-empty colour masks. byteOrder is LSBFirst (0) or MSBFirst (1).
  static bool Make(unsigned long redMask, unsigned long greenMask, unsigned long blueMask,
                   int depth, int bitsPerPixel, int byteOrder, X11PixelFormat* pOut);

  // The pixel value of p, already in the image's byte order.
  uint32_t Convert(LICE_pixel p) const;

  // Converts the w x h block at (x, y) of src (row span in pixels) into the same place
  // of dst (bytes per line). The caller has clipped the block to both.
  void ConvertRect(const LICE_pixel* src, int srcSpan, uint8_t* dst, int dstBytesPerLine,
                   int x, int y, int w, int h) const;
};

#endif  // IPLUG_X11_X11PIXELFORMAT_H_
