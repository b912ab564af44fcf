// Private to the PNG code: what can be told of an encoded image without inflating it.
#ifndef LICE_PNG_HEADER_H_
#define LICE_PNG_HEADER_H_

#include <cstddef>

// Reads the image's size from its header, making every check the decoder makes
// before the first row (the signature, the header's fields, every chunk before the
// image data with its checksum, the size limit). False when one fails; the outputs
// are then untouched.
bool LICE_ReadPNGHeader(const void* data, size_t size, int* pWidth, int* pHeight);

// Walks the chunks from the signature to the end chunk without reading the image
// data: false when the bytes end before it (a truncated image), a chunk's length or
// type is malformed, a critical chunk's checksum is wrong, or no image data comes
// before the end. These are faults the decoder would meet only after the pixels.
bool LICE_PNGChunksAreWhole(const void* data, size_t size);

#endif  // LICE_PNG_HEADER_H_
