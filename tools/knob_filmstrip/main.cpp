// knob-filmstrip OUT.png: paints the Toneglass knob film strip (60 frames of 52 x 44,
// stacked vertically) and writes it as a PNG. The build reruns it through the
// `knob-png` target, which refreshes IPlugWork/Toneglass/resources/img/knob.png.
#include <cstdio>
#include <memory>
#include <string>

#include "PngFileWriter.h"
#include "knob_painter.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUT.png\n", argc > 0 ? argv[0] : "knob-filmstrip");
    return 2;
  }
  std::unique_ptr<LICE_MemBitmap> strip(knob_filmstrip::PaintKnobStrip());
  if (!strip) {
    fprintf(stderr, "knob-filmstrip: out of memory\n");
    return 1;
  }
  // RGBA (the knob is blended over the panel), packed as small as zlib can.
  PngLayout layout;
  layout.withAlpha = true;
  layout.compressionLevel = 9;
  std::string error;
  if (!WriteBitmapPNGFile(strip.get(), argv[1], layout, &error)) {
    fprintf(stderr, "knob-filmstrip: cannot write %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
