#include "X11PopupMenu.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "X11Blitter.h"
#include "X11Font.h"

namespace {

constexpr int kItemH = 20, kSeparatorH = 7, kPad = 3, kCheckW = 20, kArrowW = 16, kTitleIndent = 12;
const LICE_pixel kBg = LICE_RGBA(0xf2, 0xf2, 0xf2, 0xff);
const LICE_pixel kBorder = LICE_RGBA(0x80, 0x80, 0x80, 0xff);
const LICE_pixel kHighlight = LICE_RGBA(0x38, 0x75, 0xd7, 0xff);
const LICE_pixel kText = LICE_RGBA(0x10, 0x10, 0x10, 0xff);
const LICE_pixel kTextLit = LICE_RGBA(0xff, 0xff, 0xff, 0xff);
const LICE_pixel kTextOff = LICE_RGBA(0x9a, 0x9a, 0x9a, 0xff);

// One open menu: its window, where its items are and which one is lit.
struct Level {
  IPopupMenu* menu = nullptr;
  Window win = 0;
  int x = 0, y = 0, w = 0, h = 0;
  std::vector<int> tops;  // item i spans tops[i] .. tops[i + 1]
  int lit = -1;
  LICE_SysBitmap bm;
  X11Blitter blit;
};

class MenuRun {
 public:
  MenuRun(X11Connection* c, const X11OtherEventHandler& other)
      : mConn(c), mD(c->Get()), mOther(other), mFont(nullptr, 13) {}
  ~MenuRun() {
    while (!mLevels.empty()) CloseLevel();
  }
  IPopupMenu* Run(IPopupMenu* menu, int x, int y);

 private:
  bool OpenLevel(IPopupMenu* menu, int x, int y);
  void CloseLevel();
  void Paint(Level& l);
  int LevelAt(int rx, int ry) const;
  int ItemAt(const Level& l, int rx, int ry) const;
  void Light(int level, int item, bool openSub);
  bool HandleKey(XKeyEvent& e);
  IPopupMenu* Choose(int level, int item);

