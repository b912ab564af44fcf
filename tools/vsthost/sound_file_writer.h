// Writes a WAV file under a temporary name in the target's folder and renames it over
// the target only once everything is written, so a failed or interrupted render never
// leaves a partial file that looks complete.
#ifndef TOOLS_VSTHOST_SOUND_FILE_WRITER_H_
#define TOOLS_VSTHOST_SOUND_FILE_WRITER_H_

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "options.h"

namespace vsthost {

class SoundFileWriter {
 public:
  SoundFileWriter() = default;
  ~SoundFileWriter() { Discard(); }
  SoundFileWriter(const SoundFileWriter&) = delete;
  SoundFileWriter& operator=(const SoundFileWriter&) = delete;

  // Creates the temporary file. False with a one-line reason (folder missing or not
  // writable, target is a folder, format not possible for this rate and channel count).
  bool Open(const std::string& path, int channels, int sampleRate, OutputFormat format, std::string* error);

  bool Write(const double* interleaved, int64_t frames, std::string* error);

  // Closes the file and renames it to the target.
  bool Commit(std::string* error);

  // Closes and deletes the temporary file; nothing if already committed.
  void Discard();

  const std::string& TempPath() const { return mTempPath; }

 private:
  SNDFILE* mFile = nullptr;
  std::string mPath;
  std::string mTempPath;
  int64_t mBytesPerFrame = 0;
  int64_t mBytesWritten = 0;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_SOUND_FILE_WRITER_H_
