// Writes small PNG files with libpng from a plain description, so that the decoder
// tests and the test card can make any colour type, depth and chunk they need.
#ifndef TESTS_PNG_TEST_WRITER_H_
#define TESTS_PNG_TEST_WRITER_H_

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

struct PngImage {
  int width = 0, height = 0;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS for palette images
  bool greyOrRgbKey = false;           // tRNS colour key for grey / RGB images
  png_color_16 key{};
  std::vector<std::vector<png_byte>> rows;  // packed as libpng expects
  std::string comment;                      // written as a tEXt chunk when not empty
};

inline void PngWriteSilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// False when the file cannot be written or libpng refuses the description.
inline bool WritePng(const std::string& path, PngImage& s) {
  FILE* fp = fopen(path.c_str(), "wb");
  if (!fp) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriteSilentError, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    fclose(fp);
    return false;
  }
  png_init_io(png, fp);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
  if (!s.paletteAlpha.empty())
    png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
  if (s.greyOrRgbKey) png_set_tRNS(png, info, nullptr, 0, &s.key);
  png_text text{};
  if (!s.comment.empty()) {
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<png_charp>("Comment");
    text.text = const_cast<png_charp>(s.comment.c_str());
    text.text_length = s.comment.size();
    png_set_text(png, info, &text, 1);
  }
  png_write_info(png, info);
  std::vector<png_bytep> rowPtrs;
  for (auto& r : s.rows) rowPtrs.push_back(r.data());
  png_write_image(png, rowPtrs.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return fclose(fp) == 0;
}

#endif  // TESTS_PNG_TEST_WRITER_H_
