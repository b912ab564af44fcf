#include "png_file_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace knob_filmstrip {
namespace {

void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// libpng's error path jumps back here, so nothing with a destructor may live in it.
bool WriteRows(FILE* fp, int w, int h, png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, fp);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteBitmapPng(LICE_IBitmap* bmp, const char* path) {
  if (!bmp || !path || !bmp->getBits() || bmp->getWidth() <= 0 || bmp->getHeight() <= 0) return false;
  const int w = bmp->getWidth(), h = bmp->getHeight(), span = bmp->getRowSpan();
  // Raster pixels are A, R, G, B in memory; PNG wants R, G, B, A.
  std::vector<png_byte> bytes(static_cast<size_t>(w) * h * 4);
  std::vector<png_bytep> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    const int srcRow = bmp->isFlipped() ? h - 1 - y : y;
    const LICE_pixel* src = bmp->getBits() + static_cast<size_t>(srcRow) * span;
    png_bytep dst = &bytes[static_cast<size_t>(y) * w * 4];
    rows[static_cast<size_t>(y)] = dst;
    for (int x = 0; x < w; ++x) {
      dst[4 * x + 0] = static_cast<png_byte>(LICE_GETR(src[x]));
      dst[4 * x + 1] = static_cast<png_byte>(LICE_GETG(src[x]));
      dst[4 * x + 2] = static_cast<png_byte>(LICE_GETB(src[x]));
      dst[4 * x + 3] = static_cast<png_byte>(LICE_GETA(src[x]));
    }
  }
  FILE* fp = fopen(path, "wb");
  if (!fp) return false;
  const bool ok = WriteRows(fp, w, h, rows.data());
  const bool closed = fclose(fp) == 0;
  if (ok && closed) return true;
  remove(path);
  return false;
}

}  // namespace knob_filmstrip
