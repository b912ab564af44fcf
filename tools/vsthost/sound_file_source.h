// An audio file read through libsndfile: every format it reads, any channel count.
#ifndef TOOLS_VSTHOST_SOUND_FILE_SOURCE_H_
#define TOOLS_VSTHOST_SOUND_FILE_SOURCE_H_

#include <sndfile.h>

#include "audio_source.h"

namespace vsthost {

class SoundFileSource : public AudioSource {
 public:
  SoundFileSource() = default;
  ~SoundFileSource() override;
  SoundFileSource(const SoundFileSource&) = delete;
  SoundFileSource& operator=(const SoundFileSource&) = delete;

  // False with a one-line reason: missing, unreadable, a folder, not audio, no channels.
  bool Open(const std::string& path, std::string* error);

  int Channels() const override { return mInfo.channels; }
  double SampleRate() const override { return mInfo.samplerate; }
  int64_t Frames() const override { return mInfo.frames; }
  int64_t Read(double* interleaved, int64_t frames, std::string* error) override;
  std::string Describe() const override { return mPath; }

 private:
  SNDFILE* mFile = nullptr;
  SF_INFO mInfo = {};
  std::string mPath;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_SOUND_FILE_SOURCE_H_
