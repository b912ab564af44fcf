#include "StkSharedLock.h"

WDL_Mutex& StkSharedMutex() {
  // Built on first use, so it exists before any static STK object could need it.
  static WDL_Mutex mutex;
  return mutex;
}
