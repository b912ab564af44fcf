// Where a render's input comes from: an audio file or the built-in test signal.
#ifndef TOOLS_VSTHOST_AUDIO_SOURCE_H_
#define TOOLS_VSTHOST_AUDIO_SOURCE_H_

#include <cstdint>
#include <string>

namespace vsthost {

class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual int Channels() const = 0;
  virtual double SampleRate() const = 0;
  // Total frames, as far as known in advance.
  virtual int64_t Frames() const = 0;
  // Reads up to `frames` interleaved frames; returns how many were read, 0 at the end,
  // -1 on a read error (the reason in *error).
  virtual int64_t Read(double* interleaved, int64_t frames, std::string* error) = 0;
  // What the summary calls the input.
  virtual std::string Describe() const = 0;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_AUDIO_SOURCE_H_
