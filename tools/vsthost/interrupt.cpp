#include "interrupt.h"

#include <csignal>

namespace vsthost {

namespace {

volatile sig_atomic_t gInterrupted = 0;

void OnSignal(int) { gInterrupted = 1; }

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

bool InterruptRequested() { return gInterrupted != 0; }

}  // namespace vsthost
