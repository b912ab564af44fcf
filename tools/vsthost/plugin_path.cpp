#include "plugin_path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// A file called `file` in `folder` or below it (a few levels: plug-in suites keep
// their files in a folder of their own). Empty when there is none.
std::string FindBelow(const std::string& folder, const std::string& file, int depth) {
  if (IsRegularFile(folder + "/" + file)) return folder + "/" + file;
  if (depth == 0) return "";
  DIR* dir = opendir(folder.c_str());
  if (!dir) return "";
  std::vector<std::string> subfolders;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    const std::string path = folder + "/" + name;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) subfolders.push_back(path);
  }
  closedir(dir);
  std::sort(subfolders.begin(), subfolders.end());  // the same answer on every machine
  for (const std::string& sub : subfolders) {
    const std::string found = FindBelow(sub, file, depth - 1);
    if (!found.empty()) return found;
  }
  return "";
}

}  // namespace

std::string ResolvePluginName(const std::string& name, std::string* searched) {
  if (name.find('/') != std::string::npos || IsRegularFile(name)) return name;
  const std::vector<std::string> folders = PluginSearchFolders("VST_PATH", "vst");
  const bool hasExtension = name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0;
  for (const std::string& folder : folders) {
    std::string found = FindBelow(folder, name, 2);
    if (found.empty() && !hasExtension) found = FindBelow(folder, name + ".so", 2);
    if (!found.empty()) return found;
  }
  if (searched) {
    searched->clear();
    for (const std::string& folder : folders) *searched += (searched->empty() ? "" : ", ") + folder;
  }
  return name;
}

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

std::vector<std::string> PluginSearchFolders(const char* envVar, const char* format) {
  std::vector<std::string> folders;
  if (const char* list = getenv(envVar)) {
    const std::string paths = list;
    size_t start = 0;
    while (start <= paths.size()) {
      const size_t colon = paths.find(':', start);
      const std::string folder = paths.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
      if (!folder.empty()) folders.push_back(folder);
      if (colon == std::string::npos) break;
      start = colon + 1;
    }
  }
  const char* home = getenv("HOME");
  if (home && *home) folders.push_back(std::string(home) + "/." + format);
  folders.push_back(std::string("/usr/local/lib/") + format);
  folders.push_back(std::string("/usr/lib/") + format);
  return folders;
}

}  // namespace vsthost
