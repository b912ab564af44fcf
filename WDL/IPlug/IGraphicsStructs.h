// The plain records shared by the whole editor: rectangles, colours, blends, text
// styles, image handles and mouse modifiers. Values only; nothing here owns memory.
#ifndef IPLUG_IGRAPHICSSTRUCTS_H_
#define IPLUG_IGRAPHICSSTRUCTS_H_

#include <algorithm>
#include <cstring>

#include "lice.h"

// ---- Rectangles ---------------------------------------------------------------------
// An integer rectangle; right and bottom are exclusive. All four fields 0 is the one
// empty rectangle: any other rectangle is non-empty, even one of zero width.
struct IRECT {
  int L = 0, T = 0, R = 0, B = 0;

  IRECT() = default;
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}
  // A rectangle of bitmap bmp's one frame placed at (x, y).
  IRECT(int x, int y, const struct IBitmap* pBitmap);

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  void Clear() { L = T = R = B = 0; }
  bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRECT& o) const { return !(*this == o); }

  int W() const { return R - L; }
  int H() const { return B - T; }
  float MW() const { return 0.5f * static_cast<float>(L + R); }
  float MH() const { return 0.5f * static_cast<float>(T + B); }

  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  bool Contains(const IRECT* p) const {
    return !Empty() && !p->Empty() && p->L >= L && p->R <= R && p->T >= T && p->B <= B;
  }
  // Touching this rectangle's right or bottom edge counts: the test is not symmetric.
  bool Intersects(const IRECT* p) const {
    return !Empty() && !p->Empty() && R >= p->L && L < p->R && B >= p->T && T < p->B;
  }
  // The overlap with p, or the empty rectangle when they do not intersect.
  IRECT Intersect(const IRECT* p) const {
    if (!Intersects(p)) return IRECT();
    return IRECT(std::max(L, p->L), std::max(T, p->T), std::min(R, p->R), std::min(B, p->B));
  }
  // The bounding box of both; an empty operand contributes nothing.
  IRECT Union(const IRECT* p) const {
    if (Empty()) return *p;
    if (p->Empty()) return *this;
    return IRECT(std::min(L, p->L), std::min(T, p->T), std::max(R, p->R), std::max(B, p->B));
  }
  IRECT GetPadded(int pad) const { return IRECT(L - pad, T - pad, R + pad, B + pad); }
};

// ---- Colours ------------------------------------------------------------------------
// Alpha, red, green, blue, each 0..255.
struct IColor {
  int A = 255, R = 0, G = 0, B = 0;

  IColor() = default;
  IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  bool operator!=(const IColor& o) const { return !(*this == o); }
  bool Empty() const { return A == 0 && R == 0 && G == 0 && B == 0; }
};

// The raster pixel of a colour: the low byte of each component, memory order A, R, G, B.
inline LICE_pixel LiceColor(const IColor* pColor) {
  return LICE_RGBA(pColor->R, pColor->G, pColor->B, pColor->A);
}

extern const IColor COLOR_TRANSPARENT, COLOR_BLACK, COLOR_GRAY, COLOR_WHITE, COLOR_RED,
    COLOR_GREEN, COLOR_BLUE, COLOR_YELLOW, COLOR_ORANGE;
extern const IColor DEFAULT_TEXT_COLOR, DEFAULT_TEXT_ENTRY_BGCOLOR, DEFAULT_TEXT_ENTRY_FGCOLOR;

// ---- Blends -------------------------------------------------------------------------
// How a drawing operation combines with what is already in the bitmap.
struct IChannelBlend {
  // An int underneath, so that any method number (unknown ones draw as normal) is valid.
  enum EBlendMethod : int {
    kBlendNormal = 0,
    kBlendClobber = 1,
    kBlendAdd = 2,
    kBlendColorDodge = 3
  };
  EBlendMethod mMethod;
  float mWeight;

  IChannelBlend(EBlendMethod method = kBlendNormal, float weight = 1.0f)
      : mMethod(method), mWeight(weight) {}
};

// The raster mode a blend selects (null: normal), without filter flags.
int LiceBlendMode(const IChannelBlend* pBlend);
// The blend's weight (null: 1.0).
float LiceWeight(const IChannelBlend* pBlend);

// ---- Text styles --------------------------------------------------------------------
#define FONT_LEN 32
#define DEFAULT_FONT "Verdana"
#define DEFAULT_TEXT_SIZE 12

struct IText {
  enum EStyle { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum EAlign { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
  // Vertical alignment: kVAlignBottom, kVAlignMiddle, any other value top.
  enum EVAlign { kVAlignTop = 0, kVAlignBottom = 2, kVAlignMiddle = 3 };
  enum EQuality { kQualityDefault = 0, kQualityNonAntiAliased = 1, kQualityAntiAliased = 2,
                  kQualityClearType = 3 };

  char mFont[FONT_LEN];
  int mSize;
  IColor mColor;
  IColor mTextEntryBGColor;
  IColor mTextEntryFGColor;
  int mStyle;     // EStyle
  int mAlign;     // EAlign
  int mVAlign;    // EVAlign
  int mOrientation;  // degrees
  int mQuality;   // EQuality
  LICE_IFont* mCached;  // filled by IGraphics::CacheFont; the font cache owns it

  IText(int size = DEFAULT_TEXT_SIZE, const IColor* pColor = nullptr, const char* font = nullptr,
        int style = kStyleNormal, int align = kAlignCenter, int orientation = 0,
        int quality = kQualityDefault, const IColor* pTEBGColor = nullptr,
        const IColor* pTEFGColor = nullptr, int vAlign = kVAlignTop);
  // A style of the default size and face in the given colour.
  explicit IText(const IColor* pColor);
};

// ---- Images -------------------------------------------------------------------------
// A handle on a decoded image held by the process-wide bitmap cache (not owned here).
struct IBitmap {
  LICE_IBitmap* mData = nullptr;
  int W = 0, H = 0;  // the whole image
  int N = 1;         // frames, at least 1
  bool mFramesAreHorizontal = false;

  IBitmap() = default;
  IBitmap(LICE_IBitmap* pData, int w, int h, int n = 1, bool framesAreHoriz = false)
      : mData(pData), W(w), H(h), N(n < 1 ? 1 : n), mFramesAreHorizontal(framesAreHoriz) {}

  // One frame's size.
  int frameWidth() const { return mFramesAreHorizontal ? W / N : W; }
  int frameHeight() const { return mFramesAreHorizontal ? H : H / N; }
};

inline IRECT::IRECT(int x, int y, const IBitmap* pBitmap)
    : L(x), T(y), R(x + pBitmap->frameWidth()), B(y + pBitmap->frameHeight()) {}

// ---- Mouse --------------------------------------------------------------------------
// The buttons and keys held during a mouse event. The platform reports a click with
// its context-menu modifier as a right-button event.
struct IMouseMod {
  bool L = false, R = false, S = false, C = false, A = false;

  IMouseMod(bool l = false, bool r = false, bool s = false, bool c = false, bool a = false)
      : L(l), R(r), S(s), C(c), A(a) {}
};

// ---- Misc ---------------------------------------------------------------------------
enum EDirection { kVertical = 0, kHorizontal = 1 };
enum EFileAction { kFileOpen = 0, kFileSave = 1 };

#endif  // IPLUG_IGRAPHICSSTRUCTS_H_
