// Real input through XTest for the test hosts, each step followed by the host's idle
// time for the editor to see it.
#ifndef TESTS_HOST_X11_INPUT_H_
#define TESTS_HOST_X11_INPUT_H_

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <functional>
#include <initializer_list>

// The key that types c on a US layout ('+' also needs Shift).
inline KeySym CharKeySym(char c) {
  if (c == '.') return XK_period;
  if (c == '-') return XK_minus;
  if (c == '+') return XK_plus;
  const char s[2] = {c, 0};
  return XStringToKeysym(s);
}

class HostInput {
 public:
  HostInput(Display* d, std::function<void(int ms)> idle) : mInputDisplay(d), mIdleFor(std::move(idle)) {}

  void Move(int x, int y) {
    XTestFakeMotionEvent(mInputDisplay, 0, x, y, 0);
    Settle(30);
  }
  void Button(unsigned int b, bool down) {
    XTestFakeButtonEvent(mInputDisplay, b, down, 0);
    Settle(30);
  }
  void Click(unsigned int b, int x, int y) {
    Move(x, y);
    Button(b, true);
    Button(b, false);
  }
  // Clicks (a double click, wheel notches) in one burst, so that a busy machine cannot
  // stretch them apart; no idle time after it.
  void Burst(unsigned int b, int n, int x, int y) {
    Move(x, y);
    for (int i = 0; i < n; ++i) {
      XTestFakeButtonEvent(mInputDisplay, b, True, 0);
      XTestFakeButtonEvent(mInputDisplay, b, False, 0);
    }
    XSync(mInputDisplay, False);
  }
  void DoubleClick(int x, int y) {
    Burst(1, 2, x, y);
    mIdleFor(80);
  }
  // A key with modifiers held around it.
  void Key(KeySym ks, std::initializer_list<KeySym> held = {}) {
    for (KeySym m : held) XTestFakeKeyEvent(mInputDisplay, XKeysymToKeycode(mInputDisplay, m), True, 0);
    XTestFakeKeyEvent(mInputDisplay, XKeysymToKeycode(mInputDisplay, ks), True, 0);
    XTestFakeKeyEvent(mInputDisplay, XKeysymToKeycode(mInputDisplay, ks), False, 0);
    for (KeySym m : held) XTestFakeKeyEvent(mInputDisplay, XKeysymToKeycode(mInputDisplay, m), False, 0);
    Settle(30);
  }
  void Type(const char* text) {
    for (const char* c = text; *c; ++c) {
      if (*c == '+') Key(CharKeySym(*c), {XK_Shift_L});
      else Key(CharKeySym(*c));
    }
  }

 private:
  void Settle(int ms) {
    XSync(mInputDisplay, False);
    mIdleFor(ms);
  }
  Display* mInputDisplay;
  std::function<void(int)> mIdleFor;
};

#endif  // TESTS_HOST_X11_INPUT_H_
