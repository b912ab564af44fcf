// The two bitmap kinds: heap memory (LICE_MemBitmap) and a text-bridge memory
// context (LICE_SysBitmap).
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "lice.h"

namespace {

// Each allocation carries this much slack so the pixels can start on a 64-byte boundary.
constexpr int64_t kAlignSlack = 63;
// Largest pixel buffer a memory bitmap will ask for, so byte counts stay within int.
constexpr int64_t kMaxBitmapBytes = INT_MAX - kAlignSlack;

LICE_pixel* AlignTo64(void* p) {
  return reinterpret_cast<LICE_pixel*>((reinterpret_cast<uintptr_t>(p) + 63) & ~uintptr_t(63));
}

}  // namespace

// ---------------------------------------------------------------------------
// LICE_MemBitmap
// ---------------------------------------------------------------------------

LICE_MemBitmap::LICE_MemBitmap(int w, int h, unsigned int linealign) {
  if (linealign >= 2) {
    // One less than the lowest set bit, never above 16: alignments of 32 and more
    // give rows in steps of 17 pixels, which are still never shorter than the width.
    const int64_t mask = int64_t(linealign & (~linealign + 1u)) - 1;
    m_linealign = int(mask > 16 ? 16 : mask);
  }
  if (w > 0 && h > 0) resize(w, h);
}

LICE_MemBitmap::~LICE_MemBitmap() { free(m_fb); }

LICE_pixel* LICE_MemBitmap::getBits() { return m_fb ? AlignTo64(m_fb) : nullptr; }

bool LICE_MemBitmap::resize(int w, int h) {
  if (w == m_width && h == m_height) return false;
  const bool hadSize = m_width > 0 || m_height > 0;

  auto dropPixels = [this]() {
    free(m_fb);
    m_fb = nullptr;
    m_allocsize = 0;
    m_width = m_height = 0;
  };

  if (w <= 0 || h <= 0) {
    dropPixels();
    return hadSize;
  }

  const int64_t span = (int64_t(w) + m_linealign) / (m_linealign + 1) * (m_linealign + 1);
  if (span * 4 > kMaxBitmapBytes / h) {
    dropPixels();
    return hadSize;
  }

  const int64_t need = span * h * 4;
  if (m_fb && m_allocsize - kAlignSlack >= need) {
    m_width = w;
    m_height = h;
    return true;
  }

  void* fresh = nullptr;
  int64_t bytes = 0;
  if (m_fb) {
    // Grow by a quarter more than asked for, so a run of slightly larger sizes does
    // not reallocate each time.
    int64_t grown = need + need / 4;
    if (grown > kMaxBitmapBytes) grown = kMaxBitmapBytes;
    fresh = realloc(m_fb, size_t(grown + kAlignSlack));
    if (fresh) {
      bytes = grown + kAlignSlack;
    } else {
      free(m_fb);
      m_fb = nullptr;
    }
  }
  if (!fresh) {
    fresh = malloc(size_t(need + kAlignSlack));
    bytes = need + kAlignSlack;
  }
  if (!fresh) {
    m_allocsize = 0;
    m_width = m_height = 0;
    return hadSize;
  }
  m_fb = fresh;
  m_allocsize = int(bytes);
  m_width = w;
  m_height = h;
  return true;
}

// ---------------------------------------------------------------------------
// LICE_SysBitmap
// ---------------------------------------------------------------------------

LICE_SysBitmap::LICE_SysBitmap(int w, int h) {
  if (w > 0 && h > 0) resize(w, h);
}

LICE_SysBitmap::~LICE_SysBitmap() {
  if (m_dc) SWELL_DeleteGfxContext(m_dc);
}

bool LICE_SysBitmap::resize(int w, int h) {
  if (w == m_width && h == m_height) return false;
  const bool hadSize = m_width > 0 || m_height > 0;

  auto dropContext = [this]() {
    if (m_dc) SWELL_DeleteGfxContext(m_dc);
    m_dc = nullptr;
    m_bits = nullptr;
    m_width = m_height = m_allocw = m_alloch = 0;
  };

  if (w < 1 || h < 1) {
    dropContext();
    return hadSize;
  }

  if (m_dc && m_bits && w <= m_allocw && h <= m_alloch) {
    m_width = w;
    m_height = h;
    return true;
  }

  if (w > INT_MAX - 3) {
    dropContext();
    return hadSize;
  }
  const int span = (w + 3) & ~3;
  dropContext();
  m_dc = SWELL_CreateMemContext(nullptr, span, h);
  if (m_dc) m_bits = static_cast<LICE_pixel*>(SWELL_GetCtxFrameBuffer(m_dc));
  if (!m_bits) {
    dropContext();
    return hadSize;
  }
  m_width = w;
  m_height = h;
  m_allocw = span;
  m_alloch = h;
  return true;
}
