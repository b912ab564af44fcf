#include "sound_file_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool SoundFileWriter::Open(const std::string& path, int channels, int sampleRate, OutputFormat format,
                           std::string* error) {
  Discard();
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    *error = "cannot write " + path + ": it is a directory";
    return false;
  }
  const std::string base = BaseNameOf(path);
  if (base.empty()) {
    *error = "cannot write " + path + ": no file name";
    return false;
  }
  SF_INFO info = {};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = SF_FORMAT_WAV | SubFormat(format);
  if (!sf_format_check(&info)) {
    *error = "cannot write " + path + ": a WAV file cannot hold " + std::to_string(channels) +
             " channels at " + std::to_string(sampleRate) + " Hz in this format";
    return false;
  }

  // Hidden, beside the target, so the final rename stays within one file system.
  std::string pattern = FolderOf(path) + "/." + base + ".partial-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    *error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  mTempPath = name.data();
  // mkstemp makes the file private; give the result the permissions of a new file.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);

  mFile = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (!mFile) {
    *error = "cannot write " + path + ": " + sf_strerror(nullptr);
    close(fd);
    unlink(mTempPath.c_str());
    mTempPath.clear();
    return false;
  }
  // Integer formats clip out-of-range samples instead of wrapping them around.
  if (format != OutputFormat::kFloat) sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  // The float formats' PEAK chunk carries the time of writing: without it the same
  // render gives the same bytes.
  sf_command(mFile, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  mPath = path;
  mBytesPerFrame = static_cast<int64_t>(channels) * BytesPerSample(format);
  mBytesWritten = 0;
  return true;
}

bool SoundFileWriter::Write(const double* interleaved, int64_t frames, std::string* error) {
  if (!mFile) {
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
  if (sf_writef_double(mFile, interleaved, frames) != frames) {
    *error = "cannot write " + mPath + ": " + sf_strerror(mFile);
    return false;
  }
  return true;
}

bool SoundFileWriter::Commit(std::string* error) {
  if (!mFile) {
    *error = "internal error: output not open";
    return false;
  }
  sf_write_sync(mFile);
  const int closeResult = sf_close(mFile);
  mFile = nullptr;
  if (closeResult != 0) {
    *error = "cannot write " + mPath + ": " + sf_error_number(closeResult);
    Discard();
    return false;
  }
  if (rename(mTempPath.c_str(), mPath.c_str()) != 0) {
    *error = "cannot write " + mPath + ": " + strerror(errno);
    Discard();
    return false;
  }
  mTempPath.clear();
  return true;
}

void SoundFileWriter::Discard() {
  if (mFile) {
    sf_close(mFile);
    mFile = nullptr;
  }
  if (!mTempPath.empty()) {
    unlink(mTempPath.c_str());
    mTempPath.clear();
  }
}

}  // namespace vsthost
