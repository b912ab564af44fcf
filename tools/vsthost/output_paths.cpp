#include "output_paths.h"

#include "AtomicFile.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace vsthost {

namespace {

// What a path finally names: the device and inode of an existing file, else the
// absolute spelling of where it would be created (links followed, as the writer does).
std::string Identity(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0)
    return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  std::string p = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat ls;
    if (lstat(p.c_str(), &ls) != 0 || !S_ISLNK(ls.st_mode)) break;
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = readlink(p.c_str(), target.data(), target.size() - 1);
    if (n < 0) break;
    target[static_cast<size_t>(n)] = '\0';
    p = target[0] == '/' ? std::string(target.data()) : FolderOfPath(p) + "/" + target.data();
  }
  char* folder = realpath(FolderOfPath(p).c_str(), nullptr);
  if (!folder) return "path " + p;
  const std::string absolute = std::string(folder) + "/" + BaseNameOfPath(p);
  free(folder);
  return "path " + absolute;
}

struct NamedFile {
  std::string what;  // how the message names it
  std::string path;
};

}  // namespace

bool SameFile(const std::string& a, const std::string& b) { return Identity(a) == Identity(b); }

bool CheckDistinctFiles(const Options& options, const std::string& pluginPath, std::string* error) {
  std::vector<NamedFile> inputs, outputs;
  if (!options.inPath.empty()) inputs.push_back({"the input file", options.inPath});
  if (!options.loadPresetPath.empty()) inputs.push_back({"the --load-preset file", options.loadPresetPath});
  if (!pluginPath.empty()) inputs.push_back({"the plug-in file", pluginPath});
  if (!options.outPath.empty()) outputs.push_back({"OUT", options.outPath});
  if (!options.editorPngPath.empty()) outputs.push_back({"--editor-png", options.editorPngPath});
  if (!options.savePresetPath.empty()) outputs.push_back({"--save-preset", options.savePresetPath});
  for (size_t o = 0; o < outputs.size(); ++o) {
    const NamedFile& out = outputs[o];
    for (const NamedFile& in : inputs) {
      if (!SameFile(out.path, in.path)) continue;
      *error = out.what + " '" + out.path + "' is " + in.what + " itself; writing it would destroy " + in.what +
               " (choose another name)";
      return false;
    }
    for (size_t other = 0; other < o; ++other) {
      if (!SameFile(out.path, outputs[other].path)) continue;
      *error = outputs[other].what + " '" + outputs[other].path + "' and " + out.what + " '" + out.path +
               "' are the same file; one output would be lost (choose two names)";
      return false;
    }
  }
  return true;
}

}  // namespace vsthost
