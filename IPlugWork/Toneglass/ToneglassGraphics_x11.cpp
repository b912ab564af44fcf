// The plug-in's editor on Linux: the X11 backend, embedded in the host's window.
#include "ToneglassGraphics.h"

#include <new>

#include "IGraphicsX11.h"

IGraphics* MakeToneglassGraphics(IPlugBase* pPlug, int w, int h, int fps) {
  return new (std::nothrow) IGraphicsX11(pPlug, w, h, fps);
}
