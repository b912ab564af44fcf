// knob-filmstrip OUT.png: paints the Toneglass knob film strip (60 frames of 52 x 44,
// stacked vertically) and writes it as a PNG. The build reruns it through the
// `knob-png` target, which refreshes IPlugWork/Toneglass/resources/img/knob.png.
#include <cstdio>
#include <memory>

#include "knob_painter.h"
#include "png_file_writer.h"

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
  if (!knob_filmstrip::WriteBitmapPng(strip.get(), argv[1])) {
    fprintf(stderr, "knob-filmstrip: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
