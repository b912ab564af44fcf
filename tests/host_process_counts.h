// What a process holds that an editor or an instance must give back: its threads and
// its open sockets (each X connection is one).
#ifndef TESTS_HOST_PROCESS_COUNTS_H_
#define TESTS_HOST_PROCESS_COUNTS_H_

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <thread>

// Threads of this process.
inline int CountThreads() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.' ? 1 : 0;
    closedir(d);
  }
  return n;
}

// The thread count before a test starts threads of its own. A runtime may start a helper
// thread with the process's first thread (ThreadSanitizer does): one is made and joined
// first, so the count includes it.
inline int BaselineThreads() {
  std::thread([] {}).join();
  return CountThreads();
}

// Open sockets of this process: each X connection is one.
inline int CountSockets() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      char link[256], path[300];
      snprintf(path, sizeof(path), "/proc/self/fd/%s", e->d_name);
      const ssize_t len = readlink(path, link, sizeof(link) - 1);
      if (len > 0) {
        link[len] = 0;
        n += strncmp(link, "socket:", 7) == 0 ? 1 : 0;
      }
    }
    closedir(d);
  }
  return n;
}

#endif  // TESTS_HOST_PROCESS_COUNTS_H_
