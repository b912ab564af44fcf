#include "sound_file_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vsthost {

SoundFileSource::~SoundFileSource() {
  if (mFile) sf_close(mFile);
}

bool SoundFileSource::Open(const std::string& path, std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *error = "cannot read " + path + ": " + strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = "cannot read " + path + ": it is a directory";
    return false;
  }
  if (access(path.c_str(), R_OK) != 0) {
    *error = "cannot read " + path + ": " + strerror(errno);
    return false;
  }
  mInfo = SF_INFO();
  mFile = sf_open(path.c_str(), SFM_READ, &mInfo);
  if (!mFile) {
    *error = path + " is not an audio file that can be read (" + sf_strerror(nullptr) + ")";
    return false;
  }
  if (mInfo.channels < 1 || mInfo.samplerate < 1) {
    *error = path + " has no audio channels or no sample rate";
    sf_close(mFile);
    mFile = nullptr;
    return false;
  }
  mPath = path;
  return true;
}

int64_t SoundFileSource::Read(double* interleaved, int64_t frames, std::string* error) {
  if (!mFile || frames <= 0) return 0;
  const sf_count_t got = sf_readf_double(mFile, interleaved, frames);
  if (got < 0 || (got < frames && sf_error(mFile) != SF_ERR_NO_ERROR)) {
    *error = "read error in " + mPath + ": " + sf_strerror(mFile);
    return -1;
  }
  return got;
}

}  // namespace vsthost
