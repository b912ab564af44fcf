#include "output_file.h"

#include <sys/stat.h>

#include <cstdio>

#include "interrupt.h"

namespace vsthost {

namespace {

std::string Prefix(const std::string& what, const std::string& path) {
  return "cannot write " + (what.empty() ? "" : what + " ") + path + ": ";
}

}  // namespace

bool OpenOutput(AtomicFile& file, const std::string& what, const std::string& path, bool force, int abortSlot,
                std::string* error) {
  if (!file.Open(path.c_str(), force)) {
    *error = Prefix(what, path) + file.Error();
    if (file.RefusedWriteProtected()) *error += " (--force replaces it)";
    return false;
  }
  SetFileToRemoveOnAbort(abortSlot, file.TempPath());
  return true;
}

bool CommitOutput(AtomicFile& file, const std::string& what, const std::string& path, int abortSlot,
                  std::string* error) {
  const bool ok = file.Commit();
  SetFileToRemoveOnAbort(abortSlot, nullptr);
  if (!ok) *error = Prefix(what, path) + file.Error();
  return ok;
}

bool WriteOutput(AtomicFile& file, const std::string& what, const std::string& path, int abortSlot,
                 const std::vector<unsigned char>& bytes, std::string* error) {
  FILE* fp = file.File();
  if (!fp || (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), fp) != bytes.size())) {
    file.Discard();
    SetFileToRemoveOnAbort(abortSlot, nullptr);
    *error = Prefix(what, path) + "the temporary file could not be written";
    return false;
  }
  return CommitOutput(file, what, path, abortSlot, error);
}

bool IsStandardOutput(const std::string& path) {
  if (path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1") return true;
  struct stat target, out;
  return stat(path.c_str(), &target) == 0 && fstat(1, &out) == 0 && target.st_dev == out.st_dev &&
         target.st_ino == out.st_ino;
}

bool IsStreamTarget(const std::string& path) {
  if (path == "/dev/stdout" || path == "/dev/stderr" || path.rfind("/dev/fd/", 0) == 0 ||
      path.rfind("/proc/self/fd/", 0) == 0)
    return true;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

}  // namespace vsthost
