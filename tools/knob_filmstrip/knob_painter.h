// Paints the Toneglass knob film strip with the raster library: a shaded knob cap
// with a pointer, inside an arc that fills as the value sweeps the knob's range.
#ifndef TOOLS_KNOB_FILMSTRIP_KNOB_PAINTER_H_
#define TOOLS_KNOB_FILMSTRIP_KNOB_PAINTER_H_

#include "lice.h"

namespace knob_filmstrip {

// One frame fits the editor's 52 x 86 knob rectangle between the 16-pixel name above
// and the 25-pixel value text below (86 - 16 - 25 = 45 rows free).
constexpr int kFrameWidth = 52;
constexpr int kFrameHeight = 44;
constexpr int kFrames = 60;

// Paints the frame for value (0..1) into dest at row offset y0; dest must be at least
// kFrameWidth wide. Pixels outside the knob are fully transparent.
void PaintKnobFrame(LICE_IBitmap* dest, int y0, double value);

// A new kFrameWidth x (kFrameHeight * kFrames) bitmap: frame i shows value i / (kFrames - 1).
LICE_MemBitmap* PaintKnobStrip();

}  // namespace knob_filmstrip

#endif  // TOOLS_KNOB_FILMSTRIP_KNOB_PAINTER_H_
