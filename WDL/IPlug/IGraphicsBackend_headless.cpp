// The headless backend: the editor draws into its bitmap without a window (tests and
// tools that run a plug-in's code directly).
#include <new>

#include "IGraphicsBackend.h"
#include "IGraphicsHeadless.h"

IGraphics* MakeGraphics(IPlugBase* pPlug, int w, int h, int fps) {
  return new (std::nothrow) IGraphicsHeadless(pPlug, w, h, fps);
}
