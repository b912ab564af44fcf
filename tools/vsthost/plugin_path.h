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

// The plug-in --plugin names. A path with a slash is taken as it is, and so is a name
// that exists in the current folder; any other name ("3BandEQ-vst", with or without
// ".so") is looked for as hosts do, in every folder of $VST_PATH (colon-separated),
// ~/.vst, /usr/local/lib/vst and /usr/lib/vst, and their subfolders. When nothing is
// found the name comes back unchanged and *searched (when given) lists the folders.
std::string ResolvePluginName(const std::string& name, std::string* searched = nullptr);

// The folders hosts search for one plug-in format, in their order: each folder of the
// colon-separated $<envVar>, then ~/.<format>, /usr/local/lib/<format>, /usr/lib/<format>
// ("vst" with VST_PATH, "lv2" with LV2_PATH).
std::vector<std::string> PluginSearchFolders(const char* envVar, const char* format);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_PLUGIN_PATH_H_
