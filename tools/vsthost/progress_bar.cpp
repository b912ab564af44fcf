#include "progress_bar.h"

#include <unistd.h>

#include <cstdio>

namespace vsthost {

namespace {

constexpr double kQuietSeconds = 0.3;  // renders shorter than this never show a bar
constexpr double kRedrawSeconds = 0.1;
constexpr int kBarWidth = 40;

}  // namespace

ProgressBar::ProgressBar(int64_t total, bool enabled)
    : mTotal(total), mEnabled(enabled && total > 0), mStart(Clock::now()), mLastDraw(mStart) {}

bool ProgressBar::StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void ProgressBar::Update(int64_t done) {
  if (!mEnabled) return;
  const Clock::time_point now = Clock::now();
  const double running = std::chrono::duration<double>(now - mStart).count();
  const double sinceDraw = std::chrono::duration<double>(now - mLastDraw).count();
  if (running < kQuietSeconds || (mDrawn && sinceDraw < kRedrawSeconds)) return;
  const double fraction = done >= mTotal ? 1.0 : static_cast<double>(done) / static_cast<double>(mTotal);
  const int filled = static_cast<int>(fraction * kBarWidth);
  char bar[kBarWidth + 1];
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kBarWidth] = '\0';
  fprintf(stderr, "\rrendering [%s] %3d%%", bar, static_cast<int>(fraction * 100.0));
  fflush(stderr);
  mDrawn = true;
  mLastDraw = now;
}

void ProgressBar::Finish() {
  if (!mDrawn) return;
  fprintf(stderr, "\r%*s\r", kBarWidth + 20, "");
  fflush(stderr);
  mDrawn = false;
}

}  // namespace vsthost
