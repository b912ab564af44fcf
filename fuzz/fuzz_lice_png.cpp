// Feeds arbitrary bytes to the PNG decoder, from memory and from a file (each input is
// written to a scratch file of this process first). Mutated files would nearly all fail
// libpng's chunk checksums and never reach the pixel paths, so the checksums of the chunks
// that are there are recomputed first. Besides memory errors it traps when a decoded
// image does not have the size its header gives, or when the paths disagree (the file,
// memory, and the image opened from memory and decoded at its first read).
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lice.h"

namespace {

const std::string& ScratchPath() {
  static const std::string path = [] {
    char name[] = "/tmp/fuzz_lice_png_XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) abort();
    close(fd);
    return std::string(name);
  }();
  return path;
}

uint32_t BigEndian(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Walks the chunks after the signature and rewrites each complete chunk's checksum.
void RepairChecksums(std::vector<uint8_t>& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = BigEndian(&png[at]);
    if (length > png.size() - at - 12) break;
    const uint32_t crc = uint32_t(crc32(0L, &png[at + 4], uInt(length + 4)));
    uint8_t* out = &png[at + 8 + length];
    out[0] = uint8_t(crc >> 24);
    out[1] = uint8_t(crc >> 16);
    out[2] = uint8_t(crc >> 8);
    out[3] = uint8_t(crc);
    at += 12 + size_t(length);
  }
}

bool SameImage(LICE_IBitmap* a, LICE_IBitmap* b) {
  if (a->getWidth() != b->getWidth() || a->getHeight() != b->getHeight()) return false;
  for (int y = 0; y < a->getHeight(); ++y)
    for (int x = 0; x < a->getWidth(); ++x)
      if (LICE_GetPixel(a, x, y) != LICE_GetPixel(b, x, y)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  RepairChecksums(png);
  // Headers claiming millions of pixels only make each run slow; the refusal of truly
  // oversized images is a plain comparison the unit tests cover.
  if (png.size() >= 24 && uint64_t(BigEndian(&png[16])) * BigEndian(&png[20]) > (uint64_t(1) << 20))
    return 0;

  LICE_IBitmap* fromMemory = LICE_LoadPNGFromMemory(png.data(), png.size());
  if (fromMemory && png.size() >= 24 &&
      (uint32_t(fromMemory->getWidth()) != BigEndian(&png[16]) ||
       uint32_t(fromMemory->getHeight()) != BigEndian(&png[20])))
    __builtin_trap();

  // Opened without decoding, the image ends as the immediate decode does: refused (at
  // once or at its first read) exactly when that refuses it, and otherwise the same.
  LICE_IBitmap* deferred = LICE_OpenPNGFromMemory(png.data(), png.size());
  const bool deferredHasPixels = deferred && deferred->getBits();
  if (deferredHasPixels != (fromMemory != nullptr)) __builtin_trap();
  if (deferredHasPixels && !SameImage(deferred, fromMemory)) __builtin_trap();
  delete deferred;

  const std::string& path = ScratchPath();
  FILE* fp = fopen(path.c_str(), "wb");
  if (!fp) abort();
  if (!png.empty()) fwrite(png.data(), 1, png.size(), fp);
  fclose(fp);
  LICE_IBitmap* fromFile = LICE_LoadPNG(path.c_str());
  if (!fromFile != !fromMemory) __builtin_trap();
  if (fromFile && !SameImage(fromFile, fromMemory)) __builtin_trap();
  delete fromFile;

  // Decoding into an existing bitmap takes the resize path and must give the same image.
  LICE_MemBitmap into(3, 3);
  if (LICE_LoadPNG(path.c_str(), &into) && !(fromMemory && SameImage(&into, fromMemory))) __builtin_trap();
  delete fromMemory;
  remove(path.c_str());
  return 0;
}
