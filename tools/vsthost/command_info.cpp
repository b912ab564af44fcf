#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "host_callback.h"
#include "interrupt.h"
#include "lv2_job.h"
#include "lv2_plugin.h"
#include "output_file.h"
#include "output_paths.h"
#include "param_assign.h"
#include "plugin.h"
#include "preset_file.h"
#include "render_engine.h"
#include "render_job.h"
#include "vst_render_plugin.h"

namespace vsthost {

namespace {

constexpr double kInfoSampleRate = 44100.0;

const char* const kCapabilityQueries[] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "offline",
    "midiProgramNames",
    "bypass",
    "supportsGainReductionInfo",
    "hasCockosExtensions",
    "hasCockosViewAsConfig",
};

struct FlagName {
  VstInt32 flag;
  const char* name;
};

const FlagName kFlagNames[] = {
    {effFlagsHasEditor, "HasEditor"},
    {effFlagsHasClip, "HasClip"},
    {effFlagsHasVu, "HasVu"},
    {effFlagsCanMono, "CanMono"},
    {effFlagsCanReplacing, "CanReplacing"},
    {effFlagsProgramChunks, "ProgramChunks"},
    {effFlagsIsSynth, "IsSynth"},
    {effFlagsNoSoundInStop, "NoSoundInStop"},
    {effFlagsExtIsAsync, "ExtIsAsync"},
    {effFlagsExtHasBuffer, "ExtHasBuffer"},
    {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
};

const char* CategoryName(VstIntPtr category) {
  static const char* const kNames[] = {"unknown",     "effect",          "synth",       "analysis",
                                       "mastering",   "spacializer",     "room effect", "surround effect",
                                       "restoration", "offline process", "shell",       "generator"};
  if (category < 0 || category >= static_cast<VstIntPtr>(sizeof(kNames) / sizeof(kNames[0])))
    return "out of range";
  return kNames[category];
}

// Four printable characters as 'ABCD', anything else as a number only.
std::string FourCharCode(VstInt32 id) {
  char text[64];
  const unsigned u = static_cast<unsigned>(id);
  char c[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8),
               static_cast<char>(u)};
  bool printable = true;
  for (char ch : c) printable = printable && ch >= 0x20 && ch < 0x7f;
  if (printable)
    snprintf(text, sizeof(text), "'%c%c%c%c' (0x%08X)", c[0], c[1], c[2], c[3], u);
  else
    snprintf(text, sizeof(text), "0x%08X", u);
  return text;
}

std::string CanDoMeaning(VstIntPtr answer) {
  if (answer == 1) return "1 (yes)";
  if (answer == -1) return "-1 (no)";
  if (answer == 0) return "0 (does not know)";
  // The answer the vendor-extension queries expect from a plug-in that has them.
  if (static_cast<unsigned long long>(answer) == 0xBEEF0000ull) return "0xBEEF0000 (yes)";
  char text[64];
  snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(answer));
  return text;
}

std::string PinLabels(const Plugin& plugin, VstInt32 opcode, int count) {
  std::string labels;
  for (int i = 0; i < count; ++i) {
    // Room to spare: plug-ins copy their pin labels without a bound.
    union {
      VstPinProperties pin;
      char room[4096];
    } buffer;
    memset(&buffer, 0, sizeof(buffer));
    VstPinProperties& pin = buffer.pin;
    if (plugin.Query(opcode, i, 0, &pin) == 0) return "";
    pin.label[sizeof(pin.label) - 1] = '\0';
    if (!labels.empty()) labels += ", ";
    labels += pin.label[0] ? pin.label : "?";
    if (pin.flags & kVstPinIsStereo) labels += " [stereo]";
  }
  return labels;
}

