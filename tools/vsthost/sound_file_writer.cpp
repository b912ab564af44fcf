#include "sound_file_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "interrupt.h"
#include "output_file.h"

namespace vsthost {

namespace {

int SubFormat(OutputFormat format) {
  switch (format) {
    case OutputFormat::kPcm16:
      return SF_FORMAT_PCM_16;
    case OutputFormat::kPcm24:
      return SF_FORMAT_PCM_24;
    case OutputFormat::kFloat:
    default:
      return SF_FORMAT_FLOAT;
  }
}

int BytesPerSample(OutputFormat format) {
  switch (format) {
    case OutputFormat::kPcm16:
      return 2;
    case OutputFormat::kPcm24:
      return 3;
    case OutputFormat::kFloat:
    default:
      return 4;
  }
}

// What the 32-bit RIFF sizes leave for sample data after the headers.
constexpr int64_t kMaxWavDataBytes = 0xFFFFFFFFll - 1024;

}  // namespace

bool SoundFileWriter::Open(const std::string& path, bool force, std::string* error) {
  Discard();
  mPath = path;
  return OpenOutput(mFile, "", path, force, kAbortAudio, error);
}

bool SoundFileWriter::Start(int channels, int sampleRate, OutputFormat format, std::string* error) {
  FILE* fp = mFile.File();
  if (!fp || mSound) {
    *error = "internal error: output not open";
    return false;
  }
  SF_INFO info = {};
  info.channels = channels;
  info.samplerate = sampleRate;
  // Float samples go in the extensible header: readers of float WAV files expect the
  // extended fmt chunk, which the plain header lacks.
  info.format = (format == OutputFormat::kFloat ? SF_FORMAT_WAVEX : SF_FORMAT_WAV) | SubFormat(format);
  if (!sf_format_check(&info)) {
    *error = "cannot write " + mPath + ": a WAV file cannot hold " + std::to_string(channels) +
             " channels at " + std::to_string(sampleRate) + " Hz in this format";
    return false;
  }
  // The temporary file's descriptor stays the AtomicFile's to close.
  mSound = sf_open_fd(fileno(fp), SFM_WRITE, &info, SF_FALSE);
  if (!mSound) {
    *error = "cannot write " + mPath + ": " + sf_strerror(nullptr);
    return false;
  }
  // Integer formats clip out-of-range samples instead of wrapping them around.
  if (format != OutputFormat::kFloat) sf_command(mSound, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  // The float formats' PEAK chunk carries the time of writing: without it the same
  // render gives the same bytes.
  sf_command(mSound, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  mBytesPerFrame = static_cast<int64_t>(channels) * BytesPerSample(format);
  mBytesWritten = 0;
  return true;
}

bool SoundFileWriter::Write(const double* interleaved, int64_t frames, std::string* error) {
  if (!mSound) {
    *error = "internal error: output not open";
    return false;
  }
  if (frames <= 0) return true;
  // The RIFF sizes are 32-bit: past that the header would lie about the data.
  if (mBytesWritten + frames * mBytesPerFrame > kMaxWavDataBytes) {
    *error = "cannot write " + mPath + ": the result would exceed the 4 GiB that a WAV file can hold";
    return false;
  }
  mBytesWritten += frames * mBytesPerFrame;
  if (sf_writef_double(mSound, interleaved, frames) != frames) {
    *error = "cannot write " + mPath + ": " + sf_strerror(mSound);
    return false;
  }
  return true;
}

bool SoundFileWriter::Commit(std::string* error) {
  if (!mSound) {
    *error = "internal error: output not open";
    return false;
  }
  const int closeResult = sf_close(mSound);
  mSound = nullptr;
  if (closeResult != 0) {
    *error = "cannot write " + mPath + ": " + sf_error_number(closeResult);
    Discard();
    return false;
  }
  return CommitOutput(mFile, "", mPath, kAbortAudio, error);
}

void SoundFileWriter::Discard() {
  if (mSound) {
    sf_close(mSound);
    mSound = nullptr;
  }
  mFile.Discard();
  SetFileToRemoveOnAbort(kAbortAudio, nullptr);
}

}  // namespace vsthost
