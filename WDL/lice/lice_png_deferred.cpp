// LICE_OpenPNG and LICE_OpenPNGFromMemory: a PNG image whose size is known at once
// and whose pixels are decoded when something first reads them.
//
// Decoding a film strip costs far more than everything else a plug-in does when a
// host creates it, and most instances never show their editor. So opening makes every
// check that needs no inflating (and so rejects what it can as early as decoding
// did), keeps a copy of the encoded bytes and leaves the pixels to the first reader.
// Readers may be on several threads (editors of several instances share one image):
// the first decodes under the bitmap's lock, the others wait for it, and from then
// on reading costs one atomic load.
#include <sys/stat.h>
#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "lice.h"
#include "lice_png_header.h"
#include "mutex.h"

namespace {

// Files larger than this are decoded at once rather than held encoded in memory.
constexpr long kMaxDeferredFileBytes = 64L << 20;

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

bool IsChunkTypeByte(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

class DeferredPngBitmap : public LICE_IBitmap {
 public:
  // Takes ownership of encoded (malloc'd, size bytes) that passed the opening checks.
  DeferredPngBitmap(unsigned char* encoded, size_t size, int w, int h)
      : m_encoded(encoded), m_size(size), m_width(w), m_height(h) {}
  ~DeferredPngBitmap() override {
    delete m_pixels;
    free(m_encoded);
  }
  DeferredPngBitmap(const DeferredPngBitmap&) = delete;
  DeferredPngBitmap& operator=(const DeferredPngBitmap&) = delete;

  LICE_pixel* getBits() override {
    LICE_IBitmap* p = Pixels();
    return p ? p->getBits() : nullptr;
  }
  int getWidth() override { return m_width.load(std::memory_order_relaxed); }
  int getHeight() override { return m_height.load(std::memory_order_relaxed); }
  int getRowSpan() override {
    LICE_IBitmap* p = Pixels();
    return p ? p->getRowSpan() : 0;
  }
  bool resize(int w, int h) override {
    LICE_IBitmap* p = Pixels();
    if (!p || !p->resize(w, h)) return false;
    m_width.store(p->getWidth(), std::memory_order_relaxed);
    m_height.store(p->getHeight(), std::memory_order_relaxed);
    return true;
  }
  intptr_t Extended(int id, void*) override {
    return id == LICE_EXT_PNG_STATE ? m_state.load(std::memory_order_acquire) : 0;
  }

 private:
  LICE_IBitmap* Pixels() {
    int state = m_state.load(std::memory_order_acquire);
    if (state == LICE_PNG_PENDING) state = DecodeOnce();
    return state == LICE_PNG_DECODED ? m_pixels : nullptr;
  }

  __attribute__((noinline)) int DecodeOnce() {
    WDL_MutexLock lock(&m_lock);
    int state = m_state.load(std::memory_order_relaxed);
    if (state != LICE_PNG_PENDING) return state;  // another thread was first
    LICE_IBitmap* bm = LICE_LoadPNGFromMemory(m_encoded, m_size);
    if (bm && bm->getWidth() == m_width.load(std::memory_order_relaxed) &&
        bm->getHeight() == m_height.load(std::memory_order_relaxed)) {
      m_pixels = bm;
      state = LICE_PNG_DECODED;
    } else {
      // Damage only inflating finds: no pixels, so the image draws nothing, and
      // no size either, as a bitmap that could not be allocated.
      delete bm;
      m_width.store(0, std::memory_order_relaxed);
      m_height.store(0, std::memory_order_relaxed);
      state = LICE_PNG_FAILED;
    }
    free(m_encoded);
    m_encoded = nullptr;
    m_size = 0;
    m_state.store(state, std::memory_order_release);
    return state;
  }

  WDL_Mutex m_lock;
  std::atomic<int> m_state{LICE_PNG_PENDING};
  LICE_IBitmap* m_pixels = nullptr;  // written once, before m_state turns to decoded
  unsigned char* m_encoded;          // freed once decoded
  size_t m_size;
  std::atomic<int> m_width, m_height;
};

// Checks the copy and wraps it; frees it when refused.
LICE_IBitmap* OpenOwned(unsigned char* encoded, size_t size) {
  int w = 0, h = 0;
  if (!LICE_PNGChunksAreWhole(encoded, size) || !LICE_ReadPNGHeader(encoded, size, &w, &h)) {
    free(encoded);
    return nullptr;
  }
  LICE_IBitmap* bm = new (std::nothrow) DeferredPngBitmap(encoded, size, w, h);
  if (!bm) free(encoded);
  return bm;
}

}  // namespace

bool LICE_PNGChunksAreWhole(const void* data, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  if (!bytes || size < 8) return false;
  bool sawImageData = false;
  for (size_t pos = 8;;) {
    if (size - pos < 12) return false;
    const uint32_t length = BigEndian32(bytes + pos);
    const unsigned char* type = bytes + pos + 4;
    if (length > 0x7fffffffu || size - pos - 12 < length) return false;
    for (int i = 0; i < 4; ++i)
      if (!IsChunkTypeByte(type[i])) return false;
    // Critical chunks (upper-case first letter) with a wrong checksum stop the decoder;
    // ancillary ones it drops silently, so they are not checked.
    if (!(type[0] & 0x20)) {
      const uLong crc = crc32(crc32(0L, Z_NULL, 0), type, uInt(4 + length));
      if (crc != BigEndian32(type + 4 + length)) return false;
    }
    if (memcmp(type, "IDAT", 4) == 0) sawImageData = true;
    if (memcmp(type, "IEND", 4) == 0) return sawImageData;
    pos += 12 + size_t(length);
  }
}

LICE_IBitmap* LICE_OpenPNGFromMemory(const void* data, size_t size) {
  if (!data || size < 8) return nullptr;
  unsigned char* copy = static_cast<unsigned char*>(malloc(size));
  if (!copy) return nullptr;
  memcpy(copy, data, size);
  return OpenOwned(copy, size);
}

LICE_IBitmap* LICE_OpenPNG(const char* filename) {
  if (!filename || !*filename) return nullptr;
  FILE* fp = fopen(filename, "rb");
  if (!fp) return nullptr;
  struct stat st;
  if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 8) {
    fclose(fp);
    return nullptr;
  }
  if (st.st_size > kMaxDeferredFileBytes) {
    fclose(fp);
    return LICE_LoadPNG(filename);
  }
  const size_t size = size_t(st.st_size);
  unsigned char* encoded = static_cast<unsigned char*>(malloc(size));
  const bool whole = encoded && fread(encoded, 1, size, fp) == size;
  fclose(fp);
  if (!whole) {
    free(encoded);
    return nullptr;
  }
  return OpenOwned(encoded, size);
}
