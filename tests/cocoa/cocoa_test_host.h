// A small GNUstep host for the Cocoa editor: an NSWindow (borderless, at the top left
// of the screen, so that view and screen pixels line up) whose content view goes to
// effEditOpen, the run loop turned by hand, real input through XTest on a connection
// of its own, and screenshots of the screen. Objective-C++.
#ifndef TESTS_COCOA_COCOA_TEST_HOST_H_
#define TESTS_COCOA_COCOA_TEST_HOST_H_

#import <AppKit/AppKit.h>
// gtest before Xlib: Xlib defines None, a name gtest uses.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <string>
#include <vector>

#include "x11_test_host.h"

// A borderless window still takes the keyboard.
@interface CocoaTestHostWindow : NSWindow
@end

namespace cocoahost {

// Turns the application's run loop for the given time: events are dispatched and
// timers fire, as in a host's main loop.
void Pump(double seconds);

// The window of a host, its content view at screen (0, 0)-(w, h) counted from the top.
NSWindow* MakeHostWindow(int w, int h);

class Input {
 public:
  explicit Input(Display* d) : mDisplay(d) {}
  void Move(int x, int y);
  void Button(unsigned int b, bool down);
  void Click(unsigned int b, int x, int y);
  void DoubleClick(int x, int y);
  void Key(KeySym ks, bool shift = false);
  void Type(const char* text);

 private:
  Display* mDisplay;
};

// The screen's pixels in (0, 0)-(w, h) as 0xRRGGBB.
std::vector<unsigned int> Screenshot(Display* d, int w, int h);

// The rest of a GUI test program's main, after gtest has taken its arguments: a
// backtrace on a crash (before the runner's timeout reaps the process), an Xvfb of its
// own (none installed: a note and success), *display connected to it for screenshots
// and input, and, when withApp, the shared application with a delegate that opens no
// documents (GNUstep would otherwise open the program's arguments as files).
int RunTestsUnderXvfb(bool withApp, Display** display);

}  // namespace cocoahost

#endif  // TESTS_COCOA_COCOA_TEST_HOST_H_
