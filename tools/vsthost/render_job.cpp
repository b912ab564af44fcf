#include "render_job.h"

#include <cmath>
#include <cstdio>

#include "editor_picture.h"
#include "host_callback.h"
#include "interrupt.h"
#include "param_assign.h"
#include "plugin.h"
#include "preset_file.h"
#include "plugin_path.h"
#include "progress_bar.h"
#include "render_engine.h"
#include "sound_file_writer.h"
#include "summary.h"

namespace vsthost {

std::string PluginPathFor(const Options& options) {
  return options.pluginPath.empty() ? DefaultPluginPath() : options.pluginPath;
}

bool LoadPlugin(Plugin& plugin, const std::string& path, bool isDefault, std::string* error) {
  if (plugin.Load(path, error)) return true;
  if (isDefault) *error += " (build the Toneglass target, or name a plug-in with --plugin PATH)";
  return false;
}

bool RunRenderJob(const Options& options, AudioSource& source,
                  const std::vector<ParamAssignment>& assignments, std::string* error) {
  const double sampleRate = source.SampleRate();
  if (!(sampleRate >= 1.0) || sampleRate != std::floor(sampleRate)) {
    *error = "the input's sample rate is not a whole number of hertz";
    return false;
  }
  // From here on Ctrl-C ends the job cleanly instead of killing it mid-write.
  InstallInterruptHandlers();
  HostContext context;
  SetHostContext(&context);
  context.sampleRate.store(sampleRate);
  context.blockSize.store(options.blockSize);

  Plugin plugin;
  const std::string pluginPath = PluginPathFor(options);
  bool ok = LoadPlugin(plugin, pluginPath, options.pluginPath.empty(), error) &&
            CheckChannels(plugin, source.Channels(), error);
  bool useDouble = false;
  if (ok) {
    useDouble = ConfigurePlugin(plugin, context, sampleRate, options.blockSize, options.precision);
    ok = ApplyPresetOptions(plugin, options, assignments, error);
  }
  EditorPicture picture;
  const bool wantsPicture = !options.editorPngPath.empty();
  if (ok && wantsPicture) ok = picture.Begin(&plugin, sampleRate, error);
  SoundFileWriter writer;
  RenderResult result;
  if (ok)
    ok = writer.Open(options.outPath, plugin.NumOutputs(), static_cast<int>(sampleRate), options.format,
                     error);
  if (ok) {
    SetFileToRemoveOnAbort(writer.TempPath().c_str());
    ProgressBar progress(source.Frames(), ProgressBar::StderrIsTerminal());
    ok = RenderAll(plugin, context, source, writer, useDouble, options.blockSize, &progress, &result, error,
                   wantsPicture ? &picture : nullptr);
    result.precisionFellBack = options.precision == Precision::kDouble && !useDouble;
  }
  if (ok && wantsPicture) ok = picture.Write(options.editorPngPath, error);
  SummaryInfo info;
  if (ok) {
    info.pluginName = plugin.EffectName();
    info.pluginPath = pluginPath;
  }
  plugin.Unload();
  SetHostContext(nullptr);
  if (ok) ok = writer.Commit(error);
  writer.Discard();
  SetFileToRemoveOnAbort(nullptr);
  if (!ok) return false;

  info.inputName = source.Describe();
  info.outputPath = options.outPath;
  info.format = options.format;
  PrintSummary(stdout, info, result);
  printf("wrote       %s\n", options.outPath.c_str());
  if (wantsPicture) printf("editor      %s\n", options.editorPngPath.c_str());
  return true;
}

}  // namespace vsthost
