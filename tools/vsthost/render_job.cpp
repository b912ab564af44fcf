#include "render_job.h"

#include <cmath>
#include <cstdio>

#include "editor_picture.h"
#include "host_callback.h"
#include "interrupt.h"
#include "lv2_job.h"
#include "lv2_param_assign.h"
#include "lv2_plugin.h"
#include "output_file.h"
#include "param_assign.h"
#include "plugin.h"
#include "preset_file.h"
#include "plugin_path.h"
#include "progress_bar.h"
#include "render_engine.h"
#include "sound_file_writer.h"
#include "summary.h"
#include "vst_render_plugin.h"

namespace vsthost {

std::string PluginPathFor(const Options& options) {
  return options.pluginPath.empty() ? DefaultPluginPath() : ResolvePluginName(options.pluginPath);
}

bool LoadPlugin(Plugin& plugin, const std::string& path, bool isDefault, std::string* error) {
  if (plugin.Load(path, error)) return true;
  if (isDefault) {
    *error += " (build the Toneglass target, or name a plug-in with --plugin PATH)";
  } else if (path.find('/') == std::string::npos) {
    std::string searched;
    ResolvePluginName(path, &searched);
    *error += " (looked for it in " + searched + ")";
  }
  return false;
}

namespace {

// Every output the job writes, opened (checked, and its temporary file made) before
// anything is processed, so a bad folder or a write-protected file is known at once.
struct JobOutputs {
  ~JobOutputs() {
    SetFileToRemoveOnAbort(kAbortPicture, nullptr);
    SetFileToRemoveOnAbort(kAbortPreset, nullptr);
  }
  SoundFileWriter audio;
  AtomicFile picture;
  AtomicFile preset;
};

bool OpenOutputs(const Options& options, JobOutputs* outputs, std::string* error) {
  if (!outputs->audio.Open(options.outPath, options.force, error)) return false;
  if (!options.editorPngPath.empty() &&
      !OpenOutput(outputs->picture, "the editor picture", options.editorPngPath, options.force, kAbortPicture, error))
    return false;
  if (!options.savePresetPath.empty() &&
      !OpenOutput(outputs->preset, "preset", options.savePresetPath, options.force, kAbortPreset, error))
    return false;
  return true;
}

// Failures after the render: each is told; the last one becomes the command's error.
void Report(std::vector<std::string>* failures, const std::string& failure) { failures->push_back(failure); }

}  // namespace

FILE* ReportStream(const Options& options) {
  const bool outputOnStdout = IsStandardOutput(options.outPath) ||
                              (!options.editorPngPath.empty() && IsStandardOutput(options.editorPngPath)) ||
                              (!options.savePresetPath.empty() && IsStandardOutput(options.savePresetPath));
  return outputOnStdout ? stderr : stdout;
}

bool RunRenderJob(const Options& options, AudioSource& source, const std::vector<ParamAssignment>& assignments,
                  std::string* error) {
  const double sampleRate = source.SampleRate();
  if (!(sampleRate >= 1.0) || sampleRate != std::floor(sampleRate)) {
    *error = "the input's sample rate is not a whole number of hertz";
    return false;
  }
  const bool wantsPicture = !options.editorPngPath.empty();
  if (wantsPicture && sampleRate < kMinPictureSampleRate) {
    *error = "--editor-png needs a sample rate of at least " + std::to_string(static_cast<int>(kMinPictureSampleRate)) +
             " Hz (the input has " + std::to_string(static_cast<long long>(sampleRate)) + " Hz)";
    return false;
  }
  const std::string pluginPath = PluginPathFor(options);
  const bool isLv2 = IsLv2Reference(pluginPath);
  if (isLv2 && !CheckLv2Options(options, error)) return false;
  // From here on Ctrl-C ends the job cleanly instead of killing it mid-write.
  InstallInterruptHandlers();
  JobOutputs outputs;
  if (!OpenOutputs(options, &outputs, error)) return false;

  HostContext context;
  SetHostContext(&context);
  context.sampleRate.store(sampleRate);
  context.blockSize.store(options.blockSize);

  Plugin plugin;
  Lv2Plugin lv2;
  VstRenderPlugin vst(plugin, context);
  RenderPlugin& target = isLv2 ? static_cast<RenderPlugin&>(lv2) : vst;
  bool ok = (isLv2 ? lv2.Load(pluginPath, error) : LoadPlugin(plugin, pluginPath, options.pluginPath.empty(), error)) &&
            CheckChannels(target, source.Channels(), error);
  RenderSettings settings;
  settings.blockSize = options.blockSize;
  settings.integerOutput = options.format != OutputFormat::kFloat;
  settings.refuseClipping = options.noClip;
  std::vector<unsigned char> presetBytes;
  if (ok) ok = target.Prepare(sampleRate, options.blockSize, options.precision, &settings.doublePrecision, error);
  if (ok && isLv2) ok = ApplyLv2PresetOptions(lv2, options, assignments, error);
  if (ok && !isLv2) {
    ok = ApplyPresetOptions(plugin, options, assignments, error);
    // The preset holds the settings as they stand before the render; it is written
    // only once the render has succeeded.
    if (ok && !options.savePresetPath.empty()) ok = MakePresetBytes(plugin, options.savePresetPath, &presetBytes, error);
  }
  EditorPicture picture;
  if (ok && wantsPicture) ok = picture.Begin(&plugin, sampleRate, error);
  RenderResult result;
  if (ok) ok = outputs.audio.Start(target.NumOutputs(), static_cast<int>(sampleRate), options.format, error);
  if (ok) {
    ProgressBar progress(source.Frames(), ProgressBar::StderrIsTerminal());
    ok = RenderAll(target, source, outputs.audio, settings, &progress, &result, error,
                   wantsPicture ? &picture : nullptr);
    result.precisionFellBack = options.precision == Precision::kDouble && !settings.doublePrecision;
  }
  // From here the render has succeeded: no output is thrown away because another
  // one fails.
  std::vector<std::string> failures;
  std::vector<unsigned char> png;
  bool havePng = false;
  if (ok && wantsPicture) {
    std::string pictureError;
    havePng = picture.TakePng(&png, &pictureError);
    if (!havePng) Report(&failures, pictureError + "; " + options.editorPngPath + " was not written");
  }
  SummaryInfo info;
  if (ok) {
    info.pluginName = isLv2 ? lv2.Name() : plugin.EffectName();
    info.pluginPath = pluginPath;
  }
  plugin.Unload();
  lv2.Unload();
  SetHostContext(nullptr);
  if (!ok) return false;  // the outputs' temporary files go with them

  std::string failure;
  const bool wroteAudio = outputs.audio.Commit(&failure);
  if (!wroteAudio) Report(&failures, failure);
  bool wrotePicture = false;
  if (havePng) {
    wrotePicture = WriteOutput(outputs.picture, "the editor picture", options.editorPngPath, kAbortPicture, png, &failure);
    if (!wrotePicture) Report(&failures, failure);
  }
  outputs.picture.Discard();
  bool wrotePreset = false;
  if (!options.savePresetPath.empty()) {
    wrotePreset = WriteOutput(outputs.preset, "preset", options.savePresetPath, kAbortPreset, presetBytes, &failure);
    if (!wrotePreset) Report(&failures, failure);
  }

  FILE* report = ReportStream(options);
  if (wroteAudio) {
    info.inputName = source.Describe();
    info.outputPath = options.outPath;
    info.format = options.format;
    PrintSummary(report, info, result);
    fprintf(report, "wrote       %s\n", options.outPath.c_str());
  }
  if (wrotePicture) fprintf(report, "editor      %s\n", options.editorPngPath.c_str());
  if (wrotePreset) fprintf(report, "preset      %s\n", options.savePresetPath.c_str());
  if (failures.empty()) return true;
  fflush(stdout);
  for (size_t i = 0; i + 1 < failures.size(); ++i) fprintf(stderr, "toneglass-host: error: %s\n", failures[i].c_str());
  *error = failures.back();
  return false;
}

}  // namespace vsthost
