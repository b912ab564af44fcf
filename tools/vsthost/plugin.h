// One loaded VST 2 plug-in instance: the shared object, its AEffect, and the dispatcher
// requests the tool makes, with every text the plug-in writes read through a buffer far
// larger than the interface's limits (plug-ins overrun them).
#ifndef TOOLS_VSTHOST_PLUGIN_H_
#define TOOLS_VSTHOST_PLUGIN_H_

#include <string>

#include "aeffectx.h"

namespace vsthost {

class Plugin {
 public:
  Plugin() = default;
  ~Plugin() { Unload(); }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // Opens the shared object, creates an instance through VSTPluginMain (or main) with
  // HostCallback, and sends effOpen. False with a one-line reason on any failure, with
  // nothing left loaded.
  bool Load(const std::string& path, std::string* error);

  // effMainsChanged(0) if processing is on, effClose, then dlclose. Safe to repeat.
  void Unload();

  AEffect* Effect() const { return mEffect; }
  const std::string& Path() const { return mPath; }

  // A request that changes (or may change) the plug-in.
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  // A request that only asks (names, texts, capabilities, sizes).
  VstIntPtr Query(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                  float opt = 0.0f) const;

  // Texts the plug-in writes into a host buffer; empty when it writes nothing.
  std::string Text(VstInt32 opcode, VstInt32 index = 0) const;
  std::string EffectName() const { return Text(effGetEffectName); }
  std::string VendorString() const { return Text(effGetVendorString); }
  std::string ProductString() const { return Text(effGetProductString); }
  std::string ParamName(int index) const { return Text(effGetParamName, index); }
  std::string ParamLabel(int index) const { return Text(effGetParamLabel, index); }
  std::string ParamDisplay(int index) const { return Text(effGetParamDisplay, index); }
  std::string ProgramName(int index) const;  // effGetProgramNameIndexed, else "" on refusal

  int NumParams() const { return mEffect ? mEffect->numParams : 0; }
  int NumPrograms() const { return mEffect ? mEffect->numPrograms : 0; }
  int NumInputs() const { return mEffect ? mEffect->numInputs : 0; }
  int NumOutputs() const { return mEffect ? mEffect->numOutputs : 0; }
  bool HasFlag(VstInt32 flag) const { return mEffect && (mEffect->flags & flag) != 0; }

  float GetParameter(int index) const;
  void SetParameter(int index, float normalized);

  // Processing on or off (effMainsChanged, plus effStartProcess / effStopProcess).
  void SetProcessing(bool on);

 private:
  void* mLibrary = nullptr;
  AEffect* mEffect = nullptr;
  bool mProcessing = false;
  std::string mPath;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_PLUGIN_H_
