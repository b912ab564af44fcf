// A one-line progress bar on stderr for renders that take a while. It draws only when
// stderr is a terminal and the render has already run for a moment, so short renders,
// pipes and log files stay clean.
#ifndef TOOLS_VSTHOST_PROGRESS_BAR_H_
#define TOOLS_VSTHOST_PROGRESS_BAR_H_

#include <chrono>
#include <cstdint>

namespace vsthost {

class ProgressBar {
 public:
  // total: frames expected (0 or less: unknown, nothing is drawn).
  ProgressBar(int64_t total, bool enabled);
  ~ProgressBar() { Finish(); }

  void Update(int64_t done);
  // Clears the line if anything was drawn.
  void Finish();

  // Whether stderr is a terminal.
  static bool StderrIsTerminal();

 private:
  using Clock = std::chrono::steady_clock;
  int64_t mTotal;
  bool mEnabled;
  bool mDrawn = false;
  Clock::time_point mStart;
  Clock::time_point mLastDraw;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_PROGRESS_BAR_H_
