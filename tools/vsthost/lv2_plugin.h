// One LV2 plug-in found through lilv, by bundle folder or by URI: its description
// (identity, ports, presets), the control values the tool sets before a render, and,
// once prepared, an instance the render engine drives.
//
// The host offers urid:map and unmap, options with the block lengths, and bounded
// block length (no block is ever longer than the prepared one). A plug-in that needs
// more is refused with the features named, before its code is loaded. Audio and CV
// ports are connected, control ports hold the tool's values, and atom ports are left
// unconnected, which only a port marked connectionOptional allows.
#ifndef TOOLS_VSTHOST_LV2_PLUGIN_H_
#define TOOLS_VSTHOST_LV2_PLUGIN_H_

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "render_plugin.h"

namespace vsthost {

// Whether --plugin names an LV2 plug-in: a name ending in ".lv2", a folder with a
// manifest.ttl (a bundle), or a URI ("urn:...", "http://..."). Anything else is a VST 2
// shared object.
bool IsLv2Reference(const std::string& reference);

struct Lv2Port {
  enum class Kind { kAudio, kControl, kCv, kAtom, kOther };
  uint32_t index = 0;
  Kind kind = Kind::kOther;
  bool input = false;
  bool optional = false;  // lv2:connectionOptional
  std::string symbol;
  std::string name;
  std::string unit;  // the unit's symbol ("dB"), empty without one
  float minimum = 0.0f, maximum = 0.0f, fallback = 0.0f;  // NaN where the plug-in gives none
  bool integer = false, toggled = false, enumeration = false, logarithmic = false;
  bool reportsLatency = false;
  std::vector<std::pair<float, std::string>> scalePoints;  // sorted by value
};

struct Lv2Preset {
  std::string uri;
  std::string label;
};

class Lv2Plugin : public RenderPlugin {
 public:
  Lv2Plugin();
  ~Lv2Plugin() override;
  Lv2Plugin(const Lv2Plugin&) = delete;
  Lv2Plugin& operator=(const Lv2Plugin&) = delete;

  // Finds the plug-in and reads its description; no plug-in code runs yet. False with
  // a one-line reason: no such bundle or URI, a bundle with none or several plug-ins,
  // a feature the host lacks, a port it cannot leave unconnected.
  bool Load(const std::string& reference, std::string* error);

  // Frees the instance (its code is unloaded); the description stays. Safe to repeat.
  void Unload() { FreeInstance(); }

  // Sets the control inputs a preset holds. The preset is named by its URI or its
  // label (as written, then in any letter case). False with a one-line reason.
  bool LoadPreset(const std::string& name, std::string* error);

  const std::string& Reference() const { return mReference; }
  std::string Uri() const;
  std::string Name() const;
  std::string Maker() const;
  std::string ClassLabel() const;
  std::string BundlePath() const;
  std::string BinaryPath() const;
  std::vector<std::string> RequiredFeatures() const;
  std::vector<std::string> OptionalFeatures() const;
  std::vector<std::pair<std::string, std::string>> Uis() const;  // URI and type
  std::vector<Lv2Preset> Presets() const;
  const std::vector<Lv2Port>& Ports() const { return mPorts; }

  // Control values by port index; a port that is not a control port reads 0.
  float ControlValue(uint32_t port) const;
  void SetControlValue(uint32_t port, float value);

  int NumInputs() const override { return static_cast<int>(mAudioInputs.size()); }
  int NumOutputs() const override { return static_cast<int>(mAudioOutputs.size()); }
  bool Prepare(double sampleRate, int blockSize, Precision precision, bool* useDouble,
               std::string* error) override;
  bool CanProcess(std::string* error) const override;
  void SetProcessing(bool on) override;
  void Process(float* const* in, float* const* out, int frames, int64_t position, int64_t block) override;
  void ProcessDouble(double* const* in, double* const* out, int frames, int64_t position, int64_t block) override;

 private:
  bool FindPlugin(const std::string& reference, std::string* error);
  bool CheckFeatures(std::string* error) const;
  bool ReadPorts(std::string* error);
  const LilvNode* Node(const char* uri);
  std::vector<std::string> Strings(LilvNodes* nodes) const;  // frees them
  void FreeInstance();

  static void SetPortFromState(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type);
  static LV2_URID MapUri(LV2_URID_Map_Handle handle, const char* uri);
  static const char* UnmapUrid(LV2_URID_Unmap_Handle handle, LV2_URID urid);

  std::string mReference;
  LilvWorld* mWorld = nullptr;
  const LilvPlugin* mPlugin = nullptr;
  LilvInstance* mInstance = nullptr;
  bool mActive = false;
  std::map<std::string, LilvNode*> mNodes;

  std::vector<Lv2Port> mPorts;
  std::vector<float> mValues;  // one per port; control ports point here
  std::vector<uint32_t> mAudioInputs, mAudioOutputs;
  std::vector<std::vector<float>> mCvBuffers;

  std::map<std::string, LV2_URID> mUrids;
  std::vector<std::string> mUris;
  LV2_URID_Map mMap;
  LV2_URID_Unmap mUnmap;
  int32_t mMaxBlock = 0, mMinBlock = 0, mNominalBlock = 0;
  float mSampleRate = 0.0f;
  LV2_Options_Option mOptions[5];
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_LV2_PLUGIN_H_
