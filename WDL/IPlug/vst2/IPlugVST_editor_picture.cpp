// The editor's picture without a window: draw passes and a PNG of the editor bitmap,
// requested through effVendorSpecific (see IPlugVST.h). The dispatcher holds the
// plug-in mutex meanwhile, so a pass never overlaps a processing block.
#include "IGraphics.h"
#include "IGraphicsHeadless.h"
#include "IPlugVST.h"

namespace {
bool DrawPass(IGraphics* pGraphics, bool everything) {
  if (everything) pGraphics->SetAllControlsDirty(false);
  IRECT r;
  if (pGraphics->IsDirty(&r)) pGraphics->Draw(&r);
  return true;
}
}  // namespace

VstIntPtr IPlugVST::EditorPicture(VstInt32 idx, VstIntPtr value, void* ptr) {
  IGraphics* pGraphics = GetGUI();
  if (!pGraphics) return 0;
  if (idx == kVSTVendorEditorDraw) return DrawPass(pGraphics, value != 0) ? 1 : 0;
  const char* path = static_cast<const char*>(ptr);
  if (!path || !path[0]) return 0;
  // A window shows only what a pass repainted; the picture must hold every control.
  DrawPass(pGraphics, true);
  return WriteDrawBitmapPNG(pGraphics, path) ? 1 : 0;
}
