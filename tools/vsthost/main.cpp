// toneglass-host: loads a Linux VST 2 plug-in and shows what it is (info), runs an audio
// file through it (render), or plays it the built-in test signal (demo).
#include <csignal>
#include <cstdio>
#include <string>

#include "commands.h"
#include "options.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away (a closed pipe or FIFO) is a write error to report, not a
  // silent death with a temporary file left behind.
  signal(SIGPIPE, SIG_IGN);
  vsthost::Options options;
  std::string error;
  if (argc < 2) {
    fputs(vsthost::UsageText(), stderr);
    return kExitUsage;
  }
  if (!vsthost::ParseOptions(argc, argv, &options, &error)) {
    fprintf(stderr, "toneglass-host: error: %s\n", error.c_str());
    return kExitUsage;
  }
  bool ok = true;
  switch (options.command) {
    case vsthost::Command::kHelp:
      fputs(vsthost::UsageText(), stdout);
      return 0;
    case vsthost::Command::kVersion:
      fputs(vsthost::VersionText(), stdout);
      return 0;
    case vsthost::Command::kInfo:
      ok = vsthost::RunInfo(options, &error);
      break;
    case vsthost::Command::kRender:
      ok = vsthost::RunRender(options, &error);
      break;
    case vsthost::Command::kDemo:
      ok = vsthost::RunDemo(options, &error);
      break;
  }
  fflush(stdout);
  if (!ok) {
    fprintf(stderr, "toneglass-host: error: %s\n", error.c_str());
    return kExitFailure;
  }
  return 0;
}
