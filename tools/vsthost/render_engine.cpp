#include "render_engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "interrupt.h"

namespace vsthost {

namespace {

// Per-channel buffers of one sample type and the pointer arrays the plug-in takes.
template <typename Sample>
struct ChannelBuffers {
  std::vector<std::vector<Sample>> channels;
  std::vector<Sample*> pointers;

  void Allocate(int count, int frames) {
    channels.assign(static_cast<size_t>(count), std::vector<Sample>(static_cast<size_t>(frames), 0));
    pointers.resize(static_cast<size_t>(count));
    for (int c = 0; c < count; ++c)
      pointers[static_cast<size_t>(c)] = channels[static_cast<size_t>(c)].data();
  }
  void Clear() {
    for (std::vector<Sample>& ch : channels) std::fill(ch.begin(), ch.end(), Sample(0));
  }
};

// Source channel that feeds plug-in input `input`, or -1 for silence.
int SourceChannelFor(int input, int sourceChannels) {
  if (sourceChannels == 1) return 0;
  return input < sourceChannels ? input : -1;
}

template <typename Sample>
void Deinterleave(const double* interleaved, int sourceChannels, int frames, ChannelBuffers<Sample>* in) {
  const int inputs = static_cast<int>(in->channels.size());
  for (int i = 0; i < inputs; ++i) {
    Sample* dst = in->pointers[static_cast<size_t>(i)];
    const int src = SourceChannelFor(i, sourceChannels);
    if (src < 0) {
      std::fill(dst, dst + frames, Sample(0));
      continue;
    }
    for (int f = 0; f < frames; ++f) dst[f] = static_cast<Sample>(interleaved[f * sourceChannels + src]);
  }
}

template <typename Sample>
void Interleave(const ChannelBuffers<Sample>& out, int frames, double* interleaved) {
  const int outputs = static_cast<int>(out.channels.size());
  for (int c = 0; c < outputs; ++c) {
    const Sample* src = out.pointers[static_cast<size_t>(c)];
    for (int f = 0; f < frames; ++f) interleaved[f * outputs + c] = static_cast<double>(src[f]);
  }
}

}  // namespace

bool CheckChannels(const RenderPlugin& plugin, int sourceChannels, std::string* error) {
  const int inputs = plugin.NumInputs();
  const int outputs = plugin.NumOutputs();
  if (inputs < 1) {
    *error = "the plug-in has no audio inputs, so it cannot process a file";
    return false;
  }
  if (outputs < 1) {
    *error = "the plug-in has no audio outputs";
    return false;
  }
  if (sourceChannels < 1 || (sourceChannels > 1 && sourceChannels > inputs)) {
    *error = "the input has " + std::to_string(sourceChannels) + " channels but the plug-in takes " +
             std::to_string(inputs) + (inputs == 1 ? " input" : " inputs");
    return false;
  }
  return true;
}

bool RenderAll(RenderPlugin& plugin, AudioSource& source, SoundFileWriter& writer,
               const RenderSettings& settings, ProgressBar* progress, RenderResult* result, std::string* error,
               RenderObserver* observer) {
  const bool doublePrecision = settings.doublePrecision;
  const int blockSize = settings.blockSize;
  const int sourceChannels = source.Channels();
  const int inputs = plugin.NumInputs();
  const int outputs = plugin.NumOutputs();
  result->sampleRate = source.SampleRate();
  result->sourceChannels = sourceChannels;
  result->pluginInputs = inputs;
  result->pluginOutputs = outputs;
  result->blockSize = blockSize;
  result->doublePrecision = doublePrecision;
  result->integerOutput = settings.integerOutput;

  std::vector<double> sourceBlock(static_cast<size_t>(blockSize) * static_cast<size_t>(sourceChannels));
  std::vector<double> outBlock(static_cast<size_t>(blockSize) * static_cast<size_t>(outputs));
  ChannelBuffers<double> inDouble, outDouble;
  ChannelBuffers<float> inFloat, outFloat;
  if (doublePrecision) {
    inDouble.Allocate(inputs, blockSize);
    outDouble.Allocate(outputs, blockSize);
  } else {
    inFloat.Allocate(inputs, blockSize);
    outFloat.Allocate(outputs, blockSize);
  }
  if (!plugin.CanProcess(error)) return false;

  plugin.SetProcessing(true);
  const auto start = std::chrono::steady_clock::now();
  bool ok = true;
  int64_t position = 0;
  int64_t block = 0;
  while (ok) {
    if (InterruptRequested()) {
      *error = "interrupted";
      ok = false;
      break;
    }
    const int64_t got = source.Read(sourceBlock.data(), blockSize, error);
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    const int frames = static_cast<int>(got);
    ++block;
    result->in.Add(sourceBlock.data(), got * sourceChannels);
    if (doublePrecision) {
      Deinterleave(sourceBlock.data(), sourceChannels, frames, &inDouble);
      outDouble.Clear();
      plugin.ProcessDouble(inDouble.pointers.data(), outDouble.pointers.data(), frames, position, block);
      Interleave(outDouble, frames, outBlock.data());
    } else {
      Deinterleave(sourceBlock.data(), sourceChannels, frames, &inFloat);
      outFloat.Clear();
      plugin.Process(inFloat.pointers.data(), outFloat.pointers.data(), frames, position, block);
      Interleave(outFloat, frames, outBlock.data());
    }
    const int64_t overBefore = result->out.OverFullScale();
    result->out.Add(outBlock.data(), got * outputs);
    if (settings.integerOutput && settings.refuseClipping && result->out.OverFullScale() > overBefore) {
      int64_t frame = 0;
      while (frame < got && std::all_of(outBlock.begin() + frame * outputs, outBlock.begin() + (frame + 1) * outputs,
                                        [](double v) { return !(std::fabs(v) > 1.0); }))
        ++frame;
      char text[256];
      snprintf(text, sizeof(text),
               "the output goes beyond full scale at %.3f s (frame %lld), which this integer format would "
               "clip (--no-clip); lower the level or use --format float",
               static_cast<double>(position + frame) / source.SampleRate(), static_cast<long long>(position + frame));
      *error = text;
      ok = false;
      break;
    }
    if (!writer.Write(outBlock.data(), got, error)) {
      ok = false;
      break;
    }
    position += got;
    if (observer) observer->AfterBlock(position);
    if (plugin.ChannelsChanged() &&
        (plugin.NumInputs() != inputs || plugin.NumOutputs() != outputs)) {
      *error = "the plug-in changed its channel count during the render";
      ok = false;
      break;
    }
    if (progress) progress->Update(position);
  }
  result->wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result->frames = position;
  plugin.SetProcessing(false);
  if (progress) progress->Finish();
  return ok;
}

}  // namespace vsthost
