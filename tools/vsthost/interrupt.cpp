#include "interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace vsthost {

namespace {

// How long a plug-in may stay inside one call after a Ctrl-C before the tool gives up
// on it.
constexpr unsigned kSecondsToReturnAfterInterrupt = 1;

volatile sig_atomic_t gInterrupted = 0;
// Written only outside signal handlers; the handlers only read them (unlink and write
// are safe there).
char gAbortFiles[kAbortSlots][4096];
volatile sig_atomic_t gHaveAbortFile[kAbortSlots] = {};
// The plug-in call under way: a string literal, or null outside the plug-in.
const char* volatile gPluginCall = nullptr;
volatile int64_t gPluginBlock = 0;

void RemoveAbortFiles() {
  for (int slot = 0; slot < kAbortSlots; ++slot)
    if (gHaveAbortFile[slot]) unlink(gAbortFiles[slot]);
}

// Async-signal-safe output: fixed texts and a decimal number, no stdio.
void Say(const char* text) {
  if (write(STDERR_FILENO, text, strlen(text)) < 0) {
    // Nothing more can be told.
  }
}

void SayNumber(int64_t n) {
  char digits[24];
  int i = sizeof(digits);
  digits[--i] = '\0';
  const bool negative = n < 0;
  uint64_t u = negative ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  do {
    digits[--i] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u && i > 1);
  if (negative) digits[--i] = '-';
  Say(digits + i);
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV, a bad memory access";
    case SIGBUS:
      return "SIGBUS, a bad memory access";
    case SIGFPE:
      return "SIGFPE, an arithmetic fault";
    case SIGILL:
      return "SIGILL, an illegal instruction";
    case SIGABRT:
      return "SIGABRT, it aborted";
    default:
      return "a fatal signal";
  }
}

// "in processReplacing, block 3" or "in the dispatcher", from the current mark.
void SayWhere() {
  const char* call = gPluginCall;
  if (!call) return;
  Say(" in ");
  Say(call);
  if (gPluginBlock > 0) {
    Say(", block ");
    SayNumber(gPluginBlock);
  }
}

void SayPartialRemoved() {
  bool any = false;
  for (int slot = 0; slot < kAbortSlots; ++slot) any = any || gHaveAbortFile[slot];
  Say(any ? "; the partial output was removed\n" : "\n");
}

volatile sig_atomic_t gInterruptSignal = 0;

void OnInterrupt(int signal) {
  if (!gInterrupted) {
    gInterrupted = 1;
    gInterruptSignal = signal;
    // A plug-in stuck inside a call never lets the render see the request.
    if (gPluginCall) alarm(kSecondsToReturnAfterInterrupt);
    return;
  }
  // Asked twice: the plug-in may be stuck inside a block, so stop right away.
  RemoveAbortFiles();
  Say("toneglass-host: error: interrupted again");
  SayWhere();
  SayPartialRemoved();
  _exit(128 + signal);
}

void OnAlarm(int) {
  if (!gPluginCall) return;  // it returned; the render stops between blocks
  RemoveAbortFiles();
  Say("toneglass-host: error: interrupted, and a second later the plug-in was still");
  SayWhere();
  Say("; the render was abandoned");
  SayPartialRemoved();
  _exit(128 + (gInterruptSignal ? gInterruptSignal : SIGINT));
}

void OnCrash(int signal) {
  RemoveAbortFiles();
  Say(gPluginCall ? "toneglass-host: error: the plug-in crashed" : "toneglass-host: error: crashed");
  SayWhere();
  Say(" (");
  Say(SignalName(signal));
  Say(")");
  SayPartialRemoved();
  // Let the default action report the crash as usual (core dump, exit status).
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
}

// exit() from inside the plug-in would end the tool with its status (0, say) and no
// report; the process is ending either way, so say so and end it as a failure.
void OnExitDuringPluginCall() {
  if (!gPluginCall) return;
  RemoveAbortFiles();
  Say("toneglass-host: error: the plug-in ended the process (it called exit)");
  SayWhere();
  SayPartialRemoved();
  _exit(1);
}

}  // namespace

void InstallInterruptHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  action.sa_handler = OnAlarm;
  sigaction(SIGALRM, &action, nullptr);
  action.sa_handler = OnCrash;
  action.sa_flags = SA_RESETHAND;
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal, &action, nullptr);
  atexit(OnExitDuringPluginCall);
#if defined(__SANITIZE_ADDRESS__)
  // Under the sanitizers a crash ends in their own report and exit, not in our handler.
  __sanitizer_set_death_callback(RemoveAbortFiles);
#endif
}

bool InterruptRequested() { return gInterrupted != 0; }

void SetFileToRemoveOnAbort(int slot, const char* path) {
  if (slot < 0 || slot >= kAbortSlots) return;
  gHaveAbortFile[slot] = 0;
  if (!path || !*path || strlen(path) >= sizeof(gAbortFiles[slot])) return;
  strcpy(gAbortFiles[slot], path);
  gHaveAbortFile[slot] = 1;
}

PluginCallScope::PluginCallScope(const char* call, int64_t block)
    : mPreviousCall(gPluginCall), mPreviousBlock(gPluginBlock) {
  gPluginBlock = block;
  gPluginCall = call;
}

PluginCallScope::~PluginCallScope() {
  gPluginCall = mPreviousCall;
  gPluginBlock = mPreviousBlock;
}

}  // namespace vsthost