  X11Connection* mConn;
  Display* mD;
  const X11OtherEventHandler& mOther;
  X11Font mFont;
  std::vector<std::unique_ptr<Level>> mLevels;
  bool mDone = false;
  IPopupMenu* mResult = nullptr;
};

bool MenuRun::OpenLevel(IPopupMenu* menu, int x, int y) {
  auto l = std::make_unique<Level>();
  l->menu = menu;
  int w = 80, top = kPad;
  for (int i = 0; i < menu->GetNItems(); ++i) {
    const IPopupMenuItem* it = menu->GetItem(i);
    l->tops.push_back(top);
    top += it->GetIsSeparator() && !it->GetSubmenu() ? kSeparatorH : kItemH;
    const std::string label = X11MenuItemLabel(*menu, i);
    w = std::max(w, kCheckW + (it->GetIsTitle() ? kTitleIndent : 0) + mFont.Width(label.c_str()) +
                        kArrowW + kPad * 2);
  }
  l->tops.push_back(top);
  const int scr = DefaultScreen(mD);
  const int sw = DisplayWidth(mD, scr), sh = DisplayHeight(mD, scr);
  l->w = w;
  l->h = std::max(top + kPad, kItemH);
  l->x = std::max(0, std::min(x, sw - l->w));
  l->y = std::max(0, std::min(y, sh - l->h));
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.save_under = True;
  a.event_mask = ExposureMask;
  a.background_pixel = WhitePixel(mD, scr);
  l->win = XCreateWindow(mD, RootWindow(mD, scr), l->x, l->y, static_cast<unsigned>(l->w),
                         static_cast<unsigned>(l->h), 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWSaveUnder | CWEventMask | CWBackPixel, &a);
  if (!l->win) return false;
  l->bm.resize(l->w, l->h);
  l->blit.Create(mConn, DefaultVisual(mD, scr), DefaultDepth(mD, scr), l->w, l->h);
  XMapRaised(mD, l->win);
  mLevels.push_back(std::move(l));
  Paint(*mLevels.back());
  return true;
}

void MenuRun::CloseLevel() {
  if (mLevels.empty()) return;
  Level& l = *mLevels.back();
  l.blit.Destroy();
  if (l.win && !mConn->Lost()) XDestroyWindow(mD, l.win);
  mLevels.pop_back();
}

void MenuRun::Paint(Level& l) {
  LICE_FillRect(&l.bm, 0, 0, l.w, l.h, kBg, 1.0f, LICE_BLIT_MODE_COPY);
  for (int i = 0; i < l.menu->GetNItems(); ++i) {
    const IPopupMenuItem* it = l.menu->GetItem(i);
    const int t = l.tops[static_cast<size_t>(i)], b = l.tops[static_cast<size_t>(i) + 1];
    if (it->GetIsSeparator() && !it->GetSubmenu()) {
      LICE_Line(&l.bm, kPad + 2, (t + b) / 2, l.w - kPad - 3, (t + b) / 2, kBorder, 1.0f, 0, false);
      continue;
    }
    const bool lit = i == l.lit;
    if (lit) LICE_FillRect(&l.bm, 1, t, l.w - 2, b - t, kHighlight, 1.0f, LICE_BLIT_MODE_COPY);
    const LICE_pixel col = !it->GetEnabled() ? kTextOff : lit ? kTextLit : kText;
    if (it->GetChecked()) {
      const int cx = kPad + 5, cy = (t + b) / 2;
      LICE_Line(&l.bm, cx, cy, cx + 3, cy + 3, col, 1.0f, 0, false);
      LICE_Line(&l.bm, cx + 3, cy + 3, cx + 9, cy - 4, col, 1.0f, 0, false);
      LICE_Line(&l.bm, cx, cy + 1, cx + 3, cy + 4, col, 1.0f, 0, false);
      LICE_Line(&l.bm, cx + 3, cy + 4, cx + 9, cy - 3, col, 1.0f, 0, false);
    }
    const int left = kCheckW + (it->GetIsTitle() ? kTitleIndent : 0);
    const std::string label = X11MenuItemLabel(*l.menu, i);
    mFont.Draw(&l.bm, label.c_str(), left, t, l.w - kArrowW, b, col);
    if (it->GetSubmenu()) {
      const int ax = l.w - kArrowW + 4, cy = (t + b) / 2;
      for (int k = 0; k < 5; ++k) LICE_Line(&l.bm, ax + k, cy - 4 + k, ax + k, cy + 4 - k, col, 1.0f, 0, false);
    }
  }
  // Border.
  LICE_Line(&l.bm, 0, 0, l.w - 1, 0, kBorder, 1.0f, 0, false);
  LICE_Line(&l.bm, 0, l.h - 1, l.w - 1, l.h - 1, kBorder, 1.0f, 0, false);
  LICE_Line(&l.bm, 0, 0, 0, l.h - 1, kBorder, 1.0f, 0, false);
  LICE_Line(&l.bm, l.w - 1, 0, l.w - 1, l.h - 1, kBorder, 1.0f, 0, false);
  GC gc = DefaultGC(mD, DefaultScreen(mD));
  l.blit.Put(l.win, gc, &l.bm, 0, 0, l.w, l.h);
}

int MenuRun::LevelAt(int rx, int ry) const {
  for (int i = static_cast<int>(mLevels.size()) - 1; i >= 0; --i) {
    const Level& l = *mLevels[static_cast<size_t>(i)];
    if (rx >= l.x && rx < l.x + l.w && ry >= l.y && ry < l.y + l.h) return i;
  }
  return -1;
}

int MenuRun::ItemAt(const Level& l, int rx, int ry) const {
  const int y = ry - l.y;
  if (rx < l.x || rx >= l.x + l.w) return -1;
  for (int i = 0; i < l.menu->GetNItems(); ++i)
    if (y >= l.tops[static_cast<size_t>(i)] && y < l.tops[static_cast<size_t>(i) + 1]) return i;
  return -1;
}

// Lights item of level (closing deeper levels) and opens its submenu when asked.
void MenuRun::Light(int level, int item, bool openSub) {
  Level& l = *mLevels[static_cast<size_t>(level)];
  const int lit = item >= 0 && X11MenuItemSelectable(*l.menu, item) ? item : -1;
  IPopupMenu* sub = lit >= 0 ? l.menu->GetItem(lit)->GetSubmenu() : nullptr;
  const bool subShown = sub && static_cast<int>(mLevels.size()) > level + 1 &&
                        mLevels[static_cast<size_t>(level) + 1]->menu == sub;
  if (!subShown)
    while (static_cast<int>(mLevels.size()) > level + 1) CloseLevel();
  if (lit != l.lit) {
    l.lit = lit;
    Paint(l);
  }
  if (!sub || !openSub || subShown || sub->GetNItems() <= 0) return;
  OpenLevel(sub, l.x + l.w - 2, l.y + l.tops[static_cast<size_t>(lit)] - kPad);
}

IPopupMenu* MenuRun::Choose(int level, int item) {
  Level& l = *mLevels[static_cast<size_t>(level)];
  if (!X11MenuItemSelectable(*l.menu, item) || l.menu->GetItem(item)->GetSubmenu()) return nullptr;
  l.menu->SetChosenItemIdx(item);
  mDone = true;
  mResult = l.menu;
  return mResult;
}

bool MenuRun::HandleKey(XKeyEvent& e) {
  const KeySym ks = XLookupKeysym(&e, 0);
  const int deepest = static_cast<int>(mLevels.size()) - 1;
  Level& l = *mLevels.back();
  switch (ks) {
    case XK_Escape:
      if (deepest == 0) mDone = true;
      else CloseLevel();
      return true;
    case XK_Left:
      if (deepest > 0) CloseLevel();
      return true;
    case XK_Up:
    case XK_Down:
      Light(deepest, X11MenuNextSelectable(*l.menu, l.lit, ks == XK_Down ? 1 : -1), false);
      return true;
    case XK_Right:
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
      if (l.lit < 0) return true;
      if (l.menu->GetItem(l.lit)->GetSubmenu()) {
        Light(deepest, l.lit, true);
        if (static_cast<int>(mLevels.size()) > deepest + 1) {
          Level& s = *mLevels.back();
          Light(deepest + 1, X11MenuNextSelectable(*s.menu, -1, 1), false);
        }
      } else if (ks != XK_Right) {
        Choose(deepest, l.lit);
      }
      return true;
    default:
      return false;
  }
}

IPopupMenu* MenuRun::Run(IPopupMenu* menu, int x, int y) {
  if (!OpenLevel(menu, x, y)) return nullptr;
  Window grabWin = mLevels[0]->win;
  XSync(mD, False);
  const unsigned int mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  // Another client may hold a grab for a moment (a toolkit closing its own menu):
  // keep asking for up to a second, as menus of X toolkits do.
  bool pointer = false, keyboard = false;
  for (int i = 0; i < 100 && !(pointer && keyboard) && !mConn->Lost(); ++i) {
    if (!pointer)
      pointer = XGrabPointer(mD, grabWin, True, mask, GrabModeAsync, GrabModeAsync, None, None,
                             CurrentTime) == GrabSuccess;
    if (!keyboard)
      keyboard = XGrabKeyboard(mD, grabWin, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    if (!(pointer && keyboard)) usleep(10000);
  }
  // Without the pointer a click elsewhere could not close the menu: give up.
  if (!pointer) {
    if (keyboard) XUngrabKeyboard(mD, CurrentTime);
    return nullptr;
  }
  bool moved = false, pressedInside = false;
  while (!mDone && !mConn->Lost()) {
    if (!XPending(mD)) {
      pollfd p = {ConnectionNumber(mD), POLLIN, 0};
      poll(&p, 1, 100);
      // A dead server shows up as a readable socket that XPending cannot read.
      if (p.revents & (POLLERR | POLLHUP)) break;
      continue;
    }
    XEvent e;
    XNextEvent(mD, &e);
    bool mine = false;
    for (auto& l : mLevels) {
      if (e.xany.window == l->win) {
        mine = true;
        if (e.type == Expose && e.xexpose.count == 0) Paint(*l);
      }
    }
    switch (e.type) {
      case MotionNotify: {
        const int lv = LevelAt(e.xmotion.x_root, e.xmotion.y_root);
        if (lv >= 0) {
          moved = true;
          Light(lv, ItemAt(*mLevels[static_cast<size_t>(lv)], e.xmotion.x_root, e.xmotion.y_root), true);
        }
        break;
      }
      case ButtonPress:
        if (LevelAt(e.xbutton.x_root, e.xbutton.y_root) < 0) mDone = true;  // outside: cancel
        else pressedInside = true;
        break;
      case ButtonRelease: {
        const int lv = LevelAt(e.xbutton.x_root, e.xbutton.y_root);
        // The release of the click that opened the menu chooses nothing unless the
        // pointer went over the items first.
        if (lv >= 0 && (moved || pressedInside))
          Choose(lv, ItemAt(*mLevels[static_cast<size_t>(lv)], e.xbutton.x_root, e.xbutton.y_root));
        break;
      }
      case KeyPress:
        HandleKey(e.xkey);
        break;
      default:
        if (!mine && mOther) mOther(e);
        break;
    }
  }
  if (!mConn->Lost()) {
    XUngrabKeyboard(mD, CurrentTime);
    XUngrabPointer(mD, CurrentTime);
  }
  while (!mLevels.empty()) CloseLevel();
  if (!mConn->Lost()) XFlush(mD);
  return mResult;
}

}  // namespace

IPopupMenu* X11RunPopupMenu(X11Connection* pConn, IPopupMenu* pMenu, int rootX, int rootY,
                            const X11OtherEventHandler& other) {
  if (!pConn || !pConn->Get() || pConn->Lost() || !pMenu || pMenu->GetNItems() <= 0) return nullptr;
  X11ErrorTrap trap(*pConn);
  MenuRun run(pConn, other);
  return run.Run(pMenu, rootX, rootY);
}
