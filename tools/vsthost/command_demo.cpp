#include <cstdio>

#include "commands.h"
#include "editor_picture.h"
#include "lv2_param_assign.h"
#include "lv2_plugin.h"
#include "output_file.h"
#include "output_paths.h"
#include "param_assign.h"
#include "plugin.h"
#include "render_job.h"
#include "test_signal.h"

namespace vsthost {

namespace {

constexpr const char* kThresholdName = "Threshold";
constexpr const char* kSelectionStartName = "Selection Start";
constexpr const char* kSelectionSizeName = "Selection Size";

// What the demo adapts to: a threshold to lower and a band to move onto the test tones,
// an editor to take a picture of. Loaded on its own so the render itself starts from a
// freshly opened instance.
struct PluginTraits {
  bool hasThreshold = false;
  bool hasSelection = false;
  bool drawsEditor = false;
};

PluginTraits ProbePlugin(const std::string& path) {
  PluginTraits traits;
  std::string ignored;
  if (IsLv2Reference(path)) {
    // Its description alone tells; the editor picture is for VST 2 plug-ins.
    Lv2Plugin lv2;
    if (!lv2.Load(path, &ignored)) return traits;
    traits.hasThreshold = FindLv2Control(lv2, kThresholdName) >= 0;
    traits.hasSelection = FindLv2Control(lv2, kSelectionStartName) >= 0 && FindLv2Control(lv2, kSelectionSizeName) >= 0;
    return traits;
  }
  Plugin plugin;
  if (!plugin.Load(path, &ignored)) return traits;
  traits.hasThreshold = FindParameter(plugin, kThresholdName) >= 0;
  traits.hasSelection =
      FindParameter(plugin, kSelectionStartName) >= 0 && FindParameter(plugin, kSelectionSizeName) >= 0;
  traits.drawsEditor = EditorPicture::Supported(plugin);
  return traits;
}

void Assign(std::vector<ParamAssignment>* assignments, const char* name, double value) {
  ParamAssignment a;
  a.key = name;
  char text[32];
  snprintf(text, sizeof(text), "%g", value);
  a.value = text;
  assignments->push_back(a);
}

}  // namespace

bool RunDemo(const Options& options, std::string* error) {
  TestSignalSource source;
  std::vector<ParamAssignment> assignments;
  const PluginTraits traits = ProbePlugin(PluginPathFor(options));
  // A loaded preset brings its own settings.
  const bool lowersThreshold = options.loadPresetPath.empty() && traits.hasThreshold;
  const bool movesBand = options.loadPresetPath.empty() && traits.hasSelection;
  Options demoOptions = options;
  // Beside a device or FIFO (/dev/null.png) there is no place for a picture.
  if (demoOptions.editorPngPath.empty() && traits.drawsEditor && !IsStreamTarget(options.outPath))
    demoOptions.editorPngPath = EditorPicturePathBeside(options.outPath);
  if (!CheckDistinctFiles(demoOptions, PluginPathFor(options), error)) return false;
  if (lowersThreshold) Assign(&assignments, kThresholdName, kDemoThresholdDb);
  if (movesBand) {
    Assign(&assignments, kSelectionStartName, kDemoSelectionStartHz);
    Assign(&assignments, kSelectionSizeName, kDemoSelectionSizeHz);
  }
  // The user's settings come after, so they can override the demo's.
  assignments.insert(assignments.end(), options.assignments.begin(), options.assignments.end());
  if (!RunRenderJob(demoOptions, source, assignments, error)) return false;
  // The tones and what they raise are known only for the demo's own settings: with
  // the user's settings the render may sound quite different, so nothing is promised.
  if (lowersThreshold && movesBand && options.assignments.empty())
    fprintf(ReportStream(options),
        "listen to   %s: tones gliding through %g-%g Hz, 1 to 13 dB over the %g dB "
        "threshold, raise blips from 440 Hz up to 880 Hz, panned by where the tone lies in the spectrum\n",
        options.outPath.c_str(), kDemoSelectionStartHz, kDemoSelectionStartHz + kDemoSelectionSizeHz,
        kDemoThresholdDb);
  return true;
}

}  // namespace vsthost
