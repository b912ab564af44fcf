// Writes the WAV output through the tool's one output writer (output_file.h): a failed
// or interrupted render never leaves a partial file that looks complete, and never
// harms what sits at the path.
#ifndef TOOLS_VSTHOST_SOUND_FILE_WRITER_H_
#define TOOLS_VSTHOST_SOUND_FILE_WRITER_H_

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "AtomicFile.h"
#include "options.h"

namespace vsthost {

class SoundFileWriter {
 public:
  SoundFileWriter() = default;
  ~SoundFileWriter() { Discard(); }
  SoundFileWriter(const SoundFileWriter&) = delete;
  SoundFileWriter& operator=(const SoundFileWriter&) = delete;

  // Checks the target and creates the temporary file, before anything is processed.
  // False with a one-line reason (folder missing or not writable, target a folder or
  // write-protected without force).
  bool Open(const std::string& path, bool force, std::string* error);

  // Starts the WAV data in the open file. False with a one-line reason (format not
  // possible for this rate and channel count).
  bool Start(int channels, int sampleRate, OutputFormat format, std::string* error);

  bool Write(const double* interleaved, int64_t frames, std::string* error);

  // Finishes the file and moves it into place.
  bool Commit(std::string* error);

  // Closes and deletes the temporary file; nothing if already committed.
  void Discard();

  // Whether the target is written as a stream (a device, FIFO, /dev/stdout).
  bool IsStream() const { return mFile.IsStream(); }

 private:
  AtomicFile mFile;
  SNDFILE* mSound = nullptr;
  std::string mPath;
  int64_t mBytesPerFrame = 0;
  int64_t mBytesWritten = 0;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_SOUND_FILE_WRITER_H_
