// A small LV2 host over lilv for tests and benchmarks: a world that knows the LV2
// specifications and one bundle, a URID map, and instances with their own port buffers
// (audio, controls at their defaults, an atom buffer for each atom output).
//
// Nothing here depends on a test framework, so benchmarks use it too.
#ifndef TESTS_LV2_TEST_HOST_H_
#define TESTS_LV2_TEST_HOST_H_

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lv2host {

// URIs to small integers, the same for the whole test program.
class UridMap {
 public:
  UridMap() {
    mMap.handle = this;
    mMap.map = &UridMap::MapUri;
    mUnmap.handle = this;
    mUnmap.unmap = &UridMap::UnmapUrid;
  }
  LV2_URID Map(const char* uri) { return MapUri(this, uri); }
  LV2_URID_Map* Feature() { return &mMap; }
  LV2_URID_Unmap* UnmapFeature() { return &mUnmap; }

 private:
  static LV2_URID MapUri(LV2_URID_Map_Handle h, const char* uri) {
    auto* self = static_cast<UridMap*>(h);
    auto it = self->mIds.find(uri);
    if (it != self->mIds.end()) return it->second;
    self->mUris.push_back(uri);
    return self->mIds[uri] = static_cast<LV2_URID>(self->mUris.size());
  }
  static const char* UnmapUrid(LV2_URID_Unmap_Handle h, LV2_URID id) {
    auto* self = static_cast<UridMap*>(h);
    return id >= 1 && id <= self->mUris.size() ? self->mUris[id - 1].c_str() : nullptr;
  }
  LV2_URID_Map mMap;
  LV2_URID_Unmap mUnmap;
  std::map<std::string, LV2_URID> mIds;
  std::vector<std::string> mUris;
};

// A lilv world with the LV2 specifications and the plug-ins of the bundles given.
class World {
 public:
  explicit World(const std::vector<std::string>& bundleFolders) : mWorld(lilv_world_new()) {
    // The LV2 core bundle, whose plug-in classes (lv2:AnalyserPlugin, ...) lilv reports.
    LilvNode* core = lilv_new_file_uri(mWorld, nullptr, "/usr/lib/lv2/core.lv2/");
    lilv_world_load_bundle(mWorld, core);
    lilv_node_free(core);
    lilv_world_load_specifications(mWorld);
    lilv_world_load_plugin_classes(mWorld);
    for (std::string folder : bundleFolders) {
      if (folder.empty() || folder.back() != '/') folder += '/';
      LilvNode* b = lilv_new_file_uri(mWorld, nullptr, folder.c_str());
      lilv_world_load_bundle(mWorld, b);
      lilv_node_free(b);
    }
  }
  ~World() {
    for (LilvNode* n : mNodes) lilv_node_free(n);
    lilv_world_free(mWorld);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  LilvWorld* Get() const { return mWorld; }
  // A URI node that lives as long as the world.
  const LilvNode* Uri(const char* uri) {
    mNodes.push_back(lilv_new_uri(mWorld, uri));
    return mNodes.back();
  }
  // The plug-in with this URI, or null.
  const LilvPlugin* Plugin(const char* uri) {
    return lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), Uri(uri));
  }
  UridMap& Urids() { return mUrids; }

 private:
  LilvWorld* mWorld;
  std::vector<LilvNode*> mNodes;
  UridMap mUrids;
};

