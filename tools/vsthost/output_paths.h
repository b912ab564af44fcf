// Every file a command writes must differ from every file it reads and from every
// other file it writes, under any name (the same path, another spelling, a symbolic
// link, a hard link): otherwise one output would destroy an input, or two outputs
// would land in one file and one be lost while the summary reports both.
#ifndef TOOLS_VSTHOST_OUTPUT_PATHS_H_
#define TOOLS_VSTHOST_OUTPUT_PATHS_H_

#include <string>

#include "options.h"

namespace vsthost {

// Checks the command's files (IN, --load-preset, the plug-in; OUT, --editor-png,
// --save-preset) before anything is read. False with a one-line reason.
bool CheckDistinctFiles(const Options& options, const std::string& pluginPath, std::string* error);

// Whether two paths name the same file, existing or still to be created.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_OUTPUT_PATHS_H_
