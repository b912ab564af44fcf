// IPlugLV2: the LV2 face of a plug-in's engine. One IPlugLV2Instance owns one plug-in
// object (any IPlugBase) and drives it through the base's own processing frame, the
// one the VST 2 binding uses: float audio in, the same scratch-buffer conversion, the
// same ProcessDoubleReplacing, float audio out.
//
// Scenarios it serves:
// - a host loads the bundle and instantiates: [instantiation-thread] the plug-in is made,
//   told the sample rate and (when the host announces bufsz:maxBlockLength) the block size;
// - the host runs it: [audio-thread] control ports that changed since the last run reach
//   OnParamChange, then the block is processed, then the display frame (if a new one
//   arrived) goes out through the display port;
// - the host saves its session: every parameter is a port, so the port values are the state;
//   a plug-in that keeps its state in chunks also saves its chunk (IPlugLV2State.h).
#ifndef IPLUG_LV2_H_
#define IPLUG_LV2_H_

#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <string>
#include <vector>

#include "IPlugLV2Ports.h"

class IPlugBase;

// Makes the plug-in object, or null. Called under a process-wide lock.
using IPlugLV2Factory = IPlugBase* (*)();

class IPlugLV2Instance {
 public:
  // Block size when the host announces none.
  static constexpr int kDefaultBlockSize = 4096;

  // [instantiation-thread] Takes ownership of pPlug (not null). features may be null.
  IPlugLV2Instance(IPlugBase* pPlug, const char* pluginURI, double sampleRate, const LV2_Feature* const* features);
  ~IPlugLV2Instance();
  IPlugLV2Instance(const IPlugLV2Instance&) = delete;
  IPlugLV2Instance& operator=(const IPlugLV2Instance&) = delete;

  // [audio-thread] An index beyond the ports is ignored.
  void ConnectPort(uint32_t port, void* data);
  // [instantiation-thread] OnActivate and Reset, as VST 2's effMainsChanged.
  void Activate(bool active);
  // [audio-thread] Any number of frames, 0 included; a block longer than any before
  // enlarges the block size and resets the plug-in first (as the VST 2 path does).
  void Run(uint32_t nFrames);

  IPlugBase* Plug() const { return mPlug; }
  const IPlugLV2Ports& Ports() const { return mPorts; }
  const char* PluginURI() const { return mURI.c_str(); }
  // True when the host gave urid:map (needed for the display port and options).
  bool HasURIDMap() const { return mMap != nullptr; }
  LV2_URID_Map* URIDMap() const { return mMap; }

 private:
  // What the host connected to port, null for a port that does not exist.
  void* At(uint32_t port) const { return port < mConnections.size() ? mConnections[port] : nullptr; }
  void ReadOptions(const LV2_Feature* const* features);
  void ApplyControls();
  void ProcessAudio(int nFrames);
  void WriteDisplay();

  IPlugBase* mPlug;
  std::string mURI;
  IPlugLV2Ports mPorts;
  std::vector<void*> mConnections;
  std::vector<float> mLastControl;  // the value each control port had when last applied
  float mLastEnabled = 1.0f;
  // Channel pointer arrays, made here so that run() never allocates them.
  std::vector<float*> mInputs, mOutputs, mPieceIn, mPieceOut;

  LV2_URID_Map* mMap = nullptr;
  LV2_Atom_Forge mForge;
  LV2_URID mAtomFloat = 0, mDisplayFrame = 0, mSampleRateKey = 0, mDisplayValuesKey = 0;
};

// The descriptor callbacks, for IPlug_include_in_lv2_src.h.
LV2_Handle IPlugLV2Instantiate(IPlugLV2Factory factory, const char* pluginURI, double sampleRate,
                               const LV2_Feature* const* features);
void IPlugLV2ConnectPort(LV2_Handle instance, uint32_t port, void* data);
void IPlugLV2Activate(LV2_Handle instance);
void IPlugLV2Run(LV2_Handle instance, uint32_t nFrames);
void IPlugLV2Deactivate(LV2_Handle instance);
void IPlugLV2Cleanup(LV2_Handle instance);
const void* IPlugLV2ExtensionData(const char* uri);

#endif  // IPLUG_LV2_H_
