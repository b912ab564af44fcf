// Feeds arbitrary bytes to the PNG decoder. The decoder reads from a path, so each
// input is written to a scratch file of this process first (removed after each run).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ScratchPath();
  FILE* fp = fopen(path.c_str(), "wb");
  if (!fp) return 0;
  if (size) fwrite(data, 1, size, fp);
  fclose(fp);

  LICE_IBitmap* bm = LICE_LoadPNG(path.c_str());
  if (bm) {
    // Touch every pixel so the sanitizers check the whole decoded image.
    volatile LICE_pixel sum = 0;
    for (int y = 0; y < bm->getHeight(); ++y)
      for (int x = 0; x < bm->getWidth(); ++x) sum = sum + LICE_GetPixel(bm, x, y);
    delete bm;
  }
  // Decoding into an existing bitmap takes the resize path.
  LICE_MemBitmap into(3, 3);
  LICE_LoadPNG(path.c_str(), &into);
  remove(path.c_str());
  return 0;
}
