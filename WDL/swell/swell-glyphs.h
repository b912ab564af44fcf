// Measuring and drawing one line of code points with a cached FreeType face, and filling
// boxes, on a memory context's pixels (bytes alpha, red, green, blue; rows top to bottom).
#ifndef SWELL_GLYPHS_H_
#define SWELL_GLYPHS_H_

#include <stdint.h>

#include "swell-fontcache.h"
#include "swell-gdi.h"

// A pixel box, right and bottom exclusive.
struct SWELL_PixelBox {
  int left, top, right, bottom;
};

// Typographic width of the line in pixels: unhinted advances plus kerning.
float SWELL_MeasureLine(SWELL_FontInstance* font, const uint32_t* cps, int n);

// Draws the line with its pen starting at x and its baseline on row baselineY. Each pixel
// inside clip is blended toward the colour by glyph coverage and its alpha byte becomes 255
// (opaque, like a platform context without alpha leaves drawn pixels).
void SWELL_DrawLine(SWELL_FontInstance* font, const uint32_t* cps, int n, const SWELL_GfxSurface* s,
                    const SWELL_PixelBox* clip, float x, int baselineY, const SWELL_Color* color,
                    bool antialias);

// Sets the pixels of the box inside clip to the colour, alpha byte 255.
void SWELL_FillBox(const SWELL_GfxSurface* s, const SWELL_PixelBox* clip, SWELL_PixelBox box,
                   const SWELL_Color* color);

#endif  // SWELL_GLYPHS_H_
