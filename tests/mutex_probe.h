// Asks from another thread whether a mutex is free, for tests of who holds which lock.
#ifndef TESTS_MUTEX_PROBE_H_
#define TESTS_MUTEX_PROBE_H_

#include <thread>

#include "mutex.h"

// True when a thread other than the caller can take the mutex right now, that is,
// when nobody holds it (the caller included).
inline bool MutexIsFree(WDL_Mutex* mutex) {
  bool taken = false;
  std::thread other([&] {
    taken = mutex->TryEnter();
    if (taken) mutex->Leave();
  });
  other.join();
  return taken;
}

#endif  // TESTS_MUTEX_PROBE_H_
