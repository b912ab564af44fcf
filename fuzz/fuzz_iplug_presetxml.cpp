// libFuzzer target for the preset XML readers: the input is a file's text, applied to
// the parameters and made into a preset. Besides memory errors and stack exhaustion
// in the parser it traps when a file rejected by the checks changes anything or a
// loaded value leaves its range.
#include <cstdint>
#include <string>

#include "fuzz_plug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  FuzzPlug plug;
  const std::string before = Snapshot(plug);
  WDL_String name("unset");
  if (!plug.LoadPresetXMLText("Fuzz", "Fuzz", text.c_str(), &name, (size & 1) != 0)) {
    // Only a non-Param element met part-way may leave changes behind, and it comes
    // after the preset name was handed over.
    if (Snapshot(plug) != before && !strcmp(name.Get(), "unset")) __builtin_trap();
  }
  CheckRanges(plug);

  IPreset preset;
  if (plug.CreatePresetXMLText("Fuzz", "Fuzz", &preset, text.c_str(), false)) {
    if (preset.mChunk.Size() != 8 * plug.NParams() || !preset.mInitialized) __builtin_trap();
  } else if (preset.mInitialized && preset.mChunk.Size() != 0) {
    __builtin_trap();
  }
  return 0;
}
