#include "lv2_plugin.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/units/units.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "interrupt.h"
#include "plugin_path.h"

namespace vsthost {

namespace {

constexpr const char* kRdfsLabel = "http://www.w3.org/2000/01/rdf-schema#label";

// What a plug-in may require of this host: the URID map, the options that carry the
// block lengths, blocks never longer than announced, and separate input and output
// buffers (which is all "in place broken" asks). Real-time capability is a promise of
// the plug-in's, not a demand on the host.
const char* const kSupportedFeatures[] = {
    LV2_URID__map,
    LV2_URID__unmap,
    LV2_OPTIONS__options,
    LV2_BUF_SIZE__boundedBlockLength,
    LV2_CORE__inPlaceBroken,
    LV2_CORE__hardRTCapable,
};

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A URI scheme followed by a colon: "urn:", "http:", "file:".
bool HasUriScheme(const std::string& s) {
  if (s.empty() || !isalpha(static_cast<unsigned char>(s[0]))) return false;
  for (size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == ':') return i > 1;  // "C:" is not a scheme
    if (!isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

std::string NodeText(const LilvNode* node) {
  if (!node) return "";
  const char* text = lilv_node_as_string(node);
  return text ? text : "";
}

// Takes the node and frees it.
std::string TakeText(LilvNode* node) {
  const std::string text = NodeText(node);
  lilv_node_free(node);
  return text;
}

std::string FilePath(const LilvNode* uri) {
  if (!uri) return "";
  char* path = lilv_file_uri_parse(lilv_node_as_uri(uri), nullptr);
  if (!path) return NodeText(uri);
  const std::string text = path;
  lilv_free(path);
  return text;
}

// The symbol of a unit the plug-in names by URI ("dB" for units:db), or the last part
// of a URI that has no symbol the world knows.
std::string UnitSymbol(LilvWorld* world, LilvNode* unit, const LilvNode* symbolPredicate) {
  if (!unit) return "";
  std::string symbol = TakeText(lilv_world_get(world, unit, symbolPredicate, nullptr));
  if (symbol.empty() && lilv_node_is_uri(unit)) {
    const std::string uri = NodeText(unit);
    const size_t cut = uri.find_last_of("#/");
    symbol = cut == std::string::npos ? uri : uri.substr(cut + 1);
  }
  lilv_node_free(unit);
  return symbol;
}

}  // namespace

bool IsLv2Reference(const std::string& reference) {
  if (reference.empty()) return false;
  if (EndsWith(reference, ".lv2") || EndsWith(reference, ".lv2/")) return true;
  // Any other folder is a bundle only when it has the file every bundle has.
  struct stat st;
  if (stat(reference.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode) && stat((reference + "/manifest.ttl").c_str(), &st) == 0;
  return reference.find('/') == std::string::npos ? HasUriScheme(reference)
                                                  : HasUriScheme(reference) && reference.find("://") != std::string::npos;
}

Lv2Plugin::Lv2Plugin() {
  mMap.handle = this;
  mMap.map = &Lv2Plugin::MapUri;
  mUnmap.handle = this;
  mUnmap.unmap = &Lv2Plugin::UnmapUrid;
}

Lv2Plugin::~Lv2Plugin() {
  FreeInstance();
  for (auto& entry : mNodes) lilv_node_free(entry.second);
  if (mWorld) lilv_world_free(mWorld);
}

void Lv2Plugin::FreeInstance() {
  if (!mInstance) return;
  if (mActive) SetProcessing(false);
  PluginCallScope scope("its cleanup", 0);
  lilv_instance_free(mInstance);
  mInstance = nullptr;
}

LV2_URID Lv2Plugin::MapUri(LV2_URID_Map_Handle handle, const char* uri) {
  Lv2Plugin* self = static_cast<Lv2Plugin*>(handle);
  if (!uri) return 0;
  auto found = self->mUrids.find(uri);
  if (found != self->mUrids.end()) return found->second;
  self->mUris.push_back(uri);
  const LV2_URID id = static_cast<LV2_URID>(self->mUris.size());
  self->mUrids.emplace(uri, id);
  return id;
}

const char* Lv2Plugin::UnmapUrid(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
  const Lv2Plugin* self = static_cast<const Lv2Plugin*>(handle);
  return urid >= 1 && urid <= self->mUris.size() ? self->mUris[urid - 1].c_str() : nullptr;
}

const LilvNode* Lv2Plugin::Node(const char* uri) {
  auto found = mNodes.find(uri);
  if (found != mNodes.end()) return found->second;
  LilvNode* node = lilv_new_uri(mWorld, uri);
  mNodes.emplace(uri, node);
  return node;
}

std::vector<std::string> Lv2Plugin::Strings(LilvNodes* nodes) const {
  std::vector<std::string> texts;
  if (!nodes) return texts;
  LILV_FOREACH(nodes, i, nodes) texts.push_back(NodeText(lilv_nodes_get(nodes, i)));
  lilv_nodes_free(nodes);
  std::sort(texts.begin(), texts.end());
  return texts;
}

bool Lv2Plugin::Load(const std::string& reference, std::string* error) {
  if (mWorld) {
    *error = "an LV2 plug-in is loaded already";
    return false;
  }
  mReference = reference;
  mWorld = lilv_world_new();
  if (!FindPlugin(reference, error)) return false;
  if (!lilv_plugin_verify(mPlugin)) {
    *error = "the LV2 plug-in " + Uri() + " has an incomplete description (lilv cannot verify it)";
    return false;
  }
  return CheckFeatures(error) && ReadPorts(error);
}

bool Lv2Plugin::FindPlugin(const std::string& reference, std::string* error) {
  const bool isUri = !IsFolder(reference) && !EndsWith(reference, ".lv2") && !EndsWith(reference, ".lv2/");
  if (isUri) {
    // Every installed bundle, as hosts see them ($LV2_PATH or the usual places).
    lilv_world_load_all(mWorld);
    mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), Node(reference.c_str()));
    if (!mPlugin) {
      *error = "no LV2 plug-in with the URI " + reference + " is installed (looked in " +
               Joined(PluginSearchFolders("LV2_PATH", "lv2"), ", ") + "; lv2ls lists the installed ones)";
      return false;
    }
    return true;
  }

  // A bundle on its own, with the core and units descriptions it refers to but
  // without the installed plug-ins, so that an installed copy of the same plug-in
  // cannot stand in for the one named.
  struct stat st;
  if (stat(reference.c_str(), &st) != 0) {
    *error = "cannot load LV2 bundle " + reference + ": " + strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *error = "cannot load LV2 bundle " + reference + ": it is not a folder";
    return false;
  }
  struct stat manifest;
  if (stat((reference + "/manifest.ttl").c_str(), &manifest) != 0) {
    *error = "cannot load LV2 bundle " + reference + ": it has no manifest.ttl, so it is not an LV2 bundle";
    return false;
  }
  for (const char* described : {"core.lv2", "units.lv2"}) {
    for (const std::string& folder : PluginSearchFolders("LV2_PATH", "lv2")) {
      const std::string path = folder + "/" + described + "/";
      if (!IsFolder(path)) continue;
      LilvNode* uri = lilv_new_file_uri(mWorld, nullptr, path.c_str());
      lilv_world_load_bundle(mWorld, uri);
      lilv_node_free(uri);
      break;
    }
  }
  char* absolute = realpath(reference.c_str(), nullptr);
  const std::string folder = std::string(absolute ? absolute : reference.c_str()) + "/";
  free(absolute);
  LilvNode* bundle = lilv_new_file_uri(mWorld, nullptr, folder.c_str());
  lilv_world_load_bundle(mWorld, bundle);
  lilv_world_load_specifications(mWorld);
  lilv_world_load_plugin_classes(mWorld);
  std::vector<const LilvPlugin*> found;
  const LilvPlugins* all = lilv_world_get_all_plugins(mWorld);
  LILV_FOREACH(plugins, i, all) {
    const LilvPlugin* p = lilv_plugins_get(all, i);
    if (lilv_node_equals(lilv_plugin_get_bundle_uri(p), bundle)) found.push_back(p);
  }
  lilv_node_free(bundle);
  if (found.size() == 1) {
    mPlugin = found.front();
    return true;
  }
  if (found.empty()) {
    *error = "the LV2 bundle " + reference + " describes no plug-in";
    return false;
  }
  std::vector<std::string> uris;
  for (const LilvPlugin* p : found) uris.push_back(NodeText(lilv_plugin_get_uri(p)));
  std::sort(uris.begin(), uris.end());
  constexpr size_t kNamed = 4;
  if (uris.size() > kNamed) {
    const size_t more = uris.size() - kNamed;
    uris.resize(kNamed);
    uris.push_back("and " + std::to_string(more) + " more: lv2ls lists them");
  }
  *error = "the LV2 bundle " + reference + " holds " + std::to_string(found.size()) +
           " plug-ins; name one by its URI instead (" + Joined(uris, ", ") + ")";
  return false;
}

bool Lv2Plugin::CheckFeatures(std::string* error) const {
  std::vector<std::string> missing;
  for (const std::string& feature : RequiredFeatures()) {
    bool known = false;
    for (const char* supported : kSupportedFeatures) known = known || feature == supported;
    if (!known) missing.push_back(feature);
  }
  if (missing.empty()) return true;
  *error = "the LV2 plug-in " + Uri() + " requires " + (missing.size() == 1 ? "a host feature" : "host features") +
           " toneglass-host does not offer: " + Joined(missing, ", ");
  return false;
}

bool Lv2Plugin::ReadPorts(std::string* error) {
  const LilvPlugin* p = mPlugin;
  const uint32_t count = lilv_plugin_get_num_ports(p);
  std::vector<float> minimum(count), maximum(count), fallback(count);
  lilv_plugin_get_port_ranges_float(p, minimum.data(), maximum.data(), fallback.data());
  const LilvNode* audio = Node(LV2_CORE__AudioPort);
  const LilvNode* control = Node(LV2_CORE__ControlPort);
  const LilvNode* cv = Node(LV2_CORE__CVPort);
  const LilvNode* atom = Node(LV2_ATOM__AtomPort);
  const LilvNode* input = Node(LV2_CORE__InputPort);
  const LilvNode* output = Node(LV2_CORE__OutputPort);
  const LilvNode* unitPredicate = Node(LV2_UNITS__unit);
  const LilvNode* unitSymbol = Node(LV2_UNITS__symbol);
  const LilvNode* designation = Node(LV2_CORE__designation);
  const LilvNode* latency = Node(LV2_CORE__latency);
  mPorts.clear();
  mValues.assign(count, 0.0f);
  for (uint32_t i = 0; i < count; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(p, i);
    Lv2Port info;
    info.index = i;
    info.symbol = NodeText(lilv_port_get_symbol(p, port));
    info.name = TakeText(lilv_port_get_name(p, port));
    info.input = lilv_port_is_a(p, port, input);
    const bool isOutput = lilv_port_is_a(p, port, output);
    info.optional = lilv_port_has_property(p, port, Node(LV2_CORE__connectionOptional));
    if (lilv_port_is_a(p, port, audio))
      info.kind = Lv2Port::Kind::kAudio;
    else if (lilv_port_is_a(p, port, control))
      info.kind = Lv2Port::Kind::kControl;
    else if (lilv_port_is_a(p, port, cv))
      info.kind = Lv2Port::Kind::kCv;
    else if (lilv_port_is_a(p, port, atom))
      info.kind = Lv2Port::Kind::kAtom;
    info.minimum = minimum[i];
    info.maximum = maximum[i];
    info.fallback = fallback[i];
    info.integer = lilv_port_has_property(p, port, Node(LV2_CORE__integer));
    info.toggled = lilv_port_has_property(p, port, Node(LV2_CORE__toggled));
    info.enumeration = lilv_port_has_property(p, port, Node(LV2_CORE__enumeration));
    info.logarithmic = lilv_port_has_property(p, port, Node(LV2_PORT_PROPS__logarithmic));
    LilvNode* designated = lilv_port_get(p, port, designation);
    info.reportsLatency = lilv_port_has_property(p, port, Node(LV2_CORE__reportsLatency)) ||
                          (designated && lilv_node_equals(designated, latency));
    lilv_node_free(designated);
    info.unit = UnitSymbol(mWorld, lilv_port_get(p, port, unitPredicate), unitSymbol);
    if (LilvScalePoints* points = lilv_port_get_scale_points(p, port)) {
      LILV_FOREACH(scale_points, s, points) {
        const LilvScalePoint* point = lilv_scale_points_get(points, s);
        info.scalePoints.emplace_back(lilv_node_as_float(lilv_scale_point_get_value(point)),
                                      NodeText(lilv_scale_point_get_label(point)));
      }
      lilv_scale_points_free(points);
      std::sort(info.scalePoints.begin(), info.scalePoints.end());
    }

    const std::string which = "port " + std::to_string(i) + " ('" + info.symbol + "')";
    if (info.input == isOutput && !info.optional) {
      *error = "the LV2 plug-in " + Uri() + " has a " + which + " that is neither an input nor an output";
      return false;
    }
    if ((info.kind == Lv2Port::Kind::kAtom || info.kind == Lv2Port::Kind::kOther) && !info.optional) {
      *error = "the LV2 plug-in " + Uri() + " needs its " + which + " connected, " +
               (info.kind == Lv2Port::Kind::kAtom ? "an atom port" : "a port of a kind") +
               " toneglass-host does not connect (it renders audio, CV and control ports; others must be "
               "lv2:connectionOptional)";
      return false;
    }
    if (info.kind == Lv2Port::Kind::kControl) {
      // No default: the lower bound, else 0; always within the bounds given.
      float value = std::isnan(info.fallback) ? (std::isnan(info.minimum) ? 0.0f : info.minimum) : info.fallback;
      if (!std::isnan(info.minimum) && value < info.minimum) value = info.minimum;
      if (!std::isnan(info.maximum) && value > info.maximum) value = info.maximum;
      mValues[i] = value;
    }
    if (info.kind == Lv2Port::Kind::kAudio) (info.input ? mAudioInputs : mAudioOutputs).push_back(i);
    mPorts.push_back(info);
  }
  return true;
}

std::string Lv2Plugin::Uri() const { return mPlugin ? NodeText(lilv_plugin_get_uri(mPlugin)) : ""; }
std::string Lv2Plugin::Name() const { return mPlugin ? TakeText(lilv_plugin_get_name(mPlugin)) : ""; }
std::string Lv2Plugin::Maker() const { return mPlugin ? TakeText(lilv_plugin_get_author_name(mPlugin)) : ""; }

std::string Lv2Plugin::ClassLabel() const {
  const LilvPluginClass* cls = mPlugin ? lilv_plugin_get_class(mPlugin) : nullptr;
  if (!cls) return "";
  const std::string label = NodeText(lilv_plugin_class_get_label(cls));
  const std::string uri = NodeText(lilv_plugin_class_get_uri(cls));
  return label.empty() ? uri : label + " (" + uri + ")";
}

std::string Lv2Plugin::BundlePath() const { return mPlugin ? FilePath(lilv_plugin_get_bundle_uri(mPlugin)) : ""; }
std::string Lv2Plugin::BinaryPath() const { return mPlugin ? FilePath(lilv_plugin_get_library_uri(mPlugin)) : ""; }

std::vector<std::string> Lv2Plugin::RequiredFeatures() const {
  return mPlugin ? Strings(lilv_plugin_get_required_features(mPlugin)) : std::vector<std::string>();
}

std::vector<std::string> Lv2Plugin::OptionalFeatures() const {
  return mPlugin ? Strings(lilv_plugin_get_optional_features(mPlugin)) : std::vector<std::string>();
}

std::vector<std::pair<std::string, std::string>> Lv2Plugin::Uis() const {
  std::vector<std::pair<std::string, std::string>> uis;
  if (!mPlugin) return uis;
  LilvUIs* all = lilv_plugin_get_uis(mPlugin);
  if (!all) return uis;
  LILV_FOREACH(uis, i, all) {
    const LilvUI* ui = lilv_uis_get(all, i);
    std::vector<std::string> classes;
    const LilvNodes* types = lilv_ui_get_classes(ui);
    LILV_FOREACH(nodes, t, types) classes.push_back(NodeText(lilv_nodes_get(types, t)));
    uis.emplace_back(NodeText(lilv_ui_get_uri(ui)), Joined(classes, ", "));
  }
  lilv_uis_free(all);
  return uis;
}

std::vector<Lv2Preset> Lv2Plugin::Presets() const {
  std::vector<Lv2Preset> presets;
  if (!mPlugin) return presets;
  LilvNode* presetClass = lilv_new_uri(mWorld, LV2_PRESETS__Preset);
  LilvNode* label = lilv_new_uri(mWorld, kRdfsLabel);
  LilvNodes* related = lilv_plugin_get_related(mPlugin, presetClass);
  if (related) {
    LILV_FOREACH(nodes, i, related) {
      const LilvNode* preset = lilv_nodes_get(related, i);
      lilv_world_load_resource(mWorld, preset);
      presets.push_back({NodeText(preset), TakeText(lilv_world_get(mWorld, preset, label, nullptr))});
    }
    lilv_nodes_free(related);
  }
  lilv_node_free(label);
  lilv_node_free(presetClass);
  std::sort(presets.begin(), presets.end(), [](const Lv2Preset& a, const Lv2Preset& b) { return a.uri < b.uri; });
  return presets;
}

bool Lv2Plugin::LoadPreset(const std::string& typed, std::string* error) {
  const std::vector<Lv2Preset> presets = Presets();
  const Lv2Preset* chosen = nullptr;
  for (int pass = 0; pass < 2 && !chosen; ++pass)
    for (const Lv2Preset& preset : presets) {
      const bool match = pass == 0 ? preset.uri == typed || preset.label == typed
                                   : strcasecmp(preset.label.c_str(), typed.c_str()) == 0;
      if (match) {
        chosen = &preset;
        break;
      }
    }
  if (!chosen) {
    std::vector<std::string> labels;
    for (const Lv2Preset& preset : presets) labels.push_back("'" + preset.label + "'");
    *error = "the LV2 plug-in " + Uri() + " has no preset '" + typed + "'" +
             (labels.empty() ? " (it has none)" : " (it has " + Joined(labels, ", ") + ")");
    return false;
  }
  LilvNode* node = lilv_new_uri(mWorld, chosen->uri.c_str());
  LilvState* state = lilv_state_new_from_world(mWorld, &mMap, node);
  lilv_node_free(node);
  if (!state) {
    *error = "the LV2 preset " + chosen->uri + " cannot be read";
    return false;
  }
  lilv_state_emit_port_values(state, &Lv2Plugin::SetPortFromState, this);
  lilv_state_free(state);
  return true;
}

void Lv2Plugin::SetPortFromState(const char* symbol, void* handle, const void* value, uint32_t size, uint32_t type) {
  Lv2Plugin* self = static_cast<Lv2Plugin*>(handle);
  double v = 0.0;
  if (type == MapUri(self, LV2_ATOM__Float) && size == sizeof(float))
    v = *static_cast<const float*>(value);
  else if (type == MapUri(self, LV2_ATOM__Double) && size == sizeof(double))
    v = *static_cast<const double*>(value);
  else if ((type == MapUri(self, LV2_ATOM__Int) || type == MapUri(self, LV2_ATOM__Bool)) && size == sizeof(int32_t))
    v = *static_cast<const int32_t*>(value);
  else if (type == MapUri(self, LV2_ATOM__Long) && size == sizeof(int64_t))
    v = static_cast<double>(*static_cast<const int64_t*>(value));
  else
    return;  // a value of a type no control port holds
  for (const Lv2Port& port : self->mPorts)
    if (port.symbol == symbol && port.input) self->SetControlValue(port.index, static_cast<float>(v));
}

float Lv2Plugin::ControlValue(uint32_t port) const {
  return port < mPorts.size() && mPorts[port].kind == Lv2Port::Kind::kControl ? mValues[port] : 0.0f;
}

void Lv2Plugin::SetControlValue(uint32_t port, float value) {
  if (port < mPorts.size() && mPorts[port].kind == Lv2Port::Kind::kControl) mValues[port] = value;
}

bool Lv2Plugin::Prepare(double sampleRate, int blockSize, Precision, bool* useDouble, std::string* error) {
  *useDouble = false;  // LV2 audio is single precision
  FreeInstance();
  if (!mPlugin) {
    *error = "no LV2 plug-in is loaded";
    return false;
  }
  mSampleRate = static_cast<float>(sampleRate);
  mMaxBlock = blockSize;
  mNominalBlock = blockSize;
  mMinBlock = 0;
  const LV2_URID intType = MapUri(this, LV2_ATOM__Int);
  const LV2_URID floatType = MapUri(this, LV2_ATOM__Float);
  mOptions[0] = {LV2_OPTIONS_INSTANCE, 0, MapUri(this, LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), intType,
                 &mMaxBlock};
  mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, MapUri(this, LV2_BUF_SIZE__minBlockLength), sizeof(int32_t), intType,
                 &mMinBlock};
  mOptions[2] = {LV2_OPTIONS_INSTANCE, 0, MapUri(this, LV2_BUF_SIZE__nominalBlockLength), sizeof(int32_t), intType,
                 &mNominalBlock};
  mOptions[3] = {LV2_OPTIONS_INSTANCE, 0, MapUri(this, "http://lv2plug.in/ns/ext/parameters#sampleRate"),
                 sizeof(float), floatType, &mSampleRate};
  mOptions[4] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
  const LV2_Feature mapFeature = {LV2_URID__map, &mMap};
  const LV2_Feature unmapFeature = {LV2_URID__unmap, &mUnmap};
  const LV2_Feature optionsFeature = {LV2_OPTIONS__options, mOptions};
  const LV2_Feature boundedFeature = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
  const LV2_Feature* features[] = {&mapFeature, &unmapFeature, &optionsFeature, &boundedFeature, nullptr};
  {
    PluginCallScope scope("its instantiate call", 0);
    mInstance = lilv_plugin_instantiate(mPlugin, sampleRate, features);
  }
  if (!mInstance) {
    *error = "the LV2 plug-in " + Uri() + " did not start (its instantiate call failed at " +
             std::to_string(static_cast<long long>(sampleRate)) + " Hz)";
    return false;
  }
  mCvBuffers.clear();
  for (const Lv2Port& port : mPorts) {
    switch (port.kind) {
      case Lv2Port::Kind::kControl:
        lilv_instance_connect_port(mInstance, port.index, &mValues[port.index]);
        break;
      case Lv2Port::Kind::kCv:
        // CV inputs rest at 0; CV outputs are heard by nobody.
        mCvBuffers.emplace_back(static_cast<size_t>(blockSize), 0.0f);
        lilv_instance_connect_port(mInstance, port.index, mCvBuffers.back().data());
        break;
      case Lv2Port::Kind::kAudio:
        break;  // connected to the engine's buffers with every block
      default:
        lilv_instance_connect_port(mInstance, port.index, nullptr);
        break;
    }
  }
  return true;
}

bool Lv2Plugin::CanProcess(std::string* error) const {
  if (mInstance) return true;
  *error = "the LV2 plug-in is not prepared";
  return false;
}

void Lv2Plugin::SetProcessing(bool on) {
  if (!mInstance || on == mActive) return;
  PluginCallScope scope(on ? "its activate call" : "its deactivate call", 0);
  if (on)
    lilv_instance_activate(mInstance);
  else
    lilv_instance_deactivate(mInstance);
  mActive = on;
}

void Lv2Plugin::Process(float* const* in, float* const* out, int frames, int64_t, int64_t block) {
  for (size_t i = 0; i < mAudioInputs.size(); ++i) lilv_instance_connect_port(mInstance, mAudioInputs[i], in[i]);
  for (size_t i = 0; i < mAudioOutputs.size(); ++i) lilv_instance_connect_port(mInstance, mAudioOutputs[i], out[i]);
  // CV inputs are silent again for every block, whatever the plug-in did to them.
  for (std::vector<float>& cv : mCvBuffers) std::fill(cv.begin(), cv.end(), 0.0f);
  PluginCallScope call("run", block);
  lilv_instance_run(mInstance, static_cast<uint32_t>(frames));
}

void Lv2Plugin::ProcessDouble(double* const*, double* const*, int, int64_t, int64_t) {
  // Prepare never chooses double precision for LV2.
}

}  // namespace vsthost
