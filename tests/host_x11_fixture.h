// A test with an X server of its own (Xvfb) and the host's connection to it, for the
// editor tests of every kind of host. Skips where Xvfb is not installed; any other
// failure to start fails. The host's connection gets an error handler of the host's
// own: nothing an editor does may ever reach it.
#ifndef TESTS_HOST_X11_FIXTURE_H_
#define TESTS_HOST_X11_FIXTURE_H_

// gtest before Xlib: Xlib defines None, a name gtest uses.
#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <string>

#include "xvfb_session.h"

// A mapped top-level window at the screen's origin (no window manager runs, so it stays
// there and editor coordinates are screen coordinates).
inline Window HostTopWindow(Display* d, int w, int h, long eventMask = 0) {
  XSetWindowAttributes a{};
  a.background_pixel = BlackPixel(d, DefaultScreen(d));
  a.event_mask = eventMask;
  const Window win = XCreateWindow(d, DefaultRootWindow(d), 0, 0, w, h, 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel | CWEventMask, &a);
  XMapWindow(d, win);
  XSync(d, False);
  return win;
}

// The last child of a window (an editor in its parent, a text entry in its editor), 0 when
// it has none.
inline Window HostLastChild(Display* d, Window w) {
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n) && n > 0) found = children[n - 1];
  if (children) XFree(children);
  return found;
}

class HostX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (XvfbSession::Find().empty()) GTEST_SKIP() << "Xvfb is not installed: no X server to test against";
    std::string why;
    ASSERT_TRUE(mServer.Start(&why)) << why;
    mDisplay = XOpenDisplay(nullptr);
    ASSERT_NE(mDisplay, nullptr);
    HostErrors() = 0;
    XSetErrorHandler([](Display*, XErrorEvent*) {
      ++HostErrors();
      return 0;
    });
  }
  void TearDown() override {
    if (!mDisplay) return;
    EXPECT_EQ(HostErrors(), 0) << "an X error reached the host's handler";
    XSetErrorHandler(nullptr);
    XCloseDisplay(mDisplay);
    mDisplay = nullptr;
  }
  // SetUp of a derived fixture goes on only when this one got a server.
  static bool Ready() { return !IsSkipped() && !HasFatalFailure(); }

  // Threads and X connections of the process before any editor, for ExpectNothingLeft.
  void TakeBaseline() {
    mThreads = BaselineThreads();
    mSockets = CountSockets();
  }
  void ExpectNothingLeft(int round = -1) {
    EXPECT_EQ(CountThreads(), mThreads) << "round " << round;
    EXPECT_EQ(CountSockets(), mSockets) << "round " << round;
  }

  static int& HostErrors() {
    static int n = 0;
    return n;
  }

  XvfbSession mServer;
  Display* mDisplay = nullptr;
  int mThreads = 0, mSockets = 0;
};

#endif  // TESTS_HOST_X11_FIXTURE_H_
