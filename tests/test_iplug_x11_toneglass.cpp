// The real Toneglass.so in a real X server: a test host embeds the editor in a
// window of its own and drives it with real input events (XTest). Gestures reach the
// host callback on the thread that calls effEditIdle, begin-edit and end-edit around
// them; the window shows exactly the headless rendering; opening, closing and a
// parent destroyed first leave no thread and no X connection behind.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cmath>
#include <memory>

#include "IPlugVST_editor_picture.h"
#include "lice.h"
#include "x11_test_host.h"
#include "xvfb_session.h"

namespace {

constexpr int kDry = 3;
constexpr int kW = 700, kH = 400;
// The Dry knob: film strip at (540, 331)-(592, 375), value text below it.
constexpr int kKnobX = 566, kKnobY = 353;

int gHostXErrors = 0;
int CountHostErrors(Display*, XErrorEvent*) {
  ++gHostXErrors;
  return 0;
}

class ToneglassEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    if (XvfbSession::Find().empty()) GTEST_SKIP() << "Xvfb is not installed: no X server to test against";
    std::string why;
    ASSERT_TRUE(mServer.Start(&why)) << why;
    // The host's own connection with the host's own error handler: it must never fire.
    mDisplay = XOpenDisplay(nullptr);
    ASSERT_NE(mDisplay, nullptr);
    gHostXErrors = 0;
    XSetErrorHandler(CountHostErrors);
    mLib = std::make_unique<vsthost::Library>(TONEGLASS_VST_PATH);
    ASSERT_TRUE(mLib->Ok()) << mLib->Error();
    mHost = std::make_unique<x11host::EditorHost>(*mLib, mDisplay);
    ASSERT_TRUE(mHost->Ok());
    mThreads = CountThreads();
    mSockets = CountSockets();
  }
  void TearDown() override {
    mHost.reset();
    mLib.reset();
    if (mDisplay) {
      EXPECT_EQ(gHostXErrors, 0) << "an X error reached the host's handler";
      XSetErrorHandler(nullptr);
      XCloseDisplay(mDisplay);
    }
  }
  void Open() {
    mHost->MakeParent(kW, kH);
    ASSERT_TRUE(mHost->OpenEditor());
    mHost->Idle(150);
  }
  // Calls of one opcode for the Dry parameter, in order.
  std::vector<x11host::Call> DryCalls() {
    std::vector<x11host::Call> out;
    for (const x11host::Call& c : mHost->Calls().Calls())
      if ((c.opcode == audioMasterAutomate || c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit) &&
          c.index == kDry)
        out.push_back(c);
    return out;
  }

  XvfbSession mServer;
  Display* mDisplay = nullptr;
  std::unique_ptr<vsthost::Library> mLib;
  std::unique_ptr<x11host::EditorHost> mHost;
  int mThreads = 0, mSockets = 0;
};

}  // namespace

TEST_F(ToneglassEditor, OpensAs700By400ChildOfTheHostsWindow) {
  ERect* rect = nullptr;
  ASSERT_EQ(mHost->Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right - rect->left, kW);
  EXPECT_EQ(rect->bottom - rect->top, kH);
  Open();
  const Window w = mHost->EditorWindow();
  ASSERT_NE(w, 0u);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(mDisplay, w, &a));
  EXPECT_EQ(a.width, kW);
  EXPECT_EQ(a.height, kH);
  EXPECT_EQ(a.map_state, IsViewable);
  // The editor talks to the server through a connection of its own, and one thread
  // of its own keeps it alive when the host goes quiet.
  EXPECT_EQ(CountSockets(), mSockets + 1);
  EXPECT_EQ(CountThreads(), mThreads + 1);
}

TEST_F(ToneglassEditor, AWindowThatIsNotThereOpensNothing) {
  EXPECT_EQ(mHost->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x7ffffff0})), 0);
  EXPECT_EQ(CountSockets(), mSockets);
  EXPECT_EQ(CountThreads(), mThreads);
}

