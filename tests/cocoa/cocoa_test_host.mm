#include "cocoa_test_host.h"

#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "host_x11_input.h"
#include "xvfb_session.h"

@implementation CocoaTestHostWindow
- (BOOL)canBecomeKeyWindow {
  return YES;
}
- (BOOL)canBecomeMainWindow {
  return YES;
}
@end

@interface CocoaTestHostAppDelegate : NSObject
@end
@implementation CocoaTestHostAppDelegate
- (BOOL)application:(NSApplication*)app openFile:(NSString*)file {
  (void)app;
  (void)file;
  return YES;
}
@end

namespace cocoahost {

void Pump(double seconds) {
  NSDate* until = [NSDate dateWithTimeIntervalSinceNow:seconds];
  do {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    NSEvent* e = [NSApp nextEventMatchingMask:NSAnyEventMask
                                    untilDate:[NSDate dateWithTimeIntervalSinceNow:0.005]
                                       inMode:NSDefaultRunLoopMode
                                      dequeue:YES];
    if (e) [NSApp sendEvent:e];
    [pool release];
  } while ([until timeIntervalSinceNow] > 0);
}

NSWindow* MakeHostWindow(int w, int h) {
  const NSRect screen = [[NSScreen mainScreen] frame];
  NSWindow* win = [[CocoaTestHostWindow alloc] initWithContentRect:NSMakeRect(0, screen.size.height - h, w, h)
                                                         styleMask:NSBorderlessWindowMask
                                                           backing:NSBackingStoreBuffered
                                                             defer:NO];
  [win setReleasedWhenClosed:NO];
  [win makeKeyAndOrderFront:nil];
  return win;
}

void Input::Move(int x, int y) {
  XTestFakeMotionEvent(mDisplay, 0, x, y, 0);
  XSync(mDisplay, False);
  Pump(0.03);
}

void Input::Button(unsigned int b, bool down) {
  XTestFakeButtonEvent(mDisplay, b, down, 0);
  XSync(mDisplay, False);
  Pump(0.03);
}

void Input::Click(unsigned int b, int x, int y) {
  Move(x, y);
  Button(b, true);
  Button(b, false);
}

void Input::DoubleClick(int x, int y) {
  Move(x, y);
  for (int i = 0; i < 2; ++i) {
    XTestFakeButtonEvent(mDisplay, 1, True, 0);
    XTestFakeButtonEvent(mDisplay, 1, False, 0);
  }
  XSync(mDisplay, False);
  Pump(0.1);
}

void Input::Key(KeySym ks, bool shift) {
  const KeyCode shiftCode = XKeysymToKeycode(mDisplay, XK_Shift_L);
  if (shift) XTestFakeKeyEvent(mDisplay, shiftCode, True, 0);
  XTestFakeKeyEvent(mDisplay, XKeysymToKeycode(mDisplay, ks), True, 0);
  XTestFakeKeyEvent(mDisplay, XKeysymToKeycode(mDisplay, ks), False, 0);
  if (shift) XTestFakeKeyEvent(mDisplay, shiftCode, False, 0);
  XSync(mDisplay, False);
  Pump(0.04);
}

void Input::Type(const char* text) {
  for (const char* c = text; *c; ++c) Key(CharKeySym(*c), *c == '+');
}

std::vector<unsigned int> Screenshot(Display* d, int w, int h) {
  std::vector<unsigned int> out;
  XImage* img = XGetImage(d, DefaultRootWindow(d), 0, 0, w, h, AllPlanes, ZPixmap);
  if (!img) return out;
  out.resize(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out[size_t(y) * w + x] = (unsigned int)(XGetPixel(img, x, y) & 0xFFFFFF);
  XDestroyImage(img);
  return out;
}

namespace {

void PrintBacktrace(int sig) {
  void* frames[64];
  const int n = backtrace(frames, 64);
  backtrace_symbols_fd(frames, n, 2);
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

int RunTestsUnderXvfb(bool withApp, Display** display) {
  signal(SIGSEGV, PrintBacktrace);
  if (XvfbSession::Find().empty()) {
    printf("Xvfb is not installed: no X server to test against\n");
    return 0;
  }
  XvfbSession server;
  std::string why;
  if (!server.Start(&why)) {
    fprintf(stderr, "%s\n", why.c_str());
    return 1;
  }
  *display = XOpenDisplay(nullptr);
  if (!*display) return 1;
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  if (withApp) {
    [NSApplication sharedApplication];
    [NSApp setDelegate:(id)[[CocoaTestHostAppDelegate alloc] init]];
    [NSApp finishLaunching];
  }
  const int rc = RUN_ALL_TESTS();
  [pool release];
  XCloseDisplay(*display);
  *display = nullptr;
  return rc;
}

}  // namespace cocoahost
