// The plug-in the framework fuzz targets read into: five parameters of every kind and
// one preset, host services answered with fixed values.
#ifndef FUZZ_FUZZ_PLUG_H_
#define FUZZ_FUZZ_PLUG_H_

#include <cstring>
#include <string>

#include "IPlugBase.h"

class FuzzPlug : public IPlugBase {
 public:
  explicit FuzzPlug(bool doesChunks = true)
      : IPlugBase(5, "2-2", 3, "Fuzz", "Fuzz", "Fuzz", 0x10000, 1, 2, 0, false, doesChunks, false, kAPIVST2) {
    GetParam(0)->InitDouble("Threshold", -20.0, -60.0, 6.0, 0.1, "dB");
    GetParam(1)->InitDouble("Start", 1000.0, 20.0, 22050.0, 1.0, "Hz");
    GetParam(2)->InitDouble("Mix", 0.25, 0.0, 1.0, 0.01);
    GetParam(3)->InitInt("Steps", 3, -10, 10);
    GetParam(4)->InitBool("Switch", false);
    MakeDefaultPreset("-", 1);
  }
  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int, double) override {}
  void EndInformHostOfParamChange(int) override {}
  void InformHostOfProgramChange() override {}
  double GetSamplePos() override { return 0.0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int*, int*) override {}
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int, int) override {}
  bool SendMidiMsg(IMidiMsg*) override { return true; }
};

// Slot names, flags and chunks plus the parameter values, flattened for comparison.
inline std::string Snapshot(const IPlugBase& plug) {
  std::string s;
  for (int i = 0; i < plug.NPresets(); ++i) {
    const IPreset* p = plug.GetPreset(i);
    s.append(p->mName);
    s.push_back('\0');
    s.push_back(p->mInitialized ? 1 : 0);
    s.append(reinterpret_cast<const char*>(p->mChunk.GetBytes()), p->mChunk.Size());
  }
  for (int i = 0; i < plug.NParams(); ++i) {
    const double v = plug.GetParam(i)->Value();
    s.append(reinterpret_cast<const char*>(&v), sizeof(v));
  }
  return s;
}

// Traps when a parameter left its range or a preset name its slot.
inline void CheckRanges(const IPlugBase& plug) {
  for (int i = 0; i < plug.NParams(); ++i) {
    const IParam* p = plug.GetParam(i);
    if (!(p->Value() >= p->GetMin() && p->Value() <= p->GetMax())) __builtin_trap();
  }
  for (int i = 0; i < plug.NPresets(); ++i) {
    if (strnlen(plug.GetPresetName(i), MAX_PRESET_NAME_LEN) >= MAX_PRESET_NAME_LEN) __builtin_trap();
  }
}

#endif  // FUZZ_FUZZ_PLUG_H_
