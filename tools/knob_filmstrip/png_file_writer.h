// Writes a raster bitmap to a PNG file (8-bit RGBA, alpha kept).
#ifndef TOOLS_KNOB_FILMSTRIP_PNG_FILE_WRITER_H_
#define TOOLS_KNOB_FILMSTRIP_PNG_FILE_WRITER_H_

#include "lice.h"

namespace knob_filmstrip {

// False when the bitmap is empty or the file cannot be written; a failed write leaves
// no partial file behind.
bool WriteBitmapPng(LICE_IBitmap* bmp, const char* path);

}  // namespace knob_filmstrip

#endif  // TOOLS_KNOB_FILMSTRIP_PNG_FILE_WRITER_H_
