// The tool's outputs (the audio, the editor's picture, the saved preset) all go through
// the framework's AtomicFile: nothing at the path is touched before the output is
// complete, a device, FIFO or /dev/stdout is written as a stream, a replaced file keeps
// its mode and a symbolic link its place, and a write-protected file is refused unless
// the user says --force. These wrap it with the tool's messages.
#ifndef TOOLS_VSTHOST_OUTPUT_FILE_H_
#define TOOLS_VSTHOST_OUTPUT_FILE_H_

#include <string>
#include <vector>

#include "AtomicFile.h"

namespace vsthost {

// Opens `path` for `what` ("the output", "the editor picture", "preset"), registering
// its temporary file for removal on an abrupt end in `abortSlot`. False with
// "cannot write <what> PATH: reason".
bool OpenOutput(AtomicFile& file, const std::string& what, const std::string& path, bool force, int abortSlot,
                std::string* error);

// Moves the finished output into place. False with a one-line reason.
bool CommitOutput(AtomicFile& file, const std::string& what, const std::string& path, int abortSlot,
                  std::string* error);

// Writes the bytes into an open output and commits it.
bool WriteOutput(AtomicFile& file, const std::string& what, const std::string& path, int abortSlot,
                 const std::vector<unsigned char>& bytes, std::string* error);

// Whether a path is written as a stream rather than a file (a device, a FIFO, the
// process's own output), judged before anything is opened.
bool IsStreamTarget(const std::string& path);

// Whether a path leads to this process's standard output (the report then goes to
// stderr, so it does not end up in the audio).
bool IsStandardOutput(const std::string& path);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_OUTPUT_FILE_H_
