// What IGraphicsX11 holds while a window is open; shared by its source files only.
#ifndef IPLUG_X11_IGRAPHICSX11_SESSION_H_
#define IPLUG_X11_IGRAPHICSX11_SESSION_H_

#include <chrono>
#include <memory>

#include "IGraphicsX11.h"
#include "X11Font.h"

class IParam;

// The text field drawn over a control while the user types a value.
struct X11TextEntryState {
  bool open = false;
  Window win = 0;
  IControl* control = nullptr;
  IParam* param = nullptr;
  int x = 0, y = 0, w = 0, h = 0;  // in the editor window
  X11TextEntryBuffer buffer;
  LICE_SysBitmap bitmap;
  X11Blitter blit;
  std::unique_ptr<X11Font> font;
  LICE_pixel fg = 0, bg = 0;
  int align = 0;
  bool hadFocus = false;  // the entry got the keyboard (so losing it counts)
  Window prevFocus = 0;
  int prevRevert = 0;
};

struct IGraphicsX11::Session {
  X11Connection conn;
  Window parent = 0, win = 0;
  bool ownTopLevel = false;
  bool gone = false;  // our window was destroyed (with its parent) or the server went away
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  X11Blitter blit;
  Cursor arrow = 0, custom = 0, blank = 0;
  int cursor = kMCursorArrow;
  X11ClickTimer clicks;
  int prevX = 0, prevY = 0;  // the last pointer position, for keys
  std::chrono::steady_clock::time_point nextTick;
  bool keyTaken[256] = {};  // X key codes whose press the editor took
  bool inPress = false, menuRanInPress = false;
  X11TextEntryState entry;

  // False once nothing may be sent any more.
  bool Live() { return !gone && !conn.Lost(); }
};

// Draws the open text entry (text, caret) and copies it to its window.
struct X11TextEntryUI {
  static void Redraw(IGraphicsX11* g);
};

#endif  // IPLUG_X11_IGRAPHICSX11_SESSION_H_
