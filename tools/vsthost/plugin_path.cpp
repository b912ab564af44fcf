#include "plugin_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace vsthost {

namespace {

constexpr const char* kPluginFileName = "Toneglass.so";

std::string ExecutableFolder() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return "";
  std::string path(buffer, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::vector<std::string> DefaultPluginCandidates() {
  std::vector<std::string> candidates;
#ifdef TONEGLASS_BUILT_PLUGIN
  candidates.push_back(TONEGLASS_BUILT_PLUGIN);
#endif
  const std::string exeFolder = ExecutableFolder();
  if (!exeFolder.empty()) {
    candidates.push_back(exeFolder + "/" + kPluginFileName);
    // Installed: the tool in <prefix>/bin, the plug-in in <prefix>/lib/vst.
    candidates.push_back(exeFolder + "/../lib/vst/" + kPluginFileName);
  }
  const char* home = getenv("HOME");
  if (home && *home) candidates.push_back(std::string(home) + "/.vst/" + kPluginFileName);
  candidates.push_back(std::string("/usr/lib/vst/") + kPluginFileName);
  return candidates;
}

std::string DefaultPluginPath() {
  const std::vector<std::string> candidates = DefaultPluginCandidates();
  for (const std::string& path : candidates)
    if (IsRegularFile(path)) return path;
  return candidates.front();
}

}  // namespace vsthost
