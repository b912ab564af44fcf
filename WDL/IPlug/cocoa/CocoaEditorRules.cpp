#include "CocoaEditorRules.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "IParam.h"

namespace cocoa_rules {

ViewRect ToViewRect(const IRECT& r, int h) {
  return ViewRect{double(r.L), double(h - 1 - r.B), double(r.R - r.L + 1), double(r.B - r.T + 1)};
}

IRECT FromDrawRect(double x, double y, double w, double h, int editorH) {
  const int ix = int(x), iy = int(y), iw = int(w), ih = int(h);
  return IRECT(ix, editorH - (iy + ih), ix + iw, editorH - iy);
}

void MousePosition(double viewX, double viewY, int editorH, int* pX, int* pY) {
  *pX = int(viewX) - 2;
  *pY = editorH - int(viewY) - 3;
}

IMouseMod LeftButtonMod(bool command, bool shift, bool control, bool option) {
  return IMouseMod(true, command, shift, control, option);
}

IMouseMod RightButtonMod(bool shift, bool control, bool option) {
  return IMouseMod(false, true, shift, control, option);
}

int WheelStep(double deltaX, double deltaY) {
  const int step = int(deltaY);
  return step != 0 ? step : int(deltaX);
}

int KeyCode(int virtualKey, unsigned int c) {
  switch (virtualKey) {
    case kVKSpace: return kKeySpace;
    case kVKUp: return kKeyUp;
    case kVKDown: return kKeyDown;
    case kVKLeft: return kKeyLeft;
    case kVKRight: return kKeyRight;
    default: break;
  }
  if (c >= '0' && c <= '9') return 5 + int(c - '0');
  if (c >= 'A' && c <= 'Z') return 15 + int(c - 'A');
  if (c >= 'a' && c <= 'z') return 15 + int(c - 'a');
  return kKeyNone;
}

const unsigned char kCursorTable[kCursorSize][kCursorSize] = {
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF, 0xF8, 0xF8, 0xF8, 0xFF, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF, 0xF8, 0x0F, 0xFF, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF, 0xFF, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF, 0xF8, 0x00, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0x00, 0xF8, 0xFF},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0xFF, 0xFF},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0xFF, 0x0F, 0xFF, 0xF8, 0xFF},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0xFF, 0x0F, 0xF8, 0xFF},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0xFF, 0xF8, 0xF8, 0xF8, 0xFF},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
};

void CursorRGBA(unsigned char out[kCursorSize * kCursorSize * 4]) {
  for (int y = 0; y < kCursorSize; ++y) {
    for (int x = 0; x < kCursorSize; ++x) {
      const unsigned char b = kCursorTable[y][x];
      const unsigned char grey = (b >> 4) * 0x11, alpha = (b & 0x0F) * 0x11;
      unsigned char* p = out + (y * kCursorSize + x) * 4;
      p[0] = p[1] = p[2] = grey;
      p[3] = alpha;
    }
  }
}

void PremultiplyRGBA(unsigned char* rgba, int nPixels) {
  for (int i = 0; i < nPixels; ++i, rgba += 4) {
    const int a = rgba[3];
    for (int c = 0; c < 3; ++c) rgba[c] = (unsigned char)((rgba[c] * a + 127) / 255);
  }
}

std::string MenuItemTitle(const char* text, int index, int prefixStyle) {
  static const char* const kFormats[] = {"%1d: ", "%02d: ", "%03d: "};
  std::string title;
  if (prefixStyle >= 1 && prefixStyle <= 3) {
    char num[32];
    snprintf(num, sizeof(num), kFormats[prefixStyle - 1], index + 1);
    title = num;
  }
  title += text ? text : "";
  return title;
}

const char* EntryCharacters(int paramType) {
  switch (paramType) {
    case kTypeDouble: return "0123456789.-+";
    case kTypeBool:
    case kTypeInt:
    case kTypeEnum: return "0123456789-+";
    default: return "";
  }
}

int MessageBoxResult(int buttonIndex) {
  switch (buttonIndex) {
    case 0: return 1;
    case 1: return 7;
    case 2: return 2;
    default: return 0;
  }
}

int ColorTo16(int c8) { return int(double(c8) / 255.0 * 65535.0); }
int ColorFrom16(int c16) { return int(double(c16) / 65535.0 * 255.0); }

bool LooksLikeWebAddress(const char* url) { return url && strstr(url, "http") != nullptr; }

std::string PngResourceName(const char* fileName) {
  if (!fileName) return std::string();
  const char* dot = strrchr(fileName, '.');
  const char* ext = dot ? dot + 1 : fileName;
  if (strcasecmp(ext, "png") != 0) return std::string();
  const char* slash = strrchr(fileName, '/');
  const char* base = slash ? slash + 1 : fileName;
  const char* baseDot = strrchr(base, '.');
  return std::string(base, baseDot ? size_t(baseDot - base) : strlen(base));
}

}  // namespace cocoa_rules
