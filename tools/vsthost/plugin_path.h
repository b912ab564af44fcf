// Where the tool looks for Toneglass.so when no --plugin is given.
#ifndef TOOLS_VSTHOST_PLUGIN_PATH_H_
#define TOOLS_VSTHOST_PLUGIN_PATH_H_

#include <string>
#include <vector>

namespace vsthost {

// The places tried, in order: the plug-in built beside this tool (when the build knew
// of it), the executable's own folder, ../lib/vst from there (an installed tool),
// ~/.vst, /usr/lib/vst.
std::vector<std::string> DefaultPluginCandidates();

// The first candidate that exists; when none does, the first one (so the error names it).
std::string DefaultPluginPath();

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_PLUGIN_PATH_H_
