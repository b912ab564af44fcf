// AtomicFile: writes a file so that readers only ever see the old file or the whole
// new one. The bytes go to a temporary file beside the target, which replaces the
// target by a rename once everything is written and flushed; on any failure the
// temporary file is removed and the target is left as it was.
#ifndef IPLUG_ATOMICFILE_H_
#define IPLUG_ATOMICFILE_H_

#include <cstdio>

#include "wdlstring.h"

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Discard(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file for path. Null on failure (an empty path, a folder
  // that does not exist or cannot be written).
  FILE* Open(const char* path);
  // Closes the temporary file and renames it over the target. False when any write,
  // the flush or the rename failed; the temporary file is then gone.
  bool Commit();
  // Drops the temporary file, if any.
  void Discard();

 private:
  FILE* mFile = nullptr;
  WDL_String mTarget;
  WDL_String mTempPath;
};

// Writes n bytes to path through an AtomicFile.
bool WriteFileAtomically(const char* path, const void* data, int n);

// Reads a whole regular file of at most maxBytes into *out (resized to fit). False for
// a missing, unreadable or larger file, or a folder.
bool ReadWholeFile(const char* path, int maxBytes, class ByteChunk* out);

#endif  // IPLUG_ATOMICFILE_H_
