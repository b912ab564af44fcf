#include "X11Cursor.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xrender.h>

#include <cstring>

namespace {

// High nibble grey, low nibble opacity.
const uint8_t kTable[kX11CustomCursorSize][kX11CustomCursorSize] = {
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xFF, 0xF8, 0xF8, 0xF8, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xFF, 0xF8, 0x0F, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xFF, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xFF, 0xFF, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xFF, 0xF8, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0xF8, 0xFF},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0xFF, 0xFF},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0xFF},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0x0F, 0xF8, 0xFF},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xFF, 0xF8, 0xF8, 0xF8, 0xFF},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
};

uint32_t Widen(uint32_t nibble) { return nibble << 4 | nibble; }

Cursor CreateRenderCursor(Display* d, const uint32_t* argb) {
  int eventBase, errorBase, major = 0, minor = 0;
  if (!XRenderQueryExtension(d, &eventBase, &errorBase) || !XRenderQueryVersion(d, &major, &minor) ||
      (major == 0 && minor < 5))
    return None;
  XRenderPictFormat* fmt = XRenderFindStandardFormat(d, PictStandardARGB32);
  if (!fmt) return None;
  const int n = kX11CustomCursorSize;
  // Render wants premultiplied pixels.
  uint32_t pre[kX11CustomCursorSize * kX11CustomCursorSize];
  for (int i = 0; i < n * n; ++i) {
    const uint32_t a = argb[i] >> 24, g = argb[i] & 0xff;
    const uint32_t pg = (g * a + 127) / 255;
    pre[i] = a << 24 | pg << 16 | pg << 8 | pg;
  }
  XImage* img = XCreateImage(d, nullptr, 32, ZPixmap, 0, reinterpret_cast<char*>(pre), n, n, 32, n * 4);
  if (!img) return None;
  // Pixel values in this machine's order, as the array holds them.
  const uint32_t one = 1;
  uint8_t lowByte;
  memcpy(&lowByte, &one, 1);
  img->byte_order = lowByte ? LSBFirst : MSBFirst;
  Pixmap pm = XCreatePixmap(d, DefaultRootWindow(d), n, n, 32);
  GC gc = XCreateGC(d, pm, 0, nullptr);
  XPutImage(d, pm, gc, img, 0, 0, 0, 0, n, n);
  XFreeGC(d, gc);
  img->data = nullptr;
  XDestroyImage(img);
  Picture pic = XRenderCreatePicture(d, pm, fmt, 0, nullptr);
  Cursor c = XRenderCreateCursor(d, pic, kX11CustomCursorHotX, kX11CustomCursorHotY);
  XRenderFreePicture(d, pic);
  XFreePixmap(d, pm);
  return c;
}

Cursor CreateBitmapCursor(Display* d, const uint32_t* argb) {
  const int n = kX11CustomCursorSize;
  unsigned char src[kX11CustomCursorSize * 2] = {}, mask[kX11CustomCursorSize * 2] = {};
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const uint32_t p = argb[y * n + x];
      const int byte = y * 2 + x / 8, bit = 1 << (x % 8);  // X bitmaps: LSB first
      if ((p >> 24) >= 0x88) mask[byte] |= static_cast<unsigned char>(bit);
      if ((p & 0xff) >= 0x88) src[byte] |= static_cast<unsigned char>(bit);
    }
  }
  Window root = DefaultRootWindow(d);
  Pixmap ps = XCreateBitmapFromData(d, root, reinterpret_cast<char*>(src), n, n);
  Pixmap pmask = XCreateBitmapFromData(d, root, reinterpret_cast<char*>(mask), n, n);
  XColor white{}, black{};
  white.red = white.green = white.blue = 0xffff;
  white.flags = black.flags = DoRed | DoGreen | DoBlue;
  Cursor c = XCreatePixmapCursor(d, ps, pmask, &white, &black, kX11CustomCursorHotX,
                                 kX11CustomCursorHotY);
  XFreePixmap(d, ps);
  XFreePixmap(d, pmask);
  return c;
}

}  // namespace

void X11CustomCursorPixels(uint32_t out[kX11CustomCursorSize * kX11CustomCursorSize]) {
  for (int y = 0; y < kX11CustomCursorSize; ++y) {
    for (int x = 0; x < kX11CustomCursorSize; ++x) {
      const uint32_t v = kTable[y][x];
      const uint32_t grey = Widen(v >> 4), alpha = Widen(v & 0xf);
      out[y * kX11CustomCursorSize + x] = alpha << 24 | grey << 16 | grey << 8 | grey;
    }
  }
}

Cursor X11CreateCustomCursor(Display* d) {
  if (!d) return None;
  uint32_t argb[kX11CustomCursorSize * kX11CustomCursorSize];
  X11CustomCursorPixels(argb);
  Cursor c = CreateRenderCursor(d, argb);
  return c != None ? c : CreateBitmapCursor(d, argb);
}

Cursor X11CreateArrowCursor(Display* d) { return d ? XCreateFontCursor(d, XC_left_ptr) : None; }
