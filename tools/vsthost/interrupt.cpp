#include "interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <initializer_list>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace vsthost {

namespace {

volatile sig_atomic_t gInterrupted = 0;
// Written only outside signal handlers; the handlers only read it (unlink is safe there).
char gAbortFile[4096];
volatile sig_atomic_t gHaveAbortFile = 0;

void RemoveAbortFile() {
  if (gHaveAbortFile) unlink(gAbortFile);
}

void OnInterrupt(int signal) {
  if (!gInterrupted) {
    gInterrupted = 1;
    return;
  }
  // Asked twice: the plug-in may be stuck inside a block, so stop right away.
  RemoveAbortFile();
  _exit(128 + signal);
}

void OnCrash(int signal) {
  RemoveAbortFile();
  // Let the default action report the crash as usual (core dump, exit status).
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
}

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  action.sa_handler = OnCrash;
  action.sa_flags = SA_RESETHAND;
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal, &action, nullptr);
#if defined(__SANITIZE_ADDRESS__)
  // Under the sanitizers a crash ends in their own report and exit, not in our handler.
  __sanitizer_set_death_callback(RemoveAbortFile);
#endif
}

bool InterruptRequested() { return gInterrupted != 0; }

void SetFileToRemoveOnAbort(const char* path) {
  gHaveAbortFile = 0;
  if (!path || strlen(path) >= sizeof(gAbortFile)) return;
  strcpy(gAbortFile, path);
  gHaveAbortFile = 1;
}

}  // namespace vsthost
