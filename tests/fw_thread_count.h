// The number of threads of this process, for tests that check that what starts a
// thread also ends it.
#pragma once

#include <dirent.h>

#include <thread>

// A sanitizer's runtime may start a helper thread of its own with the first thread a
// program makes: one thread is made and joined first, so that counts taken afterwards
// compare like with like.
inline int ThreadCount() {
  static const bool warmedUp = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)warmedUp;
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}
