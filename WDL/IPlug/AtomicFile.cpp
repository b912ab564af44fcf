#include "AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ByteChunk.h"

namespace {

// The descriptor a path names without naming a file: /dev/stdout, /dev/stderr,
// /dev/fd/N, /proc/self/fd/N. Reopening those would start a redirected file afresh
// (or fail for a pipe); writing to the descriptor keeps what the shell set up.
int DescriptorNamedBy(const std::string& path) {
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    const size_t n = strlen(prefix);
    if (path.compare(0, n, prefix) != 0 || path.size() == n) continue;
    char* end = nullptr;
    const long fd = strtol(path.c_str() + n, &end, 10);
    if (*end == '\0' && fd >= 0 && fd < INT_MAX) return static_cast<int>(fd);
  }
  return -1;
}

// Follows symbolic links to the path that is finally written, also when the last
// link dangles (its target is then created). False for a loop.
bool ResolveLinks(const std::string& path, std::string* out) {
  std::string p = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *out = p;
      return true;
    }
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = readlink(p.c_str(), target.data(), target.size() - 1);
    if (n < 0) {
      *out = p;
      return true;
    }
    target[static_cast<size_t>(n)] = '\0';
    p = target[0] == '/' ? std::string(target.data()) : FolderOfPath(p) + "/" + target.data();
  }
  return false;
}

// Writes all n bytes, through short writes and interruptions.
bool WriteAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, data, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

bool AtomicFile::Fail(int err) {
  mError = err == EISDIR ? "it is a directory" : strerror(err);
  errno = err;
  return false;
}

bool AtomicFile::Fail(const char* reason) {
  mError = reason;
  return false;
}

FILE* AtomicFile::Open(const char* path, bool replaceWriteProtected) {
  Discard();
  mError.clear();
  mRefusedWriteProtected = false;
  mStreamFd = -1;
  if (!path || !*path) {
    Fail(ENOENT);
    return nullptr;
  }
  mStreamFd = DescriptorNamedBy(path);
  if (mStreamFd < 0 && !ResolveLinks(path, &mTarget)) {
    Fail(ELOOP);
    return nullptr;
  }
  if (mStreamFd >= 0) {
    mTarget = path;
    const int flags = fcntl(mStreamFd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
      Fail(flags < 0 ? EBADF : EACCES);
      return nullptr;
    }
    mKind = Kind::kStream;
  } else {
    struct stat st;
    if (stat(mTarget.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        Fail(errno);
        return nullptr;
      }
      mKind = Kind::kNew;
    } else if (S_ISDIR(st.st_mode)) {
      Fail(EISDIR);
      return nullptr;
    } else if (S_ISSOCK(st.st_mode)) {
      Fail("it is a socket");
      return nullptr;
    } else if (!S_ISREG(st.st_mode)) {
      if (access(mTarget.c_str(), W_OK) != 0) {
        Fail(errno);
        return nullptr;
      }
      mKind = Kind::kStream;
    } else {
      // Write-protected: this process may not write it, or nobody may (root may write
      // anything, so the missing bits are what tells).
      const bool mayWrite = access(mTarget.c_str(), W_OK) == 0;
      if (!mayWrite && errno == EROFS) {
        Fail(EROFS);
        return nullptr;
      }
      const bool writeProtected = !mayWrite || (st.st_mode & 0222) == 0;
      if (writeProtected && !replaceWriteProtected) {
        mRefusedWriteProtected = true;
        Fail("it is write-protected");
        return nullptr;
      }
      mKind = st.st_nlink > 1 && !writeProtected ? Kind::kCopyInto : Kind::kReplace;
      mMode = st.st_mode & 07777;
      mUid = st.st_uid;
      mGid = st.st_gid;
    }
  }

  // Beside the target, so the rename stays within one file system; a stream's bytes
  // wait in the temporary folder instead (beside a device there is /dev).
  std::string pattern;
  if (mKind == Kind::kStream) {
    const char* tmp = getenv("TMPDIR");
    pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/stream-output-XXXXXX";
  } else {
    const std::string base = BaseNameOfPath(mTarget);
    if (base.empty() || base == "." || base == "..") {
      Fail(EISDIR);
      return nullptr;
    }
    pattern = FolderOfPath(mTarget) + "/." + base + ".partial-XXXXXX";
  }
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return nullptr;
  }
  mTempPath = name.data();
  if (mKind == Kind::kNew) {
    // mkostemp makes the file private; give it the permissions of a new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  } else if (mKind == Kind::kReplace) {
    // The owner first: a change of owner clears the set-id bits the mode may restore.
    // Only root may give a file away; a member of the group may still keep the group.
    if (fchown(fd, mUid, mGid) != 0 && fchown(fd, static_cast<uid_t>(-1), mGid) != 0) {
      // The new file stays this process's own, as any file it writes.
    }
    fchmod(fd, mMode);
  }
  mFile = fdopen(fd, "wb");
  if (!mFile) {
    const int err = errno;
    close(fd);
    unlink(mTempPath.c_str());
    mTempPath.clear();
    Fail(err);
    return nullptr;
  }
  return mFile;
}

bool AtomicFile::CopyTempInto(int fd) {
  const int in = open(mTempPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail(errno);
  std::vector<char> buffer(1 << 16);
  bool ok = true;
  for (;;) {
    const ssize_t n = read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (n > 0 && !WriteAll(fd, buffer.data(), static_cast<size_t>(n)))) {
      ok = Fail(errno);
      break;
    }
    if (n == 0) break;
  }
  close(in);
  return ok;
}

bool AtomicFile::Commit() {
  if (!mFile) return Fail(EBADF);
  bool ok = fflush(mFile) == 0 && !ferror(mFile);
  if (!ok) Fail(errno ? errno : EIO);
  if (ok && mKind != Kind::kStream && fsync(fileno(mFile)) != 0) ok = Fail(errno);
  if (fclose(mFile) != 0 && ok) ok = Fail(errno);
  mFile = nullptr;
  if (ok) {
    switch (mKind) {
      case Kind::kNew:
      case Kind::kReplace:
        if (rename(mTempPath.c_str(), mTarget.c_str()) != 0) ok = Fail(errno);
        break;
      case Kind::kCopyInto: {
        const int fd = open(mTarget.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) {
          ok = Fail(errno);
          break;
        }
        ok = CopyTempInto(fd);
        if (ok && fsync(fd) != 0) ok = Fail(errno);
        if (close(fd) != 0 && ok) ok = Fail(errno);
        break;
      }
      case Kind::kStream: {
        // A FIFO's open waits for its reader, as for any writer.
        const int fd = mStreamFd >= 0 ? fcntl(mStreamFd, F_DUPFD_CLOEXEC, 0)
                                      : open(mTarget.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
          ok = Fail(errno);
          break;
        }
        ok = CopyTempInto(fd);
        if (close(fd) != 0 && ok) ok = Fail(errno);
        break;
      }
    }
  }
  if (ok) {
    if (mKind != Kind::kNew && mKind != Kind::kReplace) unlink(mTempPath.c_str());
    mError.clear();
  } else {
    unlink(mTempPath.c_str());
  }
  mTempPath.clear();
  return ok;
}

void AtomicFile::Discard() {
  if (mFile) {
    fclose(mFile);
    mFile = nullptr;
  }
  if (!mTempPath.empty()) unlink(mTempPath.c_str());
  mTempPath.clear();
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

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
