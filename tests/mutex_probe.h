// Asks from another thread whether a mutex is free, for tests of who holds which lock.
#ifndef TESTS_MUTEX_PROBE_H_
#define TESTS_MUTEX_PROBE_H_

#include <atomic>
#include <chrono>
#include <functional>
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

// True when call, run on another thread while the caller holds the mutex, waits for the
// release: it has not finished after hold has passed, and finishes once the mutex is
// free. A call that does not take the mutex finishes well within hold and gives false.
inline bool CallWaitsForMutex(WDL_Mutex* mutex, const std::function<void()>& call,
                              std::chrono::milliseconds hold = std::chrono::milliseconds(150)) {
  std::atomic<bool> done{false};
  mutex->Enter();
  std::thread other([&] {
    call();
    done = true;
  });
  const auto until = std::chrono::steady_clock::now() + hold;
  while (!done && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const bool finishedWhileHeld = done;
  mutex->Leave();
  other.join();
  return !finishedWhileHeld && done;
}

#endif  // TESTS_MUTEX_PROBE_H_
