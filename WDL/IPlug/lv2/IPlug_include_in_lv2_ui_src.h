// The exported LV2 UI entry point of a plug-in's UI binary. Included by exactly one
// source file, after it has defined PLUG_CLASS_NAME and PLUG_LV2_URI as for
// IPlug_include_in_lv2_src.h. The binary exports lv2ui_descriptor and nothing else.
#ifndef IPLUG_INCLUDE_IN_LV2_UI_SRC_H_
#define IPLUG_INCLUDE_IN_LV2_UI_SRC_H_

#include <cstring>

#include "IPlugLV2UI.h"

#if !defined(PLUG_CLASS_NAME) || !defined(PLUG_LV2_URI)
#error "Define PLUG_CLASS_NAME and PLUG_LV2_URI before including IPlug_include_in_lv2_ui_src.h"
#endif

namespace {

// The plug-in class calls its host back through the host callback it is made with (today
// the VST 2 one: the class derives from the VST 2 binding). The UI answers as that host:
// begin-edit, automate and end-edit become touch notices and port writes; everything else
// gets the answer of a host that knows nothing. (A subclass overriding the host services
// would change the object's type while the editor's idle thread already calls into it.)
VstIntPtr IPlugLV2UIHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
  IPlugLV2UI* ui = effect ? static_cast<IPlugLV2UI*>(effect->user) : nullptr;
  if (!ui) return 0;
  switch (opcode) {
    case audioMasterBeginEdit:
      ui->BeginEdit(index);
      return 1;
    case audioMasterAutomate:
      ui->Edit(index);
      return 1;
    case audioMasterEndEdit:
      ui->EndEdit(index);
      return 1;
    default:
      return 0;
  }
}

IPlugBase* IPlugLV2MakeUIPlug(IPlugLV2UI* pUI) {
  IPlugInstanceInfo info{};
  info.mVSTHostCallback = IPlugLV2UIHostCallback;
  try {
    PLUG_CLASS_NAME* plug = new PLUG_CLASS_NAME(info);
    plug->GetAEffect()->user = pUI;
    return plug;
  } catch (...) {
    return nullptr;
  }
}

LV2UI_Handle IPlugLV2UIInstantiatePlug(const LV2UI_Descriptor*, const char* pluginURI, const char*,
                                       LV2UI_Write_Function write, LV2UI_Controller controller,
                                       LV2UI_Widget* widget, const LV2_Feature* const* features) {
  if (!pluginURI || strcmp(pluginURI, PLUG_LV2_URI)) return nullptr;
  return IPlugLV2UIInstantiate(IPlugLV2MakeUIPlug, PLUG_LV2_URI, write, controller, widget, features);
}

const LV2UI_Descriptor kIPlugLV2UIDescriptor = {PLUG_LV2_URI IPLUG_LV2_UI_SUFFIX, IPlugLV2UIInstantiatePlug, IPlugLV2UICleanup,
                                                IPlugLV2UIPortEvent, IPlugLV2UIExtensionData};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &kIPlugLV2UIDescriptor : nullptr;
}

#endif  // IPLUG_INCLUDE_IN_LV2_UI_SRC_H_
