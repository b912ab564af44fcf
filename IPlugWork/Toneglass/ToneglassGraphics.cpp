// The headless backend draws the editor into its bitmap without a window: what tests
// and the command-line host's editor picture use.
#include "ToneglassGraphics.h"

#include <new>

#include "IGraphicsHeadless.h"

IGraphics* MakeToneglassGraphics(IPlugBase* pPlug, int w, int h, int fps) {
  return new (std::nothrow) IGraphicsHeadless(pPlug, w, h, fps);
}
