// The XDG folders every backend reports. See XdgFolders.h.
#include "XdgFolders.h"

#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string XdgHomeDir() {
  const char* h = getenv("HOME");
  if (h && *h) return h;
  passwd pw{};
  passwd* found = nullptr;
  char buf[1024];
  if (getpwuid_r(getuid(), &pw, buf, sizeof(buf), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return std::string();
}

std::string XdgParseUserDir(const std::string& text, const char* key, const std::string& home) {
  std::istringstream in(text);
  std::string line;
  const std::string k = std::string(key) + "=";
  while (std::getline(in, line)) {
    size_t p = line.find_first_not_of(" \t");
    if (p == std::string::npos || line[p] == '#' || line.compare(p, k.size(), k) != 0) continue;
    std::string v = line.substr(p + k.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.compare(0, 5, "$HOME") == 0) v = home + v.substr(5);
    while (v.size() > 1 && v.back() == '/') v.pop_back();
    return v;
  }
  return std::string();
}

std::string XdgDesktopDir() {
  const std::string home = XdgHomeDir();
  const char* cfg = getenv("XDG_CONFIG_HOME");
  const std::string file = (cfg && *cfg ? std::string(cfg) : home + "/.config") + "/user-dirs.dirs";
  std::ifstream f(file);
  if (f) {
    std::stringstream ss;
    ss << f.rdbuf();
    const std::string d = XdgParseUserDir(ss.str(), "XDG_DESKTOP_DIR", home);
    if (!d.empty()) return d;
  }
  return home + "/Desktop";
}

std::string XdgDataHomeDir() {
  const char* d = getenv("XDG_DATA_HOME");
  if (d && *d == '/') return d;  // relative values are invalid by the convention
  return XdgHomeDir() + "/.local/share";
}

namespace {

// The binary this code was linked into, found from an address inside it.
std::string ModuleBinaryPath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ModuleBinaryPath), &info) || !info.dli_fname) return std::string();
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

}  // namespace

void XdgHostPath(WDL_String* pPath) {
  if (!pPath) return;
  const std::string p = ModuleBinaryPath();
  if (!p.empty()) pPath->Set(p.c_str());
}

void XdgPluginPath(WDL_String* pPath) {
  if (!pPath) return;
  const std::string p = ModuleBinaryPath();
  const size_t slash = p.rfind('/');
  if (slash != std::string::npos) pPath->Set(p.substr(0, slash + 1).c_str());
}

void XdgDesktopPath(WDL_String* pPath) {
  if (pPath) pPath->Set(XdgDesktopDir().c_str());
}

void XdgAppSupportPath(WDL_String* pPath) {
  if (pPath) pPath->Set(XdgDataHomeDir().c_str());
}
