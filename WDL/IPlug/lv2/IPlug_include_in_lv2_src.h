// The exported LV2 entry point of a plug-in's LV2 binary. Included by exactly one source
// file, after it has defined PLUG_CLASS_NAME (the plug-in class, constructible from an
// IPlugInstanceInfo) and PLUG_LV2_URI (the plug-in's URI as a string literal).
// The binary exports lv2_descriptor and nothing else.
#ifndef IPLUG_INCLUDE_IN_LV2_SRC_H_
#define IPLUG_INCLUDE_IN_LV2_SRC_H_

#include <new>

#include "IPlugLV2.h"

#if !defined(PLUG_CLASS_NAME) || !defined(PLUG_LV2_URI)
#error "Define PLUG_CLASS_NAME and PLUG_LV2_URI before including IPlug_include_in_lv2_src.h"
#endif

namespace {

// A new plug-in object with its default preset, or null; no exception reaches the host.
IPlugBase* IPlugLV2MakePlug() {
  try {
    PLUG_CLASS_NAME* plug = new PLUG_CLASS_NAME(IPlugInstanceInfo());
    plug->EnsureDefaultPreset();
    return plug;
  } catch (...) {
    return nullptr;
  }
}

LV2_Handle IPlugLV2InstantiatePlug(const LV2_Descriptor*, double sampleRate, const char*,
                                   const LV2_Feature* const* features) {
  return IPlugLV2Instantiate(IPlugLV2MakePlug, PLUG_LV2_URI, sampleRate, features);
}

const LV2_Descriptor kIPlugLV2Descriptor = {PLUG_LV2_URI,       IPlugLV2InstantiatePlug, IPlugLV2ConnectPort,
                                            IPlugLV2Activate,   IPlugLV2Run,             IPlugLV2Deactivate,
                                            IPlugLV2Cleanup,    IPlugLV2ExtensionData};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &kIPlugLV2Descriptor : nullptr;
}

#endif  // IPLUG_INCLUDE_IN_LV2_SRC_H_
