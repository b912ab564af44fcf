// AtomicFile: writes a file so that readers only ever see the old file or the whole
// new one, and never destroys what sits at the path in its place. The bytes always go
// to a temporary file first; nothing reaches the target before Commit, and on any
// failure the temporary file is removed and the target is left as it was.
//
// What Commit does depends on what the path names (symbolic links are followed, so a
// link's target is written and the link stays):
//  - nothing yet: the temporary file, beside the target, is renamed to it; it gets the
//    permissions of a newly created file.
//  - a regular file with one name: the same rename, with the old file's mode (and owner
//    and group, as far as this process may set them) given to the new one first.
//  - a regular file with several names (hard links): the finished bytes are copied into
//    the existing file, as cp does, so every name shows the new content. Only that copy
//    is not atomic.
//  - anything else (a character or block device, a FIFO, the process's own output as
//    /dev/stdout or /dev/fd/N): written in place as a stream once complete; the
//    temporary file then lives in $TMPDIR. A write error there is a failure. Sockets and
//    folders are refused.
// A regular file that is write-protected (no write permission for this process, or no
// write bit at all, which matters when running as root) is refused unless Open is
// told to replace it; it is then replaced by rename and keeps its mode.
#ifndef IPLUG_ATOMICFILE_H_
#define IPLUG_ATOMICFILE_H_

#include <cstdio>
#include <string>

#include "wdlstring.h"

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Discard(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Checks the target and creates the temporary file. Null on failure (an empty path,
  // a folder that does not exist or cannot be written, a write-protected file, a
  // folder or socket at the path); Error() then tells why.
  FILE* Open(const char* path, bool replaceWriteProtected = false);
  // Closes the temporary file and moves its bytes to the target. False when any write,
  // the flush, the rename or the copy failed; the temporary file is then gone.
  bool Commit();
  // Drops the temporary file, if any.
  void Discard();
  // The temporary file's stream between Open and Commit, else null.
  FILE* File() const { return mFile; }

  // Why the last Open or Commit failed, without the path ("it is a directory",
  // "No space left on device"); empty after success.
  const std::string& Error() const { return mError; }
  // Whether Open refused the target only because it is write-protected.
  bool RefusedWriteProtected() const { return mRefusedWriteProtected; }
  // Whether the target is written as a stream (device, FIFO, the process's output).
  bool IsStream() const { return mKind == Kind::kStream; }
  // The temporary file while one is open (to remove on an abrupt end), else "".
  const char* TempPath() const { return mTempPath.c_str(); }

 private:
  enum class Kind { kNew, kReplace, kCopyInto, kStream };
  bool Fail(int err);
  bool Fail(const char* reason);
  bool CopyTempInto(int fd);

  FILE* mFile = nullptr;
  Kind mKind = Kind::kNew;
  std::string mTarget;  // symbolic links resolved
  std::string mTempPath;
  int mStreamFd = -1;    // the process's own descriptor named by the path, or -1
  unsigned mMode = 0;    // kReplace: the replaced file's mode, owner and group
  unsigned mUid = 0, mGid = 0;
  std::string mError;
  bool mRefusedWriteProtected = false;
};

// The folder a path lies in ("." for a bare name, "/" for a name at the top) and its
// last component, as the writer splits them.
std::string FolderOfPath(const std::string& path);
std::string BaseNameOfPath(const std::string& path);

// Writes n bytes to path through an AtomicFile.
bool WriteFileAtomically(const char* path, const void* data, int n);

// Reads a whole regular file of at most maxBytes into *out (resized to fit). False for
// a missing, unreadable or larger file, or a folder.
bool ReadWholeFile(const char* path, int maxBytes, class ByteChunk* out);

#endif  // IPLUG_ATOMICFILE_H_
