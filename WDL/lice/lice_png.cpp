// LICE_LoadPNG and LICE_LoadPNGFromMemory: decode a PNG file or an image held in
// memory with libpng straight into a bitmap. LICE_ReadPNGHeader makes the same checks
// up to the first row, for images opened now and decoded later.
//
// libpng reports fatal errors by longjmp to the point set with setjmp. The
// decoding therefore runs in a function whose frame holds only plain pointers
// and integers (a longjmp over C++ objects with destructors is undefined), and
// everything it allocates is released on both ways out.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "lice.h"
#include "lice_png_header.h"

namespace {

// Images with more pixels than this are refused before any pixel memory is taken,
// so a few header bytes claiming enormous dimensions cannot make us allocate
// gigabytes. Either side alone may be long (film strips are tall); libpng's own
// per-side and chunk-size limits apply as usual.
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;  // 256 MiB of pixels

void SilentWarning(png_structp, png_const_charp) {}

// Where the encoded bytes come from when they are not in a file.
struct MemorySource {
  const png_byte* data;
  size_t size;
  size_t pos;
};

// libpng's read callback for a memory source: running out of bytes is a decode error
// (a truncated image), reported by the same longjmp as every other one.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  MemorySource* src = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (!src || count > src->size - src->pos) png_error(png, "truncated image");
  memcpy(out, src->data + src->pos, count);
  src->pos += count;
}

// Like libpng's default error handler but without writing to stderr.
[[noreturn]] void ErrorToJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Reads everything up to the image data and sets up the transformations to 8-bit
// RGB with alpha, alpha first in memory; the image's size goes to *pWidth, *pHeight
// and the number of passes that read it row by row is returned.
// Fails (by png_error) for every fault libpng or our limits find before the pixels.
// Runs inside the caller's setjmp: only plain values live in this frame.
int ReadHeader(png_structp png, png_infop info, png_uint_32* pWidth, png_uint_32* pHeight) {
  // libpng takes (and zeroes) a buffer of the length a text, profile or palette-suggestion
  // chunk claims before reading it, so a few header bytes could cost gigabytes. None of
  // them changes the pixels decoded here: they are skipped unread.
  // (libpng's list: each name followed by a terminator.)
  static const png_byte kSkipped[] = {'t', 'E', 'X', 't', 0, 'z', 'T', 'X', 't', 0, 'i', 'T', 'X', 't', 0,
                                      'i', 'C', 'C', 'P', 0, 's', 'P', 'L', 'T', 0, 'e', 'X', 'I', 'f', 0};
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, int(sizeof(kSkipped) / 5));
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (width == 0 || height == 0 || uint64_t(width) * height > kMaxPixels)
    png_error(png, "image too large");

  // Normalise every colour type to 8-bit RGB with alpha, alpha first in memory.
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (hasTransparency) png_set_tRNS_to_alpha(png);
  if (bitDepth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  if ((colorType & PNG_COLOR_MASK_ALPHA) || hasTransparency)
    png_set_swap_alpha(png);
  else
    png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != png_size_t(width) * 4) png_error(png, "unexpected layout");
  *pWidth = width;
  *pHeight = height;
  return passes;
}

// Decodes from the file fp, or from mem when fp is null, into `into` (when not null)
// or into a new memory bitmap. Returns the bitmap holding the image, or null.
LICE_IBitmap* Decode(FILE* fp, MemorySource* mem, LICE_IBitmap* into) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorToJump,
                                           SilentWarning);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  // Written after setjmp and read after a longjmp back to it: must be volatile.
  LICE_IBitmap* volatile created = nullptr;

  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    delete created;
    return nullptr;
  }

  if (fp)
    png_init_io(png, fp);
  else
    png_set_read_fn(png, mem, ReadFromMemory);
  png_uint_32 width = 0, height = 0;
  const int passes = ReadHeader(png, info, &width, &height);

  LICE_IBitmap* bm = into;
  if (!bm) {
    bm = new (std::nothrow) LICE_MemBitmap(0, 0, 4);
    if (!bm) png_error(png, "out of memory");
    created = bm;
  }
  bm->resize(int(width), int(height));
  LICE_pixel* bits = bm->getBits();
  const int span = bm->getRowSpan();
  if (!bits || bm->getWidth() != int(width) || bm->getHeight() != int(height) ||
      span < int(width))
    png_error(png, "bitmap cannot take the image");

  const bool flipped = bm->isFlipped();
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      const png_uint_32 row = flipped ? height - 1 - y : y;
      png_read_row(png, reinterpret_cast<png_bytep>(bits + size_t(row) * size_t(span)), nullptr);
    }
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return bm;
}

}  // namespace

LICE_IBitmap* LICE_LoadPNG(const char* filename, LICE_IBitmap* bmp) {
  if (!filename || !*filename) return nullptr;
  FILE* fp = fopen(filename, "rb");
  if (!fp) return nullptr;
  png_byte signature[8];
  LICE_IBitmap* result = nullptr;
  if (fread(signature, 1, sizeof(signature), fp) == sizeof(signature) &&
      png_sig_cmp(signature, 0, sizeof(signature)) == 0 && fseek(fp, 0, SEEK_SET) == 0)
    result = Decode(fp, nullptr, bmp);
  fclose(fp);
  return result;
}

LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t size, LICE_IBitmap* bmp) {
  if (!data || size < 8) return nullptr;
  const png_byte* bytes = static_cast<const png_byte*>(data);
  if (png_sig_cmp(bytes, 0, 8) != 0) return nullptr;
  MemorySource src = {bytes, size, 0};
  return Decode(nullptr, &src, bmp);
}

bool LICE_ReadPNGHeader(const void* data, size_t size, int* pWidth, int* pHeight) {
  if (!data || size < 8 || png_sig_cmp(static_cast<const png_byte*>(data), 0, 8) != 0) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorToJump, SilentWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  MemorySource src = {static_cast<const png_byte*>(data), size, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &src, ReadFromMemory);
  png_uint_32 width = 0, height = 0;
  ReadHeader(png, info, &width, &height);
  png_destroy_read_struct(&png, &info, nullptr);
  *pWidth = int(width);
  *pHeight = int(height);
  return true;
}