// One instance with a buffer for every port. Audio ports get maxFrames frames; control
// inputs start at their defaults; atom outputs get atomBytes bytes.
class Instance {
 public:
  Instance(World& world, const LilvPlugin* plugin, double rate, int maxFrames, int atomBytes = 8192,
           bool announceBlockLength = true, bool offerMap = true)
      : mWorld(world), mPlugin(plugin), mMaxFrames(maxFrames) {
    if (!plugin) return;
    UridMap& urids = world.Urids();
    mMaxBlock = maxFrames;
    mOptions[0] = {LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                   urids.Map(LV2_ATOM__Int), &mMaxBlock};
    mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mMapFeature = {LV2_URID__map, urids.Feature()};
    mUnmapFeature = {LV2_URID__unmap, urids.UnmapFeature()};
    mOptionsFeature = {LV2_OPTIONS__options, mOptions};
    int n = 0;
    if (offerMap) {
      mFeatures[n++] = &mMapFeature;
      mFeatures[n++] = &mUnmapFeature;
    }
    if (announceBlockLength) mFeatures[n++] = &mOptionsFeature;
    mFeatures[n] = nullptr;
    mInstance = lilv_plugin_instantiate(plugin, rate, mFeatures);
    if (!mInstance) return;

    const uint32_t nPorts = lilv_plugin_get_num_ports(plugin);
    mControls.assign(nPorts, 0.0f);
    mAtoms.resize(nPorts);
    const LilvNode* audio = world.Uri(LILV_URI_AUDIO_PORT);
    const LilvNode* control = world.Uri(LILV_URI_CONTROL_PORT);
    const LilvNode* atom = world.Uri(LV2_ATOM__AtomPort);
    const LilvNode* input = world.Uri(LILV_URI_INPUT_PORT);
    std::vector<float> defaults(nPorts);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    for (uint32_t i = 0; i < nPorts; ++i) {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
      if (lilv_port_is_a(plugin, port, audio)) {
        mAudio.emplace_back(maxFrames, 0.0f);
        (lilv_port_is_a(plugin, port, input) ? mAudioIn : mAudioOut).push_back(i);
        lilv_instance_connect_port(mInstance, i, mAudio.back().data());
        mAudioPortBuffer[i] = mAudio.size() - 1;
      } else if (lilv_port_is_a(plugin, port, control)) {
        mControls[i] = defaults[i];
        lilv_instance_connect_port(mInstance, i, &mControls[i]);
      } else if (lilv_port_is_a(plugin, port, atom)) {
        mAtoms[i].assign(static_cast<size_t>(atomBytes) / 8 + 1, 0);
        mAtomBytes = atomBytes;
        mAtomPort = i;
        lilv_instance_connect_port(mInstance, i, mAtoms[i].data());
      }
    }
  }
  ~Instance() {
    if (mInstance) {
      if (mActive) lilv_instance_deactivate(mInstance);
      lilv_instance_free(mInstance);
    }
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  bool Ok() const { return mInstance != nullptr; }
  LilvInstance* Get() const { return mInstance; }
  const LilvPlugin* Plugin() const { return mPlugin; }

  void Activate() {
    lilv_instance_activate(mInstance);
    mActive = true;
  }
  void Deactivate() {
    lilv_instance_deactivate(mInstance);
    mActive = false;
  }

  // The port with this symbol, or -1.
  int PortIndex(const char* symbol) {
    LilvNode* s = lilv_new_string(mWorld.Get(), symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(mPlugin, s);
    lilv_node_free(s);
    return port ? static_cast<int>(lilv_port_get_index(mPlugin, port)) : -1;
  }
  float& Control(const char* symbol) { return mControls.at(static_cast<size_t>(PortIndex(symbol))); }
  float& ControlAt(uint32_t port) { return mControls.at(port); }

  // Audio buffer of the n-th input / output port (each maxFrames long).
  float* In(int n) { return mAudio[mAudioPortBuffer[mAudioIn.at(static_cast<size_t>(n))]].data(); }
  float* Out(int n) { return mAudio[mAudioPortBuffer[mAudioOut.at(static_cast<size_t>(n))]].data(); }
  uint32_t InPort(int n) const { return mAudioIn.at(static_cast<size_t>(n)); }
  uint32_t OutPort(int n) const { return mAudioOut.at(static_cast<size_t>(n)); }

  // Processes the first nFrames of the buffers; atom outputs are re-armed with their capacity.
  void Run(uint32_t nFrames) {
    for (size_t i = 0; i < mAtoms.size(); ++i) {
      if (mAtoms[i].empty()) continue;
      auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(mAtoms[i].data());
      seq->atom.type = 0;
      seq->atom.size = static_cast<uint32_t>(mAtomBytes) - sizeof(LV2_Atom);
    }
    lilv_instance_run(mInstance, nFrames);
  }
  // The sequence the plug-in wrote to its atom output (null without one).
  const LV2_Atom_Sequence* AtomOut() const {
    return mAtomPort < mAtoms.size() && !mAtoms[mAtomPort].empty()
               ? reinterpret_cast<const LV2_Atom_Sequence*>(mAtoms[mAtomPort].data())
               : nullptr;
  }
  uint32_t AtomPort() const { return mAtomPort; }
  const LV2_Feature* const* Features() const { return mFeatures; }
  int MaxFrames() const { return mMaxFrames; }

 private:
  World& mWorld;
  const LilvPlugin* mPlugin;
  LilvInstance* mInstance = nullptr;
  bool mActive = false;
  int mMaxFrames;
  int32_t mMaxBlock = 0;
  LV2_Options_Option mOptions[2];
  LV2_Feature mMapFeature, mUnmapFeature, mOptionsFeature;
  const LV2_Feature* mFeatures[4];
  std::vector<std::vector<float>> mAudio;
  std::map<uint32_t, size_t> mAudioPortBuffer;
  std::vector<uint32_t> mAudioIn, mAudioOut;
  std::vector<float> mControls;
  std::vector<std::vector<uint64_t>> mAtoms;  // 8-byte aligned, as atoms need
  int mAtomBytes = 0;
  uint32_t mAtomPort = 0xFFFFFFFFu;
};

}  // namespace lv2host

#endif  // TESTS_LV2_TEST_HOST_H_
