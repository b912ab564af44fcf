// The editor's two pointer shapes: the arrow and the custom 16 x 16 two-headed arrow
// (hot spot 8, 8), made from the platform's table of grey/opacity nibbles.
#ifndef IPLUG_X11_X11CURSOR_H_
#define IPLUG_X11_X11CURSOR_H_

#include <X11/Xlib.h>

#include <cstdint>

constexpr int kX11CustomCursorSize = 16;
constexpr int kX11CustomCursorHotX = 8, kX11CustomCursorHotY = 8;

// The custom cursor as 256 ARGB values (alpha in the top byte), rows from the top,
// not premultiplied: each nibble of the table widened by repeating it.
void X11CustomCursorPixels(uint32_t out[kX11CustomCursorSize * kX11CustomCursorSize]);

// The custom cursor on this connection: an alpha cursor through the Render
// extension where the server has it, a two-colour cursor otherwise (grey levels of
// 8 and up white, opacity of 8 and up shown). None when it could not be made.
Cursor X11CreateCustomCursor(Display* d);
Cursor X11CreateArrowCursor(Display* d);

#endif  // IPLUG_X11_X11CURSOR_H_
