#include <cstdio>

#include "commands.h"
#include "editor_picture.h"
#include "output_file.h"
#include "output_paths.h"
#include "param_assign.h"
#include "plugin.h"
#include "render_job.h"
#include "test_signal.h"

namespace vsthost {

namespace {

constexpr const char* kThresholdName = "Threshold";

// What the demo adapts to: a threshold to lower for the test tones, an editor to take a
// picture of. Loaded on its own so the render itself starts from a freshly opened
// instance.
struct PluginTraits {
  bool hasThreshold = false;
  bool drawsEditor = false;
};

PluginTraits ProbePlugin(const std::string& path) {
  PluginTraits traits;
  Plugin plugin;
  std::string ignored;
  if (!plugin.Load(path, &ignored)) return traits;
  traits.hasThreshold = FindParameter(plugin, kThresholdName) >= 0;
  traits.drawsEditor = EditorPicture::Supported(plugin);
  return traits;
}

}  // namespace

bool RunDemo(const Options& options, std::string* error) {
  TestSignalSource source;
  std::vector<ParamAssignment> assignments;
  const PluginTraits traits = ProbePlugin(PluginPathFor(options));
  // A loaded preset brings its own threshold.
  const bool lowersThreshold = options.loadPresetPath.empty() && traits.hasThreshold;
  Options demoOptions = options;
  // Beside a device or FIFO (/dev/null.png) there is no place for a picture.
  if (demoOptions.editorPngPath.empty() && traits.drawsEditor && !IsStreamTarget(options.outPath))
    demoOptions.editorPngPath = EditorPicturePathBeside(options.outPath);
  if (!CheckDistinctFiles(demoOptions, PluginPathFor(options), error)) return false;
  if (lowersThreshold) {
    ParamAssignment threshold;
    threshold.key = kThresholdName;
    char value[32];
    snprintf(value, sizeof(value), "%g", kDemoThresholdDb);
    threshold.value = value;
    assignments.push_back(threshold);
  }
  // The user's settings come after, so they can override the demo's.
  assignments.insert(assignments.end(), options.assignments.begin(), options.assignments.end());
  if (!RunRenderJob(demoOptions, source, assignments, error)) return false;
  // The tones and what they raise are known only for the demo's own settings: with
  // the user's settings the render may sound quite different, so nothing is promised.
  if (lowersThreshold && options.assignments.empty())
    fprintf(ReportStream(options),
        "listen to   %s: low tones gliding through 20-70 Hz, 1 to 13 dB over the %g dB "
        "threshold, raise blips from 440 Hz up to 880 Hz\n",
        options.outPath.c_str(), kDemoThresholdDb);
  return true;
}

}  // namespace vsthost
