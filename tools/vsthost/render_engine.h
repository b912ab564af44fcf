// Drives a prepared plug-in of any format through a whole render as a host does:
// processing on, one processing call per block, processing off.
#ifndef TOOLS_VSTHOST_RENDER_ENGINE_H_
#define TOOLS_VSTHOST_RENDER_ENGINE_H_

#include <cstdint>
#include <string>

#include "audio_source.h"
#include "level_meter.h"
#include "options.h"
#include "progress_bar.h"
#include "render_observer.h"
#include "render_plugin.h"
#include "sound_file_writer.h"

namespace vsthost {

struct RenderResult {
  int64_t frames = 0;
  double sampleRate = 0.0;
  int sourceChannels = 0;
  int pluginInputs = 0;
  int pluginOutputs = 0;
  int blockSize = 0;
  bool doublePrecision = false;
  bool precisionFellBack = false;  // double was asked for, the plug-in lacks it
  LevelMeter in;
  LevelMeter out;
  double wallSeconds = 0.0;
  bool integerOutput = false;  // pcm16 or pcm24: samples beyond full scale are clipped
};

// How a render treats its output.
struct RenderSettings {
  bool doublePrecision = false;
  int blockSize = kDefaultBlockSize;
  bool integerOutput = false;   // the output clips samples beyond full scale
  bool refuseClipping = false;  // --no-clip: such a sample fails the render
};

// Whether the plug-in can take a source with this many channels: a mono source feeds
// every input; otherwise the source may not have more channels than the plug-in has
// inputs (spare inputs get silence). False with a one-line reason.
bool CheckChannels(const RenderPlugin& plugin, int sourceChannels, std::string* error);

// Runs the whole source through the plug-in into the writer. Processing is switched on
// and off around it. False with a one-line reason; the writer is left to the caller.
// The observer, when given, hears of every block processed.
bool RenderAll(RenderPlugin& plugin, AudioSource& source, SoundFileWriter& writer,
               const RenderSettings& settings, ProgressBar* progress, RenderResult* result, std::string* error,
               RenderObserver* observer = nullptr);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_RENDER_ENGINE_H_
