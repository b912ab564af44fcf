// A private X server for tests: starts Xvfb on a display number it picks itself
// (-displayfd), points DISPLAY at it for this process, and stops it again. Tests skip
// when Xvfb is not installed; every other failure to start is a failure.
#ifndef TESTS_XVFB_SESSION_H_
#define TESTS_XVFB_SESSION_H_

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "host_process_counts.h"

extern char** environ;

class XvfbSession {
 public:
  ~XvfbSession() { Stop(); }

  // The full path of Xvfb on $PATH, "" when it is not installed.
  static std::string Find() {
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
      size_t end = dirs.find(':', start);
      if (end == std::string::npos) end = dirs.size();
      const std::string full = dirs.substr(start, end - start) + "/Xvfb";
      if (access(full.c_str(), X_OK) == 0) return full;
      start = end + 1;
    }
    return std::string();
  }

  // Starts the server (screen 1280 x 800, 24 bits) and sets DISPLAY. False with the
  // reason in *pWhy when it could not.
  bool Start(std::string* pWhy, const char* screen = "1280x800x24") {
    const std::string exe = Find();
    if (exe.empty()) {
      *pWhy = "Xvfb is not installed";
      return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
      *pWhy = "pipe failed";
      return false;
    }
    const std::string fdArg = std::to_string(fds[1]);
    const char* argv[] = {exe.c_str(), "-displayfd", fdArg.c_str(), "-screen", "0", screen,
                          "-nolisten", "tcp", "-ac", "-noreset", nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawn(&mPid, exe.c_str(), &fa, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      mPid = -1;
      *pWhy = "Xvfb could not be started";
      return false;
    }
    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&p, 1, 20000) > 0) {
      char buf[16];
      const ssize_t n = read(fds[0], buf, sizeof(buf));
      if (n <= 0) break;
      number.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) {
      *pWhy = "Xvfb did not report a display";
      Stop();
      return false;
    }
    number.erase(number.find('\n'));
    mName = ":" + number;
    setenv("DISPLAY", mName.c_str(), 1);
    return true;
  }

  // Ends the server (SIGTERM, waited for). Safe to call twice.
  void Stop() {
    if (mPid <= 0) return;
    kill(mPid, SIGTERM);
    int status;
    waitpid(mPid, &status, 0);
    mPid = -1;
  }

  const std::string& Name() const { return mName; }
  pid_t Pid() const { return mPid; }

 private:
  pid_t mPid = -1;
  std::string mName;
};

// Waits (up to 10 s) until another client holds the keyboard grab, as a modal menu
// does once it is up: then real keys reach it. False when no grab appeared.
inline bool WaitForKeyboardGrab(Display* d) {
  for (int i = 0; i < 1000; ++i) {
    const int r = XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (r == AlreadyGrabbed) return true;
    if (r == GrabSuccess) XUngrabKeyboard(d, CurrentTime);
    XSync(d, False);
    usleep(10000);
  }
  return false;
}

#endif  // TESTS_XVFB_SESSION_H_
