// The one PNG writer: a raster bitmap encoded with libpng into a stream, and into a
// file through AtomicFile, so that a reader only ever sees the old file or the whole
// new picture and a failed write leaves nothing behind. The editor's pictures and the
// knob painter both write through it.
#ifndef IPLUG_PNGFILEWRITER_H_
#define IPLUG_PNGFILEWRITER_H_

#include <cstdio>
#include <string>

class LICE_IBitmap;

// How the pixels are laid out in the file. The default is what a screen shows: 8-bit
// RGB, the alpha byte dropped, libpng's default compression.
struct PngLayout {
  bool withAlpha = false;     // 8-bit RGBA, the alpha kept (images that are blended later)
  int compressionLevel = -1;  // zlib's 0..9; -1 leaves libpng's default
};

// Encodes the bitmap (top row first, whatever its orientation in memory) into fp.
// False for a null or empty bitmap or stream, or on any libpng or stream error.
bool EncodeBitmapPNG(LICE_IBitmap* pBitmap, FILE* fp, const PngLayout& layout);

// Writes the bitmap to path as a PNG through AtomicFile. A write-protected picture is
// replaced (a picture file is output, not a document to guard). False when the bitmap
// is empty or the file cannot be written; the target is then as it was, no temporary
// file is left, and *error (when given) says why.
bool WriteBitmapPNGFile(LICE_IBitmap* pBitmap, const char* path, const PngLayout& layout,
                        std::string* error = nullptr);

#endif  // IPLUG_PNGFILEWRITER_H_
