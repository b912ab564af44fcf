// The editor's picture without a window, for bindings that let a host ask for it
// (the VST 2 binding's vendor-specific requests). The caller holds the plug-in mutex,
// so a pass never overlaps a processing block.
#include "IGraphics.h"
#include "IGraphicsHeadless.h"

void IGraphics::DrawPicturePass(bool everything) {
  if (everything) SetAllControlsDirty(false);
  IRECT r;
  if (IsDirty(&r)) Draw(&r);
}

bool IGraphics::WritePicturePNG(const char* path) { return WriteDrawBitmapPNG(this, path); }
