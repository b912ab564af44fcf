#include "lv2_job.h"

#include <cmath>
#include <cstdio>

#include "lv2_param_assign.h"
#include "param_text.h"

namespace vsthost {

namespace {

const char* KindName(const Lv2Port& port) {
  switch (port.kind) {
    case Lv2Port::Kind::kAudio:
      return port.input ? "audio in" : "audio out";
    case Lv2Port::Kind::kControl:
      return port.input ? "control in" : "control out";
    case Lv2Port::Kind::kCv:
      return port.input ? "CV in" : "CV out";
    case Lv2Port::Kind::kAtom:
      return port.input ? "atom in" : "atom out";
    default:
      return "other";
  }
}

std::string Bound(float v) { return std::isnan(v) ? "?" : FormatNumber(v); }

// "-60 to 6 dB, default 0 [integer]; 0 = Samples, 1 = Distance"
std::string ControlDetails(const Lv2Port& port) {
  const std::string unit = port.unit.empty() ? "" : " " + port.unit;
  std::string text = Bound(port.minimum) + " to " + Bound(port.maximum) + unit;
  if (port.input) text += ", default " + Bound(port.fallback);
  std::string properties;
  if (port.integer) properties += " integer";
  if (port.toggled) properties += " toggled";
  if (port.enumeration) properties += " enumeration";
  if (port.logarithmic) properties += " logarithmic";
  if (port.reportsLatency) properties += " latency";
  if (!properties.empty()) text += " [" + properties.substr(1) + "]";
  for (size_t i = 0; i < port.scalePoints.size(); ++i)
    text += (i ? ", " : "; ") + FormatNumber(port.scalePoints[i].first) + " = " + port.scalePoints[i].second;
  return text;
}

void PrintList(const char* heading, const std::vector<std::string>& items) {
  printf("%-16s %s\n", heading, items.empty() ? "none" : items.front().c_str());
  for (size_t i = 1; i < items.size(); ++i) printf("%-16s %s\n", "", items[i].c_str());
}

std::string AudioPorts(const Lv2Plugin& plugin, bool input) {
  std::string text;
  int count = 0;
  for (const Lv2Port& port : plugin.Ports()) {
    if (port.kind != Lv2Port::Kind::kAudio || port.input != input) continue;
    text += (count++ ? ", " : "") + port.symbol;
  }
  return std::to_string(count) + (count ? " (" + text + ")" : "");
}

void PrintLv2Info(const Lv2Plugin& plugin) {
  printf("plug-in          %s\n", plugin.Reference().c_str());
  printf("format           LV2\n");
  printf("name             %s\n", plugin.Name().c_str());
  printf("URI              %s\n", plugin.Uri().c_str());
  printf("maker            %s\n", plugin.Maker().c_str());
  printf("class            %s\n", plugin.ClassLabel().c_str());
  printf("bundle           %s\n", plugin.BundlePath().c_str());
  printf("binary           %s\n", plugin.BinaryPath().c_str());
  PrintList("required", plugin.RequiredFeatures());
  PrintList("optional", plugin.OptionalFeatures());
  printf("inputs           %s\n", AudioPorts(plugin, true).c_str());
  printf("outputs          %s\n", AudioPorts(plugin, false).c_str());
  std::string latency = "none reported";
  for (const Lv2Port& port : plugin.Ports())
    if (port.reportsLatency && !port.input) latency = "reported on port " + std::to_string(port.index) + " ('" + port.symbol + "')";
  printf("latency          %s\n", latency.c_str());

  printf("ports            %zu\n", plugin.Ports().size());
  printf("  %-4s %-16s %-24s %-12s %-10s %s\n", "#", "symbol", "name", "kind", "value", "range");
  for (const Lv2Port& port : plugin.Ports()) {
    const bool control = port.kind == Lv2Port::Kind::kControl;
    std::string kind = KindName(port);
    if (port.optional) kind += "?";  // may stay unconnected
    printf("  %-4u %-16s %-24s %-12s %-10s %s\n", port.index, port.symbol.c_str(), port.name.c_str(), kind.c_str(),
           control && port.input ? FormatNumber(plugin.ControlValue(port.index)).c_str() : "",
           control ? ControlDetails(port).c_str() : "");
  }

  const std::vector<Lv2Preset> presets = plugin.Presets();
  printf("presets          %zu\n", presets.size());
  for (const Lv2Preset& preset : presets) printf("  \"%s\" <%s>\n", preset.label.c_str(), preset.uri.c_str());
  std::vector<std::string> uis;
  for (const auto& ui : plugin.Uis()) uis.push_back(ui.first + " (" + ui.second + ")");
  PrintList("UIs", uis);
}

}  // namespace

bool CheckLv2Options(const Options& options, std::string* error) {
  if (!options.editorPngPath.empty()) {
    *error = "--editor-png draws the editor of VST 2 plug-ins only; " + options.pluginPath + " is an LV2 plug-in";
    return false;
  }
  if (!options.savePresetPath.empty()) {
    *error = "--save-preset writes VST 2 preset files only; " + options.pluginPath +
             " is an LV2 plug-in (its host saves its ports)";
    return false;
  }
  return true;
}

bool ApplyLv2PresetOptions(Lv2Plugin& plugin, const Options& options, const std::vector<ParamAssignment>& assignments,
                           std::string* error) {
  if (!options.loadPresetPath.empty() && !plugin.LoadPreset(options.loadPresetPath, error)) return false;
  return ApplyLv2Assignments(plugin, assignments, error);
}

bool RunLv2Info(const Options& options, const std::string& reference, std::string* error) {
  if (!CheckLv2Options(options, error)) return false;
  Lv2Plugin plugin;
  if (!plugin.Load(reference, error) || !ApplyLv2PresetOptions(plugin, options, options.assignments, error))
    return false;
  PrintLv2Info(plugin);
  return true;
}

}  // namespace vsthost
