// The editor's picture without a window: draw passes and a PNG of the editor bitmap,
// requested through effVendorSpecific (see IPlugVST.h). The dispatcher holds the
// plug-in mutex meanwhile, so a pass never overlaps a processing block.
#include "IPlugVST.h"

VstIntPtr IPlugVST::EditorPicture(VstInt32 idx, VstIntPtr value, void* ptr) {
  IPlugEditor* pEditor = GetEditor();
  if (!pEditor) return 0;
  if (idx == kVSTVendorEditorDraw) {
    pEditor->DrawPicturePass(value != 0);
    return 1;
  }
  const char* path = static_cast<const char*>(ptr);
  if (!path || !path[0]) return 0;
  // A window shows only what a pass repainted; the picture must hold every control.
  pEditor->DrawPicturePass(true);
  return pEditor->WritePicturePNG(path) ? 1 : 0;
}
