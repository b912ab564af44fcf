#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "ByteChunk.h"

FILE* AtomicFile::Open(const char* path) {
  Discard();
  if (!path || !*path) return nullptr;
  mTarget.Set(path);
  // A name no other writer picks: the process id and a per-process counter, created
  // exclusively so an existing file is never reused. The mode goes through the umask
  // like any newly created file.
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    mTempPath.SetFormatted(0, "%s.tmp-%d-%u", path, static_cast<int>(getpid()), counter++);
    const int fd = open(mTempPath.Get(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    mFile = fdopen(fd, "wb");
    if (!mFile) {
      close(fd);
      unlink(mTempPath.Get());
      break;
    }
    return mFile;
  }
  mTempPath.Set("");
  return nullptr;
}

bool AtomicFile::Commit() {
  if (!mFile) return false;
  bool ok = fflush(mFile) == 0 && !ferror(mFile);
  ok = fsync(fileno(mFile)) == 0 && ok;
  ok = fclose(mFile) == 0 && ok;
  mFile = nullptr;
  ok = ok && rename(mTempPath.Get(), mTarget.Get()) == 0;
  if (!ok) unlink(mTempPath.Get());
  mTempPath.Set("");
  return ok;
}

void AtomicFile::Discard() {
  if (mFile) {
    fclose(mFile);
    mFile = nullptr;
  }
  if (mTempPath.GetLength() > 0) unlink(mTempPath.Get());
  mTempPath.Set("");
}

bool WriteFileAtomically(const char* path, const void* data, int n) {
  AtomicFile file;
  FILE* fp = file.Open(path);
  if (!fp) return false;
  if (n > 0 && fwrite(data, 1, static_cast<size_t>(n), fp) != static_cast<size_t>(n)) return false;
  return file.Commit();
}

bool ReadWholeFile(const char* path, int maxBytes, ByteChunk* out) {
  if (!path || !*path || !out) return false;
  FILE* fp = fopen(path, "rb");
  if (!fp) return false;
  struct stat st;
  bool ok = fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxBytes;
  if (ok) {
    // The size may change while reading; whatever is read, within the bound, counts.
    const int n = static_cast<int>(st.st_size);
    ok = out->Resize(n) == n;
    const size_t got = ok && n > 0 ? fread(out->GetBytes(), 1, static_cast<size_t>(n), fp) : 0;
    ok = ok && !ferror(fp);
    if (ok) out->Resize(static_cast<int>(got));
  }
  fclose(fp);
  return ok;
}
