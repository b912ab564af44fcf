// What the render engine needs of a plug-in, whatever its format: its channel counts,
// the setup before a render, processing on and off, and one call per block. The VST 2
// and LV2 hosts each implement it; everything format-specific stays behind it.
#ifndef TOOLS_VSTHOST_RENDER_PLUGIN_H_
#define TOOLS_VSTHOST_RENDER_PLUGIN_H_

#include <cstdint>
#include <string>

#include "options.h"

namespace vsthost {

class RenderPlugin {
 public:
  virtual ~RenderPlugin() = default;

  virtual int NumInputs() const = 0;
  virtual int NumOutputs() const = 0;

  // Rate, the longest block any call will get, and the precision asked for. Sets
  // *useDouble to whether double precision is used. False with a one-line reason.
  virtual bool Prepare(double sampleRate, int blockSize, Precision precision, bool* useDouble,
                       std::string* error) = 0;

  // Whether the plug-in can process at all (it has a processing call); else a reason.
  virtual bool CanProcess(std::string* error) const = 0;

  virtual void SetProcessing(bool on) = 0;

  // One block of `frames` frames (at most the prepared block size) starting at frame
  // `position` of the render; `block` counts blocks from 1 for error reports.
  virtual void Process(float* const* in, float* const* out, int frames, int64_t position, int64_t block) = 0;
  // Only called when Prepare chose double precision.
  virtual void ProcessDouble(double* const* in, double* const* out, int frames, int64_t position,
                             int64_t block) = 0;

  // True once when the plug-in has changed its channel counts since the last call.
  virtual bool ChannelsChanged() { return false; }
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_RENDER_PLUGIN_H_