TEST_F(ToneglassEditor, DragTellsTheHostBetweenBeginAndEndOnTheIdleThread) {
  Open();
  const float before = mHost->Get(kDry);
  mHost->Calls().Forget();
  mHost->Move(kKnobX, kKnobY);
  mHost->Button(1, true);
  for (int y = kKnobY - 5; y >= kKnobY - 60; y -= 5) mHost->Move(kKnobX, y);
  // The pointer may leave the window during a drag: the grab keeps it ours.
  mHost->Move(kKnobX, 2);
  mHost->Button(1, false);
  const float after = mHost->Get(kDry);
  EXPECT_GT(after, before);
  const std::vector<x11host::Call> calls = DryCalls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
  int automates = 0;
  for (size_t i = 1; i + 1 < calls.size(); ++i) {
    EXPECT_EQ(calls[i].opcode, audioMasterAutomate);
    automates += 1;
  }
  EXPECT_GE(automates, 2);
  EXPECT_FLOAT_EQ(calls[calls.size() - 2].opt, after);
  for (const x11host::Call& c : calls) EXPECT_EQ(c.thread, std::this_thread::get_id());
}

TEST_F(ToneglassEditor, WheelDoubleClickAndTypedValues) {
  Open();
  // Wheel up over the knob raises Dry, wheel down lowers it again.
  const float start = mHost->Get(kDry);
  mHost->Click(4, kKnobX, kKnobY);
  const float up = mHost->Get(kDry);
  EXPECT_GT(up, start);
  mHost->Click(5, kKnobX, kKnobY);
  mHost->Click(5, kKnobX, kKnobY);
  EXPECT_LT(mHost->Get(kDry), up);

  // A double click resets to the default.
  mHost->Set(kDry, 0.95f);
  mHost->Idle(60);
  mHost->DoubleClick(kKnobX, kKnobY);
  EXPECT_FLOAT_EQ(mHost->Get(kDry), start);
  // Two clicks further apart than the double-click time are two single clicks.
  mHost->Set(kDry, 0.95f);
  mHost->Click(1, kKnobX, kKnobY);
  mHost->Idle(500);
  mHost->Click(1, kKnobX, kKnobY);
  EXPECT_FLOAT_EQ(mHost->Get(kDry), 0.95f);

  // Right click, type, Enter: the value applies.
  mHost->Click(3, kKnobX, kKnobY);
  for (int i = 0; i < 8; ++i) mHost->Key(XK_BackSpace);
  mHost->Type("-12.5x");  // the x is refused
  mHost->Key(XK_Return);
  EXPECT_EQ(mHost->ParamText(kDry), "-12.5");
  // Escape abandons.
  mHost->Click(3, kKnobX, kKnobY);
  mHost->Type("3");
  mHost->Key(XK_Escape);
  EXPECT_EQ(mHost->ParamText(kDry), "-12.5");
  // So does a click elsewhere.
  mHost->Click(3, kKnobX, kKnobY);
  mHost->Type("1");
  mHost->Click(1, 100, 100);
  EXPECT_EQ(mHost->ParamText(kDry), "-12.5");
}

TEST_F(ToneglassEditor, KeysTheEditorDoesNotTakeGoBackToTheHost) {
  Open();
  EXPECT_EQ(mHost->Dispatch(effEditKeyDown, 0, VKEY_ESCAPE, nullptr, 0), 0);
  EXPECT_EQ(mHost->Dispatch(effEditKeyUp, 'a', 0, nullptr, 0), 0);
  // With the keyboard focus on the editor, a key it does not use reaches the parent.
  const Window editor = mHost->EditorWindow();
  mHost->Move(100, 100);
  XSetInputFocus(mDisplay, editor, RevertToParent, CurrentTime);
  XSync(mDisplay, False);
  while (XPending(mDisplay)) {
    XEvent e;
    XNextEvent(mDisplay, &e);
  }
  mHost->Key(XK_Escape);
  mHost->Idle(50);
  bool parentGotIt = false;
  while (XPending(mDisplay)) {
    XEvent e;
    XNextEvent(mDisplay, &e);
    if (e.type == KeyPress && e.xkey.window == mHost->Parent() &&
        XLookupKeysym(&e.xkey, 0) == XK_Escape)
      parentGotIt = true;
  }
  EXPECT_TRUE(parentGotIt);
}

