// Translation of X input into the editor's terms: modifier records, wheel steps,
// editor key codes (from X key symbols and from the VST host's virtual keys) and
// double-click recognition. Pure functions of their arguments, no server needed.
#ifndef IPLUG_X11_X11INPUT_H_
#define IPLUG_X11_X11INPUT_H_

#include "IGraphicsStructs.h"

// The modifiers of a button press or release of the given X button (1 left, 2
// middle, 3 right) with the X modifier state. Control is this platform's key for a
// right click: a Control-left-click reports both L and R, which controls take as a
// right click. The middle button reports neither L nor R.
IMouseMod X11ButtonMod(unsigned int state, unsigned int button);
// The modifiers of a motion or wheel event: the right button's record while only the
// right button is held, the left button's otherwise.
IMouseMod X11MotionMod(unsigned int state);
// The wheel step of X buttons 4 to 7: up +1, down -1, left +1, right -1 (the
// direction of a vertical step wins, as on the other platforms); 0 for any other.
int X11WheelStep(unsigned int button);
bool X11IsWheelButton(unsigned int button);

// The editor key code (KEY_SPACE ... KEY_ALPHA_Z) of an X key symbol, -1 for a key
// the editor does not take.
int X11KeyCodeForKeysym(unsigned long keysym);
// The editor key code of a host key (effEditKeyDown: character, VST virtual key), -1
// when the editor does not take it.
int X11KeyCodeForHostKey(int character, int virtualKey);

// Recognises a second press of the same button within the time and distance limits
// of the first. A press that completes a double click starts no new one, so a
// third press is a single click again.
class X11ClickTimer {
 public:
  explicit X11ClickTimer(unsigned long maxMs = 400, int maxDistance = 4)
      : mMaxMs(maxMs), mMaxDistance(maxDistance) {}
  void SetLimits(unsigned long maxMs, int maxDistance) {
    mMaxMs = maxMs;
    mMaxDistance = maxDistance;
  }
  unsigned long MaxMs() const { return mMaxMs; }
  int MaxDistance() const { return mMaxDistance; }
  // time is the X server time of the press, in milliseconds (it wraps).
  bool IsDoubleClick(unsigned long time, int x, int y, unsigned int button);
  void Reset() { mHave = false; }

 private:
  unsigned long mMaxMs;
  int mMaxDistance;
  bool mHave = false;
  unsigned long mTime = 0;
  int mX = 0, mY = 0;
  unsigned int mButton = 0;
};

#endif  // IPLUG_X11_X11INPUT_H_
