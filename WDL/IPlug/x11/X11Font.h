// A font for what the backend draws itself (menus, text entries, message boxes):
// one face at one pixel size, measured and drawn into a raster bitmap.
#ifndef IPLUG_X11_X11FONT_H_
#define IPLUG_X11_X11FONT_H_

#include "lice.h"

class X11Font {
 public:
  // face null: the default sans. size in pixels.
  X11Font(const char* face, int size, bool bold = false);
  ~X11Font();
  X11Font(const X11Font&) = delete;
  X11Font& operator=(const X11Font&) = delete;

  // Width of the text in pixels (0 for null or empty).
  int Width(const char* text);
  int LineHeight() { return mFont.GetLineHeight(); }
  // Draws the text in the rectangle: align 0 left, 1 centre, 2 right, vertically
  // centred, clipped to the rectangle.
  void Draw(LICE_IBitmap* bm, const char* text, int l, int t, int r, int b, LICE_pixel color,
            int align = 0);

 private:
  HGDIOBJ__* mHFont = nullptr;
  LICE_CachedFont mFont;
};

#endif  // IPLUG_X11_X11FONT_H_