void PrintInfo(Plugin& plugin) {
  AEffect* e = plugin.Effect();
  printf("plug-in          %s\n", plugin.Path().c_str());
  printf("effect name      %s\n", plugin.EffectName().c_str());
  printf("vendor           %s\n", plugin.VendorString().c_str());
  printf("product          %s\n", plugin.ProductString().c_str());
  const VstIntPtr vendorVersion = plugin.Query(effGetVendorVersion);
  printf("vendor version   %lld (0x%llX)\n", static_cast<long long>(vendorVersion),
         static_cast<unsigned long long>(vendorVersion));
  printf("unique ID        %s\n", FourCharCode(e->uniqueID).c_str());
  printf("effect version   %d (0x%X)\n", e->version, static_cast<unsigned>(e->version));
  printf("VST version      %lld\n", static_cast<long long>(plugin.Query(effGetVstVersion)));
  const VstIntPtr category = plugin.Query(effGetPlugCategory);
  printf("category         %s (%lld)\n", CategoryName(category), static_cast<long long>(category));
  printf("flags            0x%X", static_cast<unsigned>(e->flags));
  for (const FlagName& f : kFlagNames)
    if (e->flags & f.flag) printf(" %s", f.name);
  printf("\n");
  const std::string inputs = PinLabels(plugin, effGetInputProperties, e->numInputs);
  const std::string outputs = PinLabels(plugin, effGetOutputProperties, e->numOutputs);
  printf("inputs           %d%s%s%s\n", e->numInputs, inputs.empty() ? "" : " (", inputs.c_str(),
         inputs.empty() ? "" : ")");
  printf("outputs          %d%s%s%s\n", e->numOutputs, outputs.empty() ? "" : " (", outputs.c_str(),
         outputs.empty() ? "" : ")");
  printf("latency          %d samples\n", e->initialDelay);
  printf("tail size        %lld samples\n", static_cast<long long>(plugin.Query(effGetTailSize)));

  printf("parameters       %d\n", e->numParams);
  if (e->numParams > 0)
    printf("  %-4s %-24s %-12s %-8s %-10s %s\n", "#", "name", "display", "label", "normalised", "range");
  for (int i = 0; i < e->numParams; ++i) {
    const std::string display = plugin.ParamDisplay(i), label = plugin.ParamLabel(i);
    const double normalized = static_cast<double>(plugin.GetParameter(i));
    printf("  %-4d %-24s %-12s %-8s %-10.6f %s\n", i, plugin.ParamName(i).c_str(), display.c_str(), label.c_str(),
           normalized, ParamRange(plugin, i).c_str());
  }

  const VstIntPtr current = plugin.Query(effGetProgram);
  printf("programs         %d (current %lld: \"%s\")\n", e->numPrograms, static_cast<long long>(current),
         plugin.Text(effGetProgramName).c_str());
  for (int i = 0; i < e->numPrograms; ++i) printf("  %-4d \"%s\"\n", i, plugin.ProgramName(i).c_str());

  printf("capabilities     (effCanDo)\n");
  for (const char* query : kCapabilityQueries) {
    std::string text = query;
    printf("  %-26s %s\n", query, CanDoMeaning(plugin.Query(effCanDo, 0, 0, &text[0])).c_str());
  }
}

}  // namespace

bool RunInfo(const Options& options, std::string* error) {
  const std::string pluginPath = PluginPathFor(options);
  if (IsLv2Reference(pluginPath)) return RunLv2Info(options, pluginPath, error);
  if (!CheckDistinctFiles(options, pluginPath, error)) return false;
  InstallInterruptHandlers();
  AtomicFile preset;
  const bool savesPreset = !options.savePresetPath.empty();
  if (savesPreset && !OpenOutput(preset, "preset", options.savePresetPath, options.force, kAbortPreset, error))
    return false;
  HostContext context;
  SetHostContext(&context);
  Plugin plugin;
  bool ok = LoadPlugin(plugin, pluginPath, options.pluginPath.empty(), error);
  std::vector<unsigned char> presetBytes;
  if (ok) {
    ConfigurePlugin(plugin, context, kInfoSampleRate, options.blockSize, options.precision);
    ok = ApplyPresetOptions(plugin, options, options.assignments, error);
    if (ok && savesPreset) ok = MakePresetBytes(plugin, options.savePresetPath, &presetBytes, error);
  }
  if (ok) PrintInfo(plugin);
  plugin.Unload();
  SetHostContext(nullptr);
  if (ok && savesPreset) {
    ok = WriteOutput(preset, "preset", options.savePresetPath, kAbortPreset, presetBytes, error);
    if (ok) printf("preset           %s\n", options.savePresetPath.c_str());
  }
  return ok;
}

}  // namespace vsthost