TEST_F(ToneglassEditor, WindowShowsTheHeadlessRenderingPixelForPixel) {
  Open();
  mHost->Idle(200);
  XImage* img = XGetImage(mDisplay, mHost->EditorWindow(), 0, 0, kW, kH, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  // The same state drawn without a window, by a second instance, written as a PNG.
  x11host::EditorHost headless(*mLib, mDisplay);
  ASSERT_TRUE(headless.Ok());
  const std::string png = std::string(getenv("TONEGLASS_BUILD_DIR") ? getenv("TONEGLASS_BUILD_DIR") : ".") +
                          "/x11-headless-" + std::to_string(getpid()) + ".png";
  ASSERT_EQ(headless.Dispatch(effVendorSpecific, kVSTVendorEditorPNG, 0, const_cast<char*>(png.c_str())), 1);
  std::unique_ptr<LICE_IBitmap> ref(LICE_LoadPNG(png.c_str()));
  remove(png.c_str());
  ASSERT_NE(ref, nullptr);
  ASSERT_EQ(ref->getWidth(), kW);
  ASSERT_EQ(ref->getHeight(), kH);
  int differing = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const unsigned long p = XGetPixel(img, x, y);
      const LICE_pixel want = ref->getBits()[y * ref->getRowSpan() + x];
      const int r = static_cast<int>((p >> 16) & 0xff), g = static_cast<int>((p >> 8) & 0xff),
                b = static_cast<int>(p & 0xff);
      differing += r != LICE_GETR(want) || g != LICE_GETG(want) || b != LICE_GETB(want);
    }
  }
  XDestroyImage(img);
  EXPECT_EQ(differing, 0);
}

TEST_F(ToneglassEditor, TenOpensAndClosesLeaveNothingBehind) {
  mHost->MakeParent(kW, kH);
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(mHost->OpenEditor()) << i;
    // A second open while open replaces the first window.
    if (i == 5) {
      ASSERT_TRUE(mHost->OpenEditor());
    }
    mHost->Idle(40);
    mHost->CloseEditor();
    mHost->CloseEditor();  // twice is harmless
    EXPECT_EQ(CountThreads(), mThreads) << i;
    EXPECT_EQ(CountSockets(), mSockets) << i;
  }
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  XQueryTree(mDisplay, mHost->Parent(), &root, &parent, &children, &n);
  if (children) XFree(children);
  EXPECT_EQ(n, 0u);
}

TEST_F(ToneglassEditor, TheHostDestroyingTheParentFirstIsSafe) {
  for (int i = 0; i < 3; ++i) {
    Open();
    mHost->DestroyParent();
    mHost->Idle(80);  // the editor notices its window went
    mHost->CloseEditor();
    EXPECT_EQ(CountThreads(), mThreads);
    EXPECT_EQ(CountSockets(), mSockets);
  }
  // And the editor opens again afterwards.
  Open();
  EXPECT_NE(mHost->EditorWindow(), 0u);
}

