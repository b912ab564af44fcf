// STK keeps process-wide state: a list of live objects that its constructors and
// destructors edit, and a sine table that the first oscillator builds. This lock
// serialises those edits between instances created or destroyed on different threads.
#ifndef TONEGLASS_STK_SHARED_LOCK_H_
#define TONEGLASS_STK_SHARED_LOCK_H_

#include "mutex.h"

// The one process-wide lock around STK's shared state.
WDL_Mutex& StkSharedMutex();

// Base of a class whose STK members must be built and torn down under the lock.
// Being a base, it is built before the derived class's members and destroyed after
// them: its constructor takes the lock, the derived constructor body releases it
// (EndStkConstruction), the derived destructor body takes it again
// (BeginStkDestruction), and this destructor releases it.
class StkMemberGuard {
 protected:
  StkMemberGuard() { StkSharedMutex().Enter(); }
  ~StkMemberGuard() { StkSharedMutex().Leave(); }
  StkMemberGuard(const StkMemberGuard&) = delete;
  StkMemberGuard& operator=(const StkMemberGuard&) = delete;

  static void EndStkConstruction() { StkSharedMutex().Leave(); }
  static void BeginStkDestruction() { StkSharedMutex().Enter(); }
};

#endif  // TONEGLASS_STK_SHARED_LOCK_H_
