#include "X11Input.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <cstdlib>

#include "IControl.h"
#include "aeffectx.h"

IMouseMod X11ButtonMod(unsigned int state, unsigned int button) {
  const bool shift = (state & ShiftMask) != 0;
  const bool ctrl = (state & ControlMask) != 0;
  const bool alt = (state & Mod1Mask) != 0;
  switch (button) {
    case Button1:
      return IMouseMod(true, ctrl, shift, ctrl, alt);
    case Button3:
      return IMouseMod(false, true, shift, ctrl, alt);
    default:
      return IMouseMod(false, false, shift, ctrl, alt);
  }
}

IMouseMod X11MotionMod(unsigned int state) {
  // A drag with only the right button held reports the right button; every other
  // motion reports the left one, as the platform's moved and wheel events do.
  if ((state & Button3Mask) && !(state & Button1Mask)) return X11ButtonMod(state, Button3);
  return X11ButtonMod(state, Button1);
}

bool X11IsWheelButton(unsigned int button) { return button >= 4 && button <= 7; }

int X11WheelStep(unsigned int button) {
  switch (button) {
    case 4: return 1;
    case 5: return -1;
    case 6: return 1;
    case 7: return -1;
    default: return 0;
  }
}

int X11KeyCodeForKeysym(unsigned long ks) {
  switch (ks) {
    case XK_space: return KEY_SPACE;
    case XK_Up: case XK_KP_Up: return KEY_UPARROW;
    case XK_Down: case XK_KP_Down: return KEY_DOWNARROW;
    case XK_Left: case XK_KP_Left: return KEY_LEFTARROW;
    case XK_Right: case XK_KP_Right: return KEY_RIGHTARROW;
    default: break;
  }
  if (ks >= XK_0 && ks <= XK_9) return KEY_DIGIT_0 + static_cast<int>(ks - XK_0);
  if (ks >= XK_a && ks <= XK_z) return KEY_ALPHA_A + static_cast<int>(ks - XK_a);
  if (ks >= XK_A && ks <= XK_Z) return KEY_ALPHA_A + static_cast<int>(ks - XK_A);
  return -1;
}

int X11KeyCodeForHostKey(int character, int virtualKey) {
  switch (virtualKey) {
    case VKEY_SPACE: return KEY_SPACE;
    case VKEY_UP: return KEY_UPARROW;
    case VKEY_DOWN: return KEY_DOWNARROW;
    case VKEY_LEFT: return KEY_LEFTARROW;
    case VKEY_RIGHT: return KEY_RIGHTARROW;
    case 0: break;
    default: return -1;  // another named key: not the editor's
  }
  if (character == ' ') return KEY_SPACE;
  if (character >= '0' && character <= '9') return KEY_DIGIT_0 + (character - '0');
  if (character >= 'a' && character <= 'z') return KEY_ALPHA_A + (character - 'a');
  if (character >= 'A' && character <= 'Z') return KEY_ALPHA_A + (character - 'A');
  return -1;
}

bool X11ClickTimer::IsDoubleClick(unsigned long time, int x, int y, unsigned int button) {
  // Unsigned difference: correct across the server clock's wrap.
  const unsigned long dt = (time - mTime) & 0xffffffffUL;
  const bool dbl = mHave && button == mButton && dt <= mMaxMs && std::abs(x - mX) <= mMaxDistance &&
                   std::abs(y - mY) <= mMaxDistance;
  if (dbl) {
    mHave = false;
  } else {
    mHave = true;
    mTime = time;
    mX = x;
    mY = y;
    mButton = button;
  }
  return dbl;
}
