// libFuzzer target for measuring and drawing text: arbitrary bytes as the text, with the
// flags, rectangle, font, colours and background mode taken from the input's first bytes,
// drawn through the device context of a raster bitmap with a real font selected.
//
// Input: flags (2 bytes), font and mode (1), rectangle (4 x 2 bytes), then the text; the
// mode's top bit passes the text's length, otherwise it is NUL-terminated.
// Besides memory errors and undefined behaviour, it traps when
//   - the height returned is negative, or measuring moves the rectangle's left or top, or
//     gives a height other than the one returned,
//   - measuring draws, or drawing without DT_NOCLIP changes a pixel outside the rectangle.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lice.h"
#include "swell-gdi.h"

namespace {

constexpr int kW = 96, kH = 64;

struct Fonts {
  HFONT fonts[8];
  Fonts() {
    // Sizes, weights, slants, rotation, smoothing and faces with and without the
    // characters a text may hold (CJK, symbols), plus a name that matches nothing.
    fonts[0] = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    fonts[1] = CreateFont(-30, 0, 0, 0, FW_BOLD, 1, 0, 0, 0, 0, 0, 0, 0, "DejaVu Serif");
    fonts[2] = CreateFont(-9, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, "DejaVu Sans Mono");
    fonts[3] = CreateFont(-16, 0, 0, 900, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    fonts[4] = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "WenQuanYi Micro Hei");
    fonts[5] = CreateFont(0, 7, 0, 2700, FW_LIGHT, 0, 0, 0, 0, 0, 0, 0, 0, "No Such Face");
    fonts[6] = CreateFont(-2, 0, 0, 450, FW_HEAVY, 1, 0, 0, 0, 0, 0, 0, 0, nullptr);
    fonts[7] = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  }
};

int16_t Int16(const uint8_t* p) { return int16_t(uint16_t(p[0]) | uint16_t(p[1]) << 8); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 11 || size > 4096) return 0;
  static Fonts fonts;
  static LICE_SysBitmap bitmap(kW, kH);
  HDC dc = bitmap.getDC();
  if (!dc) __builtin_trap();

  const int flags = int(uint16_t(data[0] | data[1] << 8));
  const uint8_t mode = data[2];
  // Mostly near the bitmap, sometimes far away or inverted.
  RECT r = {Int16(data + 3) % 160, Int16(data + 5) % 120, Int16(data + 7) % 200, Int16(data + 9) % 160};
  if (mode & 0x40) {
    r.left = Int16(data + 3);
    r.right = Int16(data + 7);
  }
  const bool passLength = (mode & 0x80) != 0;
  std::vector<char> text(data + 11, data + size);
  if (!passLength) text.push_back(0);  // the buffer ends at the terminator

  SelectObject(dc, fonts.fonts[mode & 7]);
  SetTextColor(dc, (mode & 8) ? 0xffffff : 0x204080);
  SetBkColor(dc, 0x808080);
  SetBkMode(dc, (mode & 0x10) ? OPAQUE : TRANSPARENT);

  LICE_pixel* bits = bitmap.getBits();
  const int span = bitmap.getRowSpan();
  std::fill(bits, bits + size_t(span) * kH, LICE_RGBA(1, 2, 3, 255));
  std::vector<LICE_pixel> before(bits, bits + size_t(span) * kH);

  const RECT given = r;
  const int height = SWELL_DrawText(dc, text.data(), passLength ? int(text.size()) : -1, &r, flags);
  if (height < 0) __builtin_trap();
  const bool measure = (flags & DT_CALCRECT) != 0;
  if (measure) {
    if (r.left != given.left || r.top != given.top) __builtin_trap();
    if (height > 0 && r.bottom - r.top != height) __builtin_trap();
  }
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const size_t at = size_t(y) * span + x;
      if (bits[at] == before[at]) continue;
      if (measure) __builtin_trap();
      const bool inside = x >= given.left && x < given.right && y >= given.top && y < given.bottom;
      if (!(flags & DT_NOCLIP) && !inside) __builtin_trap();
    }
  }
  SelectObject(dc, SWELL_MARKER_FONT);
  return 0;
}
