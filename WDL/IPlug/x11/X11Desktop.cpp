#include "X11Desktop.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

std::string X11FindProgram(const char* name) {
  if (!name || !*name) return std::string();
  if (strchr(name, '/')) return access(name, X_OK) == 0 ? name : std::string();
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
    const std::string full = dir + "/" + name;
    struct stat st;
    if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(full.c_str(), X_OK) == 0)
      return full;
    start = end + 1;
  }
  return std::string();
}

int X11RunProgram(const std::vector<std::string>& argv, std::string* pOut) {
  if (argv.empty()) return -1;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid;
  const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return -1;
  }
  std::string out;
  char buf[512];
  for (;;) {
    const ssize_t n = read(fds[0], buf, sizeof(buf));
    if (n > 0) out.append(buf, static_cast<size_t>(n));
    else if (n < 0 && errno == EINTR) continue;
    else break;
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (pOut) *pOut = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool X11OpenURL(const char* url) {
  if (!url || !*url || X11FindProgram("xdg-open").empty()) return false;
  // The shell puts xdg-open in the background and ends at once, so nothing is left
  // for us to wait for.
  const std::vector<std::string> argv = {"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", url};
  return X11RunProgram(argv, nullptr) == 0;
}

std::string X11DialogProgram() {
  const char* force = getenv("TONEGLASS_DIALOGS");
  if (force && strcmp(force, "none") == 0) return std::string();
  if (!X11FindProgram("zenity").empty()) return "zenity";
  if (!X11FindProgram("kdialog").empty()) return "kdialog";
  return std::string();
}

namespace {

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace

int X11DialogMessage(const char* text, const char* caption, int type) {
  const std::string prog = X11DialogProgram();
  if (prog.empty()) return -1;
  const std::string t = text ? text : "", c = caption ? caption : "";
  std::vector<std::string> argv;
  if (prog == "zenity") {
    argv = {"zenity", "--title=" + c, "--text=" + t, "--no-markup"};
    if (type == 4) argv.insert(argv.begin() + 1, "--question");
    else if (type == 3) {
      argv.insert(argv.begin() + 1, "--question");
      argv.push_back("--extra-button=Cancel");
    } else if (type == 1) {
      argv.insert(argv.begin() + 1, "--question");
      argv.push_back("--ok-label=OK");
      argv.push_back("--cancel-label=Cancel");
    } else {
      argv.insert(argv.begin() + 1, "--info");
    }
  } else {
    const char* kind = type == 4 ? "--yesno" : type == 3 ? "--yesnocancel" : type == 1 ? "--warningcontinuecancel" : "--msgbox";
    argv = {"kdialog", "--title", c, kind, t};
  }
  std::string out;
  const int rc = X11RunProgram(argv, &out);
  if (rc < 0) return -1;
  if (rc == 0) return 1;
  if (type == 3 && (Trimmed(out) == "Cancel" || (prog == "kdialog" && rc == 2))) return 2;
  if (type == 4 || type == 3 || type == 1) return 7;
  return 0;
}

bool X11DialogFile(bool save, const std::string& startDir, const std::string& name,
                   const std::string& extensions, std::string* pChosen) {
  const std::string prog = X11DialogProgram();
  if (prog.empty() || !pChosen) return false;
  std::string start = startDir;
  if (!start.empty() && start.back() != '/') start += '/';
  start += name;
  std::vector<std::string> patterns;
  std::istringstream in(extensions);
  std::string ext;
  while (in >> ext) patterns.push_back("*." + ext);
  std::vector<std::string> argv;
  if (prog == "zenity") {
    argv = {"zenity", "--file-selection", "--filename=" + start};
    if (save) {
      argv.push_back("--save");
      argv.push_back("--confirm-overwrite");
    }
    if (!patterns.empty()) {
      std::string f = "--file-filter=";
      for (const std::string& p : patterns) f += p + " ";
      argv.push_back(f);
    }
  } else {
    std::string f;
    for (const std::string& p : patterns) f += p + " ";
    argv = {"kdialog", save ? "--getsavefilename" : "--getopenfilename", start.empty() ? "." : start};
    if (!f.empty()) argv.push_back(f);
  }
  std::string out;
  if (X11RunProgram(argv, &out) != 0) return false;
  out = Trimmed(out);
  if (out.empty()) return false;
  *pChosen = out;
  return true;
}

bool X11ParseColor(const std::string& s, int* r, int* g, int* b) {
  int cr, cg, cb;
  double a;
  unsigned int hex;
  if (sscanf(s.c_str(), "rgba(%d,%d,%d,%lf)", &cr, &cg, &cb, &a) == 4 ||
      sscanf(s.c_str(), "rgb(%d,%d,%d)", &cr, &cg, &cb) == 3) {
  } else if (s.size() == 7 && s[0] == '#' && sscanf(s.c_str() + 1, "%6x", &hex) == 1) {
    cr = static_cast<int>(hex >> 16);
    cg = static_cast<int>((hex >> 8) & 0xff);
    cb = static_cast<int>(hex & 0xff);
  } else {
    return false;
  }
  if (cr < 0 || cr > 255 || cg < 0 || cg > 255 || cb < 0 || cb > 255) return false;
  *r = cr;
  *g = cg;
  *b = cb;
  return true;
}

bool X11DialogColor(int* r, int* g, int* b) {
  const std::string prog = X11DialogProgram();
  if (prog.empty() || !r || !g || !b) return false;
  char cur[32];
  std::vector<std::string> argv;
  if (prog == "zenity") {
    snprintf(cur, sizeof(cur), "rgb(%d,%d,%d)", *r, *g, *b);
    argv = {"zenity", "--color-selection", "--title=Select Color", std::string("--color=") + cur};
  } else {
    snprintf(cur, sizeof(cur), "#%02x%02x%02x", *r & 0xff, *g & 0xff, *b & 0xff);
    argv = {"kdialog", "--getcolor", "--default", cur};
  }
  std::string out;
  if (X11RunProgram(argv, &out) != 0) return false;
  return X11ParseColor(Trimmed(out), r, g, b);
}
