// WDL_Mutex: a recursive POSIX-threads mutex. The owning thread may Enter it again;
// it is released when every Enter has been matched by a Leave.
// WDL_MutexLock holds a mutex for the lifetime of a scope (null is allowed and ignored).
#ifndef WDL_MUTEX_H_
#define WDL_MUTEX_H_

#include <pthread.h>

class WDL_Mutex {
 public:
  WDL_Mutex() {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mMutex, &attr);
    pthread_mutexattr_destroy(&attr);
  }
  ~WDL_Mutex() { pthread_mutex_destroy(&mMutex); }
  WDL_Mutex(const WDL_Mutex&) = delete;
  WDL_Mutex& operator=(const WDL_Mutex&) = delete;

  void Enter() { pthread_mutex_lock(&mMutex); }
  void Leave() { pthread_mutex_unlock(&mMutex); }
  // Takes the mutex only if no other thread holds it; true when taken.
  bool TryEnter() { return pthread_mutex_trylock(&mMutex) == 0; }

 private:
  pthread_mutex_t mMutex;
};

class WDL_MutexLock {
 public:
  explicit WDL_MutexLock(WDL_Mutex* m) : mMutex(m) {
    if (mMutex) mMutex->Enter();
  }
  ~WDL_MutexLock() {
    if (mMutex) mMutex->Leave();
  }
  WDL_MutexLock(const WDL_MutexLock&) = delete;
  WDL_MutexLock& operator=(const WDL_MutexLock&) = delete;

 private:
  WDL_Mutex* mMutex;
};

#endif  // WDL_MUTEX_H_
