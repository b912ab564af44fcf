#include "vst_render_plugin.h"

#include "interrupt.h"

namespace vsthost {

bool ConfigurePlugin(Plugin& plugin, HostContext& context, double sampleRate, int blockSize,
                     Precision precision) {
  context.sampleRate.store(sampleRate);
  context.blockSize.store(blockSize);
  plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  plugin.Dispatch(effSetBlockSize, 0, blockSize);
  const bool useDouble = precision == Precision::kDouble && plugin.HasFlag(effFlagsCanDoubleReplacing) &&
                         plugin.Effect()->processDoubleReplacing != nullptr;
  plugin.Dispatch(effSetProcessPrecision, 0, useDouble ? kVstProcessPrecision64 : kVstProcessPrecision32);
  return useDouble;
}

bool VstRenderPlugin::Prepare(double sampleRate, int blockSize, Precision precision, bool* useDouble,
                              std::string*) {
  *useDouble = ConfigurePlugin(mPlugin, mContext, sampleRate, blockSize, precision);
  return true;
}

bool VstRenderPlugin::CanProcess(std::string* error) const {
  // Single precision goes through processReplacing; a plug-in from before VST 2.4 may
  // have only the accumulating process call, which adds into cleared outputs.
  const AEffect* effect = mPlugin.Effect();
  if (effect && (effect->processReplacing || effect->process)) return true;
  *error = "the plug-in has no processing call";
  return false;
}

void VstRenderPlugin::SetProcessing(bool on) {
  if (on) {
    mContext.processLevel.store(kVstProcessLevelOffline);
    mContext.ioChanged.store(false);
    mContext.samplePos.store(0);
    mPlugin.SetProcessing(true);
  } else {
    mPlugin.SetProcessing(false);
    mContext.processLevel.store(kVstProcessLevelUser);
  }
}

void VstRenderPlugin::Process(float* const* in, float* const* out, int frames, int64_t position, int64_t block) {
  AEffect* effect = mPlugin.Effect();
  mContext.samplePos.store(position);
  // The accumulating call adds into the outputs, which the engine hands over cleared.
  const bool replacing = effect->processReplacing != nullptr;
  PluginCallScope call(replacing ? "processReplacing" : "process", block);
  if (replacing)
    effect->processReplacing(effect, const_cast<float**>(in), const_cast<float**>(out), frames);
  else
    effect->process(effect, const_cast<float**>(in), const_cast<float**>(out), frames);
}

void VstRenderPlugin::ProcessDouble(double* const* in, double* const* out, int frames, int64_t position,
                                    int64_t block) {
  AEffect* effect = mPlugin.Effect();
  mContext.samplePos.store(position);
  PluginCallScope call("processDoubleReplacing", block);
  effect->processDoubleReplacing(effect, const_cast<double**>(in), const_cast<double**>(out), frames);
}

}  // namespace vsthost
