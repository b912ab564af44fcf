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

// The plug-in class whose calls back to its host become the LV2 UI's port writes and
// touch notices. Its engine never runs.
class IPlugLV2UIPlug final : public PLUG_CLASS_NAME {
 public:
  explicit IPlugLV2UIPlug(IPlugLV2UI* pUI) : PLUG_CLASS_NAME(IPlugInstanceInfo()), mUI(pUI) {}
  void BeginInformHostOfParamChange(int idx) override { mUI->BeginEdit(idx); }
  void InformHostOfParamChange(int idx, double) override { mUI->Edit(idx); }
  void EndInformHostOfParamChange(int idx) override { mUI->EndEdit(idx); }

 private:
  IPlugLV2UI* mUI;
};

IPlugBase* IPlugLV2MakeUIPlug(IPlugLV2UI* pUI) {
  try {
    return new IPlugLV2UIPlug(pUI);
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
