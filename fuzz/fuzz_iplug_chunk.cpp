// libFuzzer target for the state readers: the input is taken as a host's state chunk
// and read as a bank (after the framework header) and as a program state, its bytes
// are walked as texts, and it is decoded as a Base64 preset blob. Besides memory
// errors, it traps when a failed read changes anything or a value leaves its range.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "IPlugBase.h"

namespace {

class FuzzPlug : public IPlugBase {
 public:
  FuzzPlug() : IPlugBase(5, "2-2", 3, "Fuzz", "Fuzz", "Fuzz", 0x10000, 1, 2, 0, false, true, false, kAPIVST2) {
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
std::string Snapshot(const FuzzPlug& plug) {
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

void CheckRanges(const FuzzPlug& plug) {
  for (int i = 0; i < plug.NParams(); ++i) {
    const IParam* p = plug.GetParam(i);
    if (!(p->Value() >= p->GetMin() && p->Value() <= p->GetMax())) __builtin_trap();
  }
  for (int i = 0; i < plug.NPresets(); ++i) {
    if (strnlen(plug.GetPresetName(i), MAX_PRESET_NAME_LEN) >= MAX_PRESET_NAME_LEN) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  ByteChunk chunk;
  chunk.AppendBytes(data, static_cast<int>(size));

  FuzzPlug bankPlug;
  const std::string before = Snapshot(bankPlug);
  int pos = 0;
  IPlugBase::GetIPlugVerFromChunk(&chunk, &pos);
  const int bankEnd = bankPlug.UnserializePresets(&chunk, pos);
  if (bankEnd < 0 && Snapshot(bankPlug) != before) __builtin_trap();
  if (bankEnd > chunk.Size()) __builtin_trap();
  CheckRanges(bankPlug);

  FuzzPlug programPlug;
  const std::string programBefore = Snapshot(programPlug);
  if (programPlug.UnserializeState(&chunk, 0) < 0 && Snapshot(programPlug) != programBefore) __builtin_trap();
  CheckRanges(programPlug);

  WDL_String text;
  // A negative length may point the reader back or keep it in place, so the walk is
  // bounded here; every read must stay inside the chunk whatever the position.
  int at = 0;
  for (int steps = 0; steps <= chunk.Size() && at >= 0 && at < chunk.Size(); ++steps) {
    at = chunk.ReadString(&text, at);
    if (text.GetLength() > chunk.Size()) __builtin_trap();
  }

  // The same bytes as Base64 text, into a blob whose size the first byte picks.
  const std::string blobText(reinterpret_cast<const char*>(data), size);
  const int blobSize = size > 0 ? data[0] % 64 : 0;
  FuzzPlug freshPlug;
  freshPlug.MakePresetFromBlob("blob", blobText.c_str(), blobSize);
  const IPreset* blob = freshPlug.GetPreset(1);
  if (!blob || blob->mChunk.Size() != blobSize) __builtin_trap();
  return 0;
}
