// A loaded VST 2 plug-in as the render engine drives it: the dispatcher requests for
// rate, block size and precision, the process calls, and the host context the plug-in
// asks about the transport while it renders.
#ifndef TOOLS_VSTHOST_VST_RENDER_PLUGIN_H_
#define TOOLS_VSTHOST_VST_RENDER_PLUGIN_H_

#include "host_callback.h"
#include "plugin.h"
#include "render_plugin.h"

namespace vsthost {

// Tells the plug-in the rate, block size and precision (effSetSampleRate,
// effSetBlockSize, effSetProcessPrecision). Returns whether double precision is used.
bool ConfigurePlugin(Plugin& plugin, HostContext& context, double sampleRate, int blockSize,
                     Precision precision);

class VstRenderPlugin : public RenderPlugin {
 public:
  VstRenderPlugin(Plugin& plugin, HostContext& context) : mPlugin(plugin), mContext(context) {}

  int NumInputs() const override { return mPlugin.NumInputs(); }
  int NumOutputs() const override { return mPlugin.NumOutputs(); }
  bool Prepare(double sampleRate, int blockSize, Precision precision, bool* useDouble,
               std::string* error) override;
  bool CanProcess(std::string* error) const override;
  void SetProcessing(bool on) override;
  void Process(float* const* in, float* const* out, int frames, int64_t position, int64_t block) override;
  void ProcessDouble(double* const* in, double* const* out, int frames, int64_t position, int64_t block) override;
  bool ChannelsChanged() override { return mContext.ioChanged.exchange(false); }

 private:
  Plugin& mPlugin;
  HostContext& mContext;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_VST_RENDER_PLUGIN_H_
