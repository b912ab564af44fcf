// The plug-in's editor backend on Cocoa (a Mac, or GNUstep): the view goes into the
// host's NSView; images come from the bundle with the plug-in's identifier.
#include <new>

#include "IGraphicsBackend.h"

#include "IGraphicsMac.h"

// The identifier in the bundle's property list (bundle/Info-gnustep.plist.in).
static const char* const kToneglassBundleID = "com.Vantor.vst.Toneglass";

IGraphics* MakeGraphics(IPlugBase* pPlug, int w, int h, int fps) {
  IGraphicsMac* pGraphics = new (std::nothrow) IGraphicsMac(pPlug, w, h, fps);
  if (pGraphics) pGraphics->SetBundleID(kToneglassBundleID);
  return pGraphics;
}