TEST_F(ToneglassEditor, WithoutIdleCallsTheEditorsOwnThreadKeepsItAlive) {
  Open();
  const float before = mHost->Get(kDry);
  mHost->Calls().Forget();
  // No effEditIdle from here: the events are handled by the editor's own thread once
  // the host has been quiet for a while.
  XTestFakeMotionEvent(mDisplay, 0, kKnobX, kKnobY, 0);
  XTestFakeButtonEvent(mDisplay, 4, True, 0);
  XTestFakeButtonEvent(mDisplay, 4, False, 0);
  XSync(mDisplay, False);
  // The hand-over comes after 250 ms of silence; a loaded machine may take longer.
  for (int i = 0; i < 100 && !(mHost->Get(kDry) > before); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_GT(mHost->Get(kDry), before);
  // Idle calls take the work back: the next gesture reports on this thread.
  mHost->Idle(100);
  mHost->Calls().Forget();
  mHost->Move(kKnobX, kKnobY);
  mHost->Button(1, true);
  mHost->Move(kKnobX, kKnobY - 20);
  mHost->Button(1, false);
  const std::vector<x11host::Call> calls = DryCalls();
  ASSERT_FALSE(calls.empty());
  for (const x11host::Call& c : calls) EXPECT_EQ(c.thread, std::this_thread::get_id());
}

TEST_F(ToneglassEditor, TwoEditorsAtOnceEachWithItsOwnConnection) {
  Open();
  x11host::EditorHost second(*mLib, mDisplay);
  ASSERT_TRUE(second.Ok());
  second.MakeParent(kW, kH);
  XMoveWindow(mDisplay, second.Parent(), 0, kH + 10);
  XSync(mDisplay, False);
  ASSERT_TRUE(second.OpenEditor());
  EXPECT_EQ(CountSockets(), mSockets + 2);
  const float before = second.Get(kDry);
  const float firstBefore = mHost->Get(kDry);
  // Wheel over the second editor's Dry knob; both hosts keep idling.
  XTestFakeMotionEvent(mDisplay, 0, kKnobX, kH + 10 + kKnobY, 0);
  XTestFakeButtonEvent(mDisplay, 4, True, 0);
  XTestFakeButtonEvent(mDisplay, 4, False, 0);
  XSync(mDisplay, False);
  for (int i = 0; i < 10; ++i) {
    mHost->Idle(10);
    second.Idle(10);
  }
  EXPECT_GT(second.Get(kDry), before);
  EXPECT_FLOAT_EQ(mHost->Get(kDry), firstBefore);
  second.CloseEditor();
  mHost->CloseEditor();
  EXPECT_EQ(CountSockets(), mSockets);
}

TEST_F(ToneglassEditor, AServerThatGoesAwayClosesTheEditorNotTheProcess) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "libX11's own locking on a broken connection trips the thread checker";
#endif
  Open();
  // The host's own connection breaks too: its handler is the host's business, so
  // the host here stops using it first.
  XSetIOErrorHandler([](Display*) { return 0; });
  XSetIOErrorExitHandler(mDisplay, [](Display*, void*) {}, nullptr);
  mServer.Stop();
  mHost->Idle(100);  // the editor finds its connection broken
  EXPECT_EQ(mHost->Dispatch(effEditClose), 1);
  EXPECT_EQ(CountThreads(), mThreads);
  // Reopening fails cleanly: there is no server.
  EXPECT_EQ(mHost->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{1})), 0);
  mHost->Dispatch(effEditIdle);
  mHost.reset();
  XCloseDisplay(mDisplay);  // broken as well; Xlib only frees it
  mDisplay = nullptr;
  XSetIOErrorHandler(nullptr);
}

TEST_F(ToneglassEditor, AHostThatClosesTheEditorFromAGestureCallback) {
  Open();
  // The host answers the begin-edit by closing the editor, inside the callback.
  mHost->Calls().onCall = [](AEffect* e, VstInt32 opcode) {
    if (opcode == audioMasterBeginEdit) e->dispatcher(e, effEditClose, 0, 0, nullptr, 0);
  };
  mHost->Move(kKnobX, kKnobY);
  mHost->Button(1, true);
  mHost->Move(kKnobX, kKnobY - 30);
  mHost->Button(1, false);
  mHost->Calls().onCall = nullptr;
  EXPECT_EQ(CountThreads(), mThreads);
  EXPECT_EQ(CountSockets(), mSockets);
  // And it opens again.
  ASSERT_TRUE(mHost->OpenEditor());
  mHost->Idle(50);
  EXPECT_NE(mHost->EditorWindow(), 0u);
}
