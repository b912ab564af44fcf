#include "X11PixelFormat.h"

#include <cstring>

namespace {

int LowestBit(uint32_t m) { return m ? __builtin_ctz(m) : 0; }
int BitCount(uint32_t m) { return __builtin_popcount(m); }

// An 8-bit channel widened or narrowed to the mask's width and moved to its place;
// wider masks repeat the top bits so full intensity stays full.
uint32_t Place(uint32_t c, uint32_t mask) {
  if (!mask) return 0;
  const int n = BitCount(mask), s = LowestBit(mask);
  uint32_t v;
  if (n <= 8) {
    v = c >> (8 - n);
  } else {
    v = 0;
    for (int filled = 0; filled < n; filled += 8) {
      const int shift = n - filled - 8;
      v |= shift >= 0 ? (c << shift) : (c >> -shift);
    }
  }
  return (v << s) & mask;
}

bool HostIsLittleEndian() {
  const uint32_t one = 1;
  uint8_t b;
  memcpy(&b, &one, 1);
  return b == 1;
}

}  // namespace

bool X11PixelFormat::Make(unsigned long r, unsigned long g, unsigned long b, int depth,
                          int bitsPerPixel, int byteOrder, X11PixelFormat* pOut) {
  if (!pOut || bitsPerPixel != 32 || (depth != 24 && depth != 32)) return false;
  if (!r || !g || !b || r > 0xffffffffUL || g > 0xffffffffUL || b > 0xffffffffUL) return false;
  if ((r & g) || (r & b) || (g & b)) return false;
  X11PixelFormat f;
  f.redMask = static_cast<uint32_t>(r);
  f.greenMask = static_cast<uint32_t>(g);
  f.blueMask = static_cast<uint32_t>(b);
  f.fillBits = depth == 32 ? ~(f.redMask | f.greenMask | f.blueMask) : 0;
  // LSBFirst images store values least significant byte first.
  f.swapBytes = (byteOrder == 0) != HostIsLittleEndian();
  *pOut = f;
  return true;
}

uint32_t X11PixelFormat::Convert(LICE_pixel p) const {
  uint32_t v = Place(static_cast<uint32_t>(LICE_GETR(p)), redMask) |
               Place(static_cast<uint32_t>(LICE_GETG(p)), greenMask) |
               Place(static_cast<uint32_t>(LICE_GETB(p)), blueMask) | fillBits;
  return swapBytes ? __builtin_bswap32(v) : v;
}

void X11PixelFormat::ConvertRect(const LICE_pixel* src, int srcSpan, uint8_t* dst,
                                 int dstBytesPerLine, int x, int y, int w, int h) const {
  if (!src || !dst || w <= 0 || h <= 0) return;
  // The common 8-bit masks take the fast path of one shift per channel.
  const bool bytes = BitCount(redMask) == 8 && BitCount(greenMask) == 8 && BitCount(blueMask) == 8;
  const int rs = LowestBit(redMask), gs = LowestBit(greenMask), bs = LowestBit(blueMask);
  for (int row = 0; row < h; ++row) {
    const LICE_pixel* in = src + static_cast<long>(y + row) * srcSpan + x;
    uint8_t* outBytes = dst + static_cast<long>(y + row) * dstBytesPerLine + static_cast<long>(x) * 4;
    for (int i = 0; i < w; ++i) {
      uint32_t v;
      if (bytes) {
        const LICE_pixel p = in[i];
        v = (static_cast<uint32_t>(LICE_GETR(p)) << rs) | (static_cast<uint32_t>(LICE_GETG(p)) << gs) |
            (static_cast<uint32_t>(LICE_GETB(p)) << bs) | fillBits;
        if (swapBytes) v = __builtin_bswap32(v);
      } else {
        v = Convert(in[i]);
      }
      memcpy(outBytes + static_cast<long>(i) * 4, &v, 4);
    }
  }
}
