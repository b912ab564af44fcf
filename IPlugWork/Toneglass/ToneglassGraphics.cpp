// The headless backend draws the editor into its bitmap without a window: what tests
// and tools that link the plug-in's code directly use. The plug-in itself
// (Toneglass.so) links ToneglassGraphics_x11.cpp, whose definition replaces this
// weak one.
#include "ToneglassGraphics.h"

#include <new>

#include "IGraphicsHeadless.h"

__attribute__((weak)) IGraphics* MakeToneglassGraphics(IPlugBase* pPlug, int w, int h, int fps) {
  return new (std::nothrow) IGraphicsHeadless(pPlug, w, h, fps);
}
