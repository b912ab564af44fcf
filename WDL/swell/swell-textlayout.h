// Lays multi-line text out in a box: paragraphs end at line feeds, a paragraph wider than the
// box wraps at word boundaries (inside a word only when the word alone is too wide), and
// lines stop once the next one would reach below the box.
#ifndef SWELL_TEXTLAYOUT_H_
#define SWELL_TEXTLAYOUT_H_

#include <stdint.h>

#include "swell-fontcache.h"

// One laid-out line: code points [start, start + count), line feed excluded.
struct SWELL_TextLine {
  int start, count;
  float width;  // typographic width in pixels, trailing spaces included
};

// The box multi-line text is laid out in, in pixels.
enum { SWELL_TEXT_LAYOUT_BOX = 100000 };

// Fills lines (room for maxLines; count + 1 is always enough) and returns how many there are.
// A final line feed ends the last line rather than opening another.
int SWELL_LayOutLines(SWELL_FontInstance* font, const uint32_t* cps, int count, double boxWidth,
                      double boxHeight, SWELL_TextLine* lines, int maxLines);

#endif  // SWELL_TEXTLAYOUT_H_
