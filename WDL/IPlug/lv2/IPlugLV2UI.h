// IPlugLV2UI: the LV2 face of a plug-in's editor (an ui:X11UI). The UI binary makes an
// instance of the plug-in class of its own, whose engine never runs: its editor is the
// same IGraphics editor the VST 2 build shows, embedded in the host's ui:parent window
// and driven by the idle interface. The UI and the engine meet only through ports, so
// the host may run them in different processes.
//
// Scenarios it serves:
// - a knob is dragged: [ui-thread] touch(port, grabbed), the plain values through the
//   host's write function, touch(port, released): begin, values, end as in VST 2;
// - automation or another UI moves a parameter: [ui-thread] port_event moves the knob;
// - the engine analyses a frame: the display frame arrives through the display port
//   and the editor's view shows it.
#ifndef IPLUG_LV2_UI_H_
#define IPLUG_LV2_UI_H_

#include <lv2/atom/atom.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <string>
#include <vector>

#include "IPlugLV2Ports.h"

class IPlugBase;
class IPlugLV2UI;

// Makes the plug-in object (with its editor) whose host notices go to pUI, or null.
using IPlugLV2UIFactory = IPlugBase* (*)(IPlugLV2UI* pUI);

class IPlugLV2UI {
 public:
  IPlugLV2UI(const char* pluginURI, LV2UI_Write_Function write, LV2UI_Controller controller,
             const LV2_Feature* const* features);
  ~IPlugLV2UI();
  IPlugLV2UI(const IPlugLV2UI&) = delete;
  IPlugLV2UI& operator=(const IPlugLV2UI&) = delete;

  // Takes ownership of pPlug and opens its editor in the host's parent window. False
  // (nothing open) without a parent, an editor or an X server.
  bool Open(IPlugBase* pPlug, LV2UI_Widget* pWidget);

  // ---- Host to UI -----------------------------------------------------------------
  // [ui-thread] A control port's value (format 0) or a display frame (atom:eventTransfer).
  // Anything else, or a buffer of the wrong size, is ignored.
  void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
  // [ui-thread] Events and drawing; non-zero once the editor is closed (its parent gone).
  int Idle();

  // ---- UI to host (the plug-in object's host services land here) ----------------------
  void BeginEdit(int paramIdx);
  void Edit(int paramIdx);
  void EndEdit(int paramIdx);

 private:
  void ReceiveDisplayFrame(const LV2_Atom* atom);
  void Touch(int paramIdx, bool grabbed);

  std::string mURI;
  LV2UI_Write_Function mWrite;
  LV2UI_Controller mController;
  void* mParent = nullptr;
  double mSampleRate = 0.0;  // from the host's options; 0 when it gives none
  const LV2UI_Touch* mTouch = nullptr;
  const LV2UI_Resize* mResize = nullptr;
  LV2_URID_Map* mMap = nullptr;
  LV2_URID mEventTransfer = 0, mDisplayFrame = 0, mSampleRateKey = 0, mDisplayValuesKey = 0, mAtomFloat = 0;
  IPlugBase* mPlug = nullptr;
  IPlugLV2Ports mPorts;
  std::vector<bool> mTouched;  // per parameter: inside a begin/end pair the host was told of
};

// The descriptor callbacks, for IPlug_include_in_lv2_ui_src.h.
LV2UI_Handle IPlugLV2UIInstantiate(IPlugLV2UIFactory factory, const char* pluginURI, LV2UI_Write_Function write,
                                   LV2UI_Controller controller, LV2UI_Widget* widget,
                                   const LV2_Feature* const* features);
void IPlugLV2UICleanup(LV2UI_Handle ui);
void IPlugLV2UIPortEvent(LV2UI_Handle ui, uint32_t port, uint32_t size, uint32_t format, const void* buffer);
const void* IPlugLV2UIExtensionData(const char* uri);

#endif  // IPLUG_LV2_UI_H_
