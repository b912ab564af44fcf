// The X11 backend: the editor embeds in the host's X window (Linux plug-ins).
#include <new>

#include "IGraphicsBackend.h"
#include "IGraphicsX11.h"

IGraphics* MakeGraphics(IPlugBase* pPlug, int w, int h, int fps) {
  return new (std::nothrow) IGraphicsX11(pPlug, w, h, fps);
}
