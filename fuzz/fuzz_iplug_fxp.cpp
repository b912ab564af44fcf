// libFuzzer target for the program-file loaders: the input is a program file, loaded
// into a plug-in that does chunks and one that does not, both ways (into the current
// preset and as a new preset). Besides memory errors it traps when a rejected file
// changes anything, a value leaves its range, or loading as a new preset moves the
// live parameters.
#include <cstdint>

#include "fuzz_plug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const int n = static_cast<int>(size);
  for (bool doesChunks : {true, false}) {
    for (bool notifyOnly : {false, true}) {
      FuzzPlug plug(doesChunks);
      const std::string before = Snapshot(plug);
      if (!plug.LoadProgramFromFXPData(data, n, notifyOnly) && Snapshot(plug) != before) __builtin_trap();
      CheckRanges(plug);
    }
    FuzzPlug plug(doesChunks);
    const std::string before = Snapshot(plug);
    const int presets = plug.NPresets();
    double values[5];
    for (int i = 0; i < 5; ++i) values[i] = plug.GetParam(i)->Value();
    const bool added = plug.LoadProgramFromFXPDataToPreset(data, n, "fuzz");
    if (!added && (Snapshot(plug) != before || plug.NPresets() != presets)) __builtin_trap();
    if (added && plug.NPresets() != presets + 1) __builtin_trap();
    for (int i = 0; i < 5; ++i)
      if (plug.GetParam(i)->Value() != values[i]) __builtin_trap();
    CheckRanges(plug);
  }
  return 0;
}
