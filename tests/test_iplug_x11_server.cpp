// The X11 backend's plumbing against a real X server (a private Xvfb): errors kept
// off the host's connection, the blit on 24- and 32-bit visuals with and without
// shared memory, a server that goes away, cursors, and popup menus driven by real
// input events (XTest).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "X11Blitter.h"
#include "X11Connection.h"
#include "X11Cursor.h"
#include "X11PopupMenu.h"
#include "X11Settings.h"
#include "xvfb_session.h"

namespace {

class X11Server : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (XvfbSession::Find().empty()) GTEST_SKIP() << "Xvfb is not installed: no X server to test against";
    ASSERT_TRUE(mServer.Start(&why)) << why;
  }
  XvfbSession mServer;
};

int gHostErrors = 0;
int HostErrorHandler(Display*, XErrorEvent*) {
  ++gHostErrors;
  return 0;
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

TEST_F(X11Server, OurErrorsNeverReachTheHostsHandler) {
  Display* host = XOpenDisplay(nullptr);
  ASSERT_NE(host, nullptr);
  gHostErrors = 0;
  XSetErrorHandler(HostErrorHandler);
  X11Connection ours;
  ASSERT_TRUE(ours.Open());
  {
    X11ErrorTrap trap(ours);
    XWindowAttributes a;
    XGetWindowAttributes(ours.Get(), 0x7ffffff0, &a);  // no such window
    EXPECT_EQ(trap.Sync(), BadWindow);
    // While our handler is in, the host's own errors still go to the host.
    XMapWindow(host, 0x7ffffff0);
    XSync(host, False);
    EXPECT_EQ(gHostErrors, 1);
  }
  EXPECT_EQ(gHostErrors, 1);
  // The host's handler is back in place.
  EXPECT_EQ(XSetErrorHandler(HostErrorHandler), &HostErrorHandler);
  XMapWindow(host, 0x7ffffff0);
  XSync(host, False);
  EXPECT_EQ(gHostErrors, 2);
  EXPECT_FALSE(ours.Lost());
  ours.Close();
  XSetErrorHandler(nullptr);
  XCloseDisplay(host);
}

namespace {

// Draws a pattern into a window of the visual through the blitter and reads the
// window back: every pixel must show the bitmap's colour.
void CheckBlit(X11Connection& c, Visual* vis, int depth, bool shm, int* pMismatches, bool* pUsedShm) {
  Display* d = c.Get();
  const int w = 67, h = 31;  // odd sizes: no row happens to line up
  XSetWindowAttributes a{};
  a.colormap = XCreateColormap(d, DefaultRootWindow(d), vis, AllocNone);
  a.border_pixel = 0;
  a.background_pixel = 0;
  Window win = XCreateWindow(d, DefaultRootWindow(d), 0, 0, w, h, 0, depth, InputOutput, vis,
                             CWColormap | CWBorderPixel | CWBackPixel, &a);
  XMapWindow(d, win);
  XSync(d, False);
  LICE_MemBitmap bm(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bm.getBits()[y * bm.getRowSpan() + x] = LICE_RGBA(x * 3, y * 8, (x * y) & 0xff, 0x40);
  X11Blitter blit;
  ASSERT_TRUE(blit.Create(&c, vis, depth, w, h, shm));
  *pUsedShm = blit.UsesShm();
  GC gc = XCreateGC(d, win, 0, nullptr);
  // Two regions, as a tick and an expose would send them.
  ASSERT_TRUE(blit.Put(win, gc, &bm, 0, 0, w, 10));
  ASSERT_TRUE(blit.Put(win, gc, &bm, -5, 10, w + 10, h));  // clipped to the image
  XSync(d, False);
  XImage* img = XGetImage(d, win, 0, 0, w, h, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  *pMismatches = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned long p = XGetPixel(img, x, y);
      const LICE_pixel want = bm.getBits()[y * bm.getRowSpan() + x];
      const int r = static_cast<int>((p & img->red_mask) >> __builtin_ctzl(img->red_mask));
      const int g = static_cast<int>((p & img->green_mask) >> __builtin_ctzl(img->green_mask));
      const int b = static_cast<int>((p & img->blue_mask) >> __builtin_ctzl(img->blue_mask));
      if (r != LICE_GETR(want) || g != LICE_GETG(want) || b != LICE_GETB(want)) ++*pMismatches;
    }
  }
  XDestroyImage(img);
  XFreeGC(d, gc);
  blit.Destroy();
  XDestroyWindow(d, win);
  XFreeColormap(d, a.colormap);
  XSync(d, False);
}

}  // namespace

TEST_F(X11Server, BlitShowsTheBitmapOn24And32BitVisualsWithAndWithoutSharedMemory) {
  X11Connection c;
  ASSERT_TRUE(c.Open());
  Display* d = c.Get();
  XVisualInfo v24{}, v32{};
  ASSERT_TRUE(XMatchVisualInfo(d, DefaultScreen(d), 24, TrueColor, &v24));
  const bool have32 = XMatchVisualInfo(d, DefaultScreen(d), 32, TrueColor, &v32);
  for (bool shm : {true, false}) {
    int bad = -1;
    bool usedShm = false;
    CheckBlit(c, v24.visual, 24, shm, &bad, &usedShm);
    EXPECT_EQ(bad, 0) << "24-bit, shm " << shm;
    EXPECT_EQ(usedShm, shm);  // a local Xvfb attaches our segment
    if (have32) {
      CheckBlit(c, v32.visual, 32, shm, &bad, &usedShm);
      EXPECT_EQ(bad, 0) << "32-bit, shm " << shm;
    }
  }
  EXPECT_EQ(c.LastError(), 0);
}

TEST_F(X11Server, AServerThatGoesAwayLeavesTheProcessRunning) {
#if defined(__SANITIZE_THREAD__)
  // libX11 unlocks a display lock it does not hold on its broken-connection path.
  GTEST_SKIP() << "libX11's own locking on a broken connection trips the thread checker";
#endif
  X11Connection c;
  ASSERT_TRUE(c.Open());
  mServer.Stop();
  {
    X11ErrorTrap trap(c);
    XWindowAttributes a;
    XGetWindowAttributes(c.Get(), DefaultRootWindow(c.Get()), &a);  // the reply never comes
    trap.Sync();
  }
  EXPECT_TRUE(c.Lost());
  X11Blitter blit;
  EXPECT_FALSE(blit.Create(&c, DefaultVisual(c.Get(), 0), 24, 10, 10));
  c.Close();
  EXPECT_EQ(c.Get(), nullptr);
}

TEST_F(X11Server, BothCursorsCanBeMade) {
  X11Connection c;
  ASSERT_TRUE(c.Open());
  X11ErrorTrap trap(c);
  const Cursor custom = X11CreateCustomCursor(c.Get());
  const Cursor arrow = X11CreateArrowCursor(c.Get());
  EXPECT_NE(custom, 0u);
  EXPECT_NE(arrow, 0u);
  EXPECT_EQ(trap.Sync(), 0);
  XFreeCursor(c.Get(), custom);
  XFreeCursor(c.Get(), arrow);
}

namespace {

// Sends real input from a second connection after the menu had time to appear.
class Driver {
 public:
  explicit Driver(std::function<void(Display*)> script)
      : mThread([script] {
          Display* d = XOpenDisplay(nullptr);
          if (!d) return;
          WaitForKeyboardGrab(d);  // the menu is up
          script(d);
          XCloseDisplay(d);
        }) {}
  ~Driver() { mThread.join(); }

 private:
  std::thread mThread;
};

void Key(Display* d, KeySym ks) {
  XTestFakeKeyEvent(d, XKeysymToKeycode(d, ks), True, 0);
  XTestFakeKeyEvent(d, XKeysymToKeycode(d, ks), False, 0);
  XSync(d, False);
  Pause(30);
}

void Click(Display* d, int x, int y) {
  XTestFakeMotionEvent(d, 0, x, y, 0);
  XSync(d, False);
  Pause(50);
  XTestFakeButtonEvent(d, 1, True, 0);
  XTestFakeButtonEvent(d, 1, False, 0);
  XSync(d, False);
}

}  // namespace

TEST_F(X11Server, PopupMenuByKeyboardIntoASubmenu) {
  X11Connection c;
  ASSERT_TRUE(c.Open());
  IPopupMenu sub;
  sub.AddItem("inner 0");
  sub.AddItem("inner 1");
  IPopupMenu m;
  m.SetPrefix(2);
  m.AddItem("first");
  m.AddSeparator();
  m.AddItem("disabled", -1, IPopupMenuItem::kDisabled);
  m.AddItem("more", &sub);
  IPopupMenu* chosen;
  {
    // Down lights "first", Down skips to "more", Right opens it, Down Return picks
    // its second item.
    Driver drive([](Display* d) {
      for (KeySym k : {XK_Down, XK_Down, XK_Right, XK_Down, XK_Return}) Key(d, k);
    });
    chosen = X11RunPopupMenu(&c, &m, 100, 100, nullptr);
  }
  ASSERT_EQ(chosen, &sub);
  EXPECT_EQ(sub.GetChosenItemIdx(), 1);
  EXPECT_EQ(m.GetChosenItemIdx(), -1);
  {
    Driver drive([](Display* d) { Key(d, XK_Escape); });
    EXPECT_EQ(X11RunPopupMenu(&c, &m, 100, 100, nullptr), nullptr);
  }
}

TEST_F(X11Server, PopupMenuByMouseAndCancelledByAClickOutside) {
  X11Connection c;
  ASSERT_TRUE(c.Open());
  IPopupMenu m;
  m.AddItem("zero");
  m.AddItem("one", -1, IPopupMenuItem::kChecked);
  m.AddItem("two");
  IPopupMenu* chosen;
  {
    // Items are 20 pixels tall below a 3-pixel margin: the middle of item 2.
    Driver drive([](Display* d) { Click(d, 140, 200 + 3 + 2 * 20 + 10); });
    chosen = X11RunPopupMenu(&c, &m, 100, 200, nullptr);
  }
  ASSERT_EQ(chosen, &m);
  EXPECT_EQ(m.GetChosenItemIdx(), 2);
  m.SetChosenItemIdx(-1);
  {
    Driver drive([](Display* d) { Click(d, 600, 600); });
    EXPECT_EQ(X11RunPopupMenu(&c, &m, 100, 200, nullptr), nullptr);
  }
  EXPECT_EQ(m.GetChosenItemIdx(), -1);
  // A disabled item is not chosen by a click: the menu stays until a click outside.
  m.GetItem(0)->SetEnabled(false);
  {
    Driver drive([](Display* d) {
      Click(d, 140, 200 + 3 + 10);
      Pause(100);
      Click(d, 600, 600);
    });
    EXPECT_EQ(X11RunPopupMenu(&c, &m, 100, 200, nullptr), nullptr);
  }
}

TEST_F(X11Server, DoubleClickSettingsFromTheServer) {
  Display* host = XOpenDisplay(nullptr);
  ASSERT_NE(host, nullptr);
  unsigned long ms = 400;
  int distance = 4;
  X11ReadDoubleClickSettings(host, &ms, &distance);
  EXPECT_EQ(ms, 400u);  // nothing published: unchanged
  // The resource database's multiClickTime.
  const char* rm = "*multiClickTime: 275\n";
  XChangeProperty(host, DefaultRootWindow(host), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(rm), static_cast<int>(strlen(rm)));
  XSync(host, False);
  Display* reader = XOpenDisplay(nullptr);  // the resource string is read at connection time
  X11ReadDoubleClickSettings(reader, &ms, &distance);
  EXPECT_EQ(ms, 275u);
  XCloseDisplay(reader);
  // An XSETTINGS manager wins over it.
  Window owner = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 1, 1, 0, 0, 0);
  const unsigned char blob[] = {0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0,
                                0, 0, 19, 0, 'N', 'e', 't', '/', 'D', 'o', 'u', 'b', 'l', 'e', 'C', 'l', 'i', 'c', 'k', 'T', 'i', 'm', 'e', 0,
                                0, 0, 0, 0, 0xf4, 0x01, 0, 0,
                                0, 0, 23, 0, 'N', 'e', 't', '/', 'D', 'o', 'u', 'b', 'l', 'e', 'C', 'l', 'i', 'c', 'k', 'D', 'i', 's', 't', 'a', 'n', 'c', 'e', 0,
                                0, 0, 0, 0, 9, 0, 0, 0};
  XChangeProperty(host, owner, XInternAtom(host, "_XSETTINGS_SETTINGS", False),
                  XInternAtom(host, "_XSETTINGS_SETTINGS", False), 8, PropModeReplace, blob, sizeof(blob));
  XSetSelectionOwner(host, XInternAtom(host, "_XSETTINGS_S0", False), owner, CurrentTime);
  XSync(host, False);
  X11ReadDoubleClickSettings(host, &ms, &distance);
  EXPECT_EQ(ms, 500u);
  EXPECT_EQ(distance, 9);
  XCloseDisplay(host);
}
