// The PNG writer: libpng's row-by-row encoder over a stdio stream, and the file path
// through AtomicFile.
#include "PngFileWriter.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "AtomicFile.h"
#include "lice.h"

namespace {

[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// One row of the bitmap in the file's byte order: R, G, B (and A).
void PackRow(const LICE_pixel* src, int w, bool withAlpha, png_bytep dst) {
  const int step = withAlpha ? 4 : 3;
  for (int x = 0; x < w; ++x, dst += step) {
    dst[0] = png_byte(LICE_GETR(src[x]));
    dst[1] = png_byte(LICE_GETG(src[x]));
    dst[2] = png_byte(LICE_GETB(src[x]));
    if (withAlpha) dst[3] = png_byte(LICE_GETA(src[x]));
  }
}

// libpng leaves this frame by longjmp on an error, so only plain pointers and ints
// live in it; the row buffer belongs to the caller.
bool EncodeRows(LICE_IBitmap* bm, FILE* fp, bool withAlpha, int level, png_bytep row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  const int w = bm->getWidth(), h = bm->getHeight(), span = bm->getRowSpan();
  const LICE_pixel* bits = bm->getBits();
  png_init_io(png, fp);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (level >= 0) png_set_compression_level(png, level);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    const int srcRow = bm->isFlipped() ? h - 1 - y : y;
    PackRow(bits + size_t(srcRow) * size_t(span), w, withAlpha, row);
    png_write_row(png, row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool EncodeBitmapPNG(LICE_IBitmap* pBitmap, FILE* fp, const PngLayout& layout) {
  if (!pBitmap || !fp || !pBitmap->getBits() || pBitmap->getWidth() < 1 || pBitmap->getHeight() < 1) return false;
  if (layout.compressionLevel > 9) return false;
  std::vector<png_byte> row(size_t(pBitmap->getWidth()) * (layout.withAlpha ? 4 : 3));
  return EncodeRows(pBitmap, fp, layout.withAlpha, layout.compressionLevel, row.data()) && !ferror(fp);
}

bool WriteBitmapPNGFile(LICE_IBitmap* pBitmap, const char* path, const PngLayout& layout, std::string* error) {
  auto failWith = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (!path || !*path) return failWith("no file name");
  if (!pBitmap || !pBitmap->getBits() || pBitmap->getWidth() < 1 || pBitmap->getHeight() < 1)
    return failWith("the picture is empty");
  AtomicFile file;
  FILE* fp = file.Open(path, true);
  if (!fp) return failWith(file.Error());
  if (!EncodeBitmapPNG(pBitmap, fp, layout)) {
    file.Discard();
    return failWith("the PNG encoder failed");
  }
  if (!file.Commit()) return failWith(file.Error());
  if (error) error->clear();
  return true;
}
