// The real Toneglass.so in a real X server: a test host embeds the editor in a
// window of its own and drives it with real input events (XTest). Gestures reach the
// host callback on the thread that calls effEditIdle, begin-edit and end-edit around
// them; the window shows exactly the headless rendering; opening, closing and a
// parent destroyed first leave no thread and no X connection behind.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "host_editor_picture.h"
#include "x11_test_host.h"

namespace {

constexpr int kDry = 3;
constexpr int kW = 700, kH = 400;
// The Dry knob: film strip at (540, 331)-(592, 375), value text below it.
constexpr int kKnobX = 566, kKnobY = 353;

class ToneglassEditor : public HostX11Test {
 protected:
  void SetUp() override {
    HostX11Test::SetUp();
    if (!Ready()) return;
    mLib = std::make_unique<vsthost::Library>(TONEGLASS_VST_PATH);
    ASSERT_TRUE(mLib->Ok()) << mLib->Error();
    mHost = std::make_unique<x11host::EditorHost>(*mLib, mDisplay);
    ASSERT_TRUE(mHost->Ok());
    TakeBaseline();
  }
  void TearDown() override {
    mHost.reset();
    mLib.reset();
    HostX11Test::TearDown();
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
  // The editor's text entry window, 0 while none is open.
  Window EntryWindow() { return HostLastChild(mDisplay, mHost->EditorWindow()); }

  std::unique_ptr<vsthost::Library> mLib;
  std::unique_ptr<x11host::EditorHost> mHost;
};

// Reads the host's calls as a host that records touch automation would: every value
// inside its parameter's begin/end, no end without a begin, no second begin while
// one is open, and (closed) nothing left open at the end. Empty when all is well.
std::string PairingFaults(const std::vector<x11host::Call>& calls, bool closed) {
  std::set<int> open;
  std::ostringstream faults;
  for (size_t i = 0; i < calls.size(); ++i) {
    const x11host::Call& c = calls[i];
    if (c.opcode == audioMasterBeginEdit) {
      if (!open.insert(c.index).second) faults << "call " << i << ": second begin for " << c.index << "\n";
    } else if (c.opcode == audioMasterEndEdit) {
      if (!open.erase(c.index)) faults << "call " << i << ": end without begin for " << c.index << "\n";
    } else if (c.opcode == audioMasterAutomate) {
      if (!open.count(c.index)) faults << "call " << i << ": value outside a gesture for " << c.index << "\n";
    }
  }
  if (closed)
    for (int p : open) faults << "left open: " << p << "\n";
  return faults.str();
}

// How many calls of one opcode a list holds for a parameter.
int Count(const std::vector<x11host::Call>& calls, VstInt32 opcode, int index) {
  int n = 0;
  for (const x11host::Call& c : calls) n += c.opcode == opcode && c.index == index;
  return n;
}

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
  ExpectNothingLeft();
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

TEST_F(ToneglassEditor, WheelAndDoubleClick) {
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
  const std::vector<unsigned> shot = HostScreenshot(mDisplay, mHost->EditorWindow(), kW, kH);
  ASSERT_EQ(shot.size(), static_cast<size_t>(kW * kH));
  // The same state drawn without a window, by a second instance.
  x11host::EditorHost headless(*mLib, mDisplay);
  ASSERT_TRUE(headless.Ok());
  const std::vector<unsigned> want = HostHeadlessPicture(headless.Effect(), kW, kH);
  ASSERT_EQ(want.size(), shot.size());
  EXPECT_EQ(HostDifferingPixels(shot, want, kW, 0, kH), 0);
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
    ExpectNothingLeft(i);
  }
  EXPECT_EQ(HostLastChild(mDisplay, mHost->Parent()), 0u);
}

TEST_F(ToneglassEditor, TheHostDestroyingTheParentFirstIsSafe) {
  for (int i = 0; i < 3; ++i) {
    Open();
    mHost->DestroyParent();
    mHost->Idle(80);  // the editor notices its window went
    mHost->CloseEditor();
    ExpectNothingLeft(i);
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
  // A wheel run in progress when the server goes: the pause that would end it is
  // never seen by a pump that still talks to the server.
  mHost->Calls().Forget();
  mHost->Burst(4, 2, kKnobX, kKnobY);
  mHost->Dispatch(effEditIdle);
  ASSERT_EQ(Count(mHost->Calls().Calls(), audioMasterBeginEdit, kDry), 1);
  // The host's own connection breaks too: its handler is the host's business, so
  // the host here stops using it first.
  XSetIOErrorHandler([](Display*) { return 0; });
  XSetIOErrorExitHandler(mDisplay, [](Display*, void*) {}, nullptr);
  mServer.Stop();
  mHost->Idle(100);  // the editor finds its connection broken
  // The gesture ended when the editor found out, before any effEditClose.
  EXPECT_EQ(PairingFaults(mHost->Calls().Calls(), true), "");
  EXPECT_EQ(Count(mHost->Calls().Calls(), audioMasterEndEdit, kDry), 1);
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
  ExpectNothingLeft();
  // And it opens again.
  ASSERT_TRUE(mHost->OpenEditor());
  mHost->Idle(50);
  EXPECT_NE(mHost->EditorWindow(), 0u);
}

TEST_F(ToneglassEditor, RightClickTypeEnterAppliesTheTypedValue) {
  Open();
  mHost->Click(3, kKnobX, kKnobY);
  ASSERT_NE(EntryWindow(), 0u);
  // No Backspace first: the entry's text is selected and the typing replaces it.
  mHost->Type("-12");
  mHost->Key(XK_Return);
  EXPECT_EQ(EntryWindow(), 0u);
  EXPECT_EQ(mHost->ParamText(kDry), "-12.0");
  // Ctrl+A selects everything again after the caret moved.
  mHost->Click(3, kKnobX, kKnobY);
  mHost->Key(XK_End);
  mHost->Key(XK_a, {XK_Control_L});
  mHost->Type("-3");
  mHost->Key(XK_Return);
  EXPECT_EQ(mHost->ParamText(kDry), "-3.0");
  // Shift+Home from the end selects all of it too; then the usual editing keys.
  mHost->Click(3, kKnobX, kKnobY);
  mHost->Key(XK_End);
  mHost->Key(XK_Home, {XK_Shift_L});
  mHost->Type("-25");
  mHost->Key(XK_Left);
  mHost->Key(XK_BackSpace);  // the 2
  mHost->Key(XK_Return);
  EXPECT_EQ(mHost->ParamText(kDry), "-5.0");
}

TEST_F(ToneglassEditor, TheTextEntryIsFramedInsideTheEditorWithItsTextSelected) {
  Open();
  mHost->Click(3, kKnobX, kKnobY);
  const Window entry = EntryWindow();
  ASSERT_NE(entry, 0u);
  mHost->Idle(50);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(mDisplay, entry, &a));
  // The knob's value line reaches one pixel past the editor's bottom edge; the field
  // does not.
  EXPECT_GE(a.x, 0);
  EXPECT_GE(a.y, 0);
  EXPECT_LE(a.x + a.width, kW);
  EXPECT_LE(a.y + a.height, kH);
  EXPECT_GT(a.width, 52);  // wider than the value line: a margin around it
  XImage* img = XGetImage(mDisplay, entry, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  // A frame: the border pixels all have one colour, the one inside them another.
  const unsigned long frame = XGetPixel(img, 0, 0);
  int offFrame = 0;
  for (int x = 0; x < a.width; ++x) offFrame += XGetPixel(img, x, 0) != frame || XGetPixel(img, x, a.height - 1) != frame;
  for (int y = 0; y < a.height; ++y) offFrame += XGetPixel(img, 0, y) != frame || XGetPixel(img, a.width - 1, y) != frame;
  EXPECT_EQ(offFrame, 0);
  EXPECT_NE(XGetPixel(img, 1, 1), frame);
  // The selected text sits on a blue highlight.
  int highlighted = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const unsigned long p = XGetPixel(img, x, y);
      const int r = static_cast<int>((p >> 16) & 0xff), b = static_cast<int>(p & 0xff);
      highlighted += b - r > 60;
    }
  }
  XDestroyImage(img);
  EXPECT_GT(highlighted, 20);
  mHost->Key(XK_Escape);
}

TEST_F(ToneglassEditor, TheWindowIsNamedForWindowListsAndAccessibilityTools) {
  Open();
  const Window w = mHost->EditorWindow();
  char* name = nullptr;
  ASSERT_TRUE(XFetchName(mDisplay, w, &name));
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "Toneglass");
  XFree(name);
  XClassHint hint{};
  ASSERT_TRUE(XGetClassHint(mDisplay, w, &hint));
  EXPECT_STREQ(hint.res_name, "Toneglass");
  EXPECT_STREQ(hint.res_class, "Toneglass");
  XFree(hint.res_name);
  XFree(hint.res_class);
}

TEST_F(ToneglassEditor, EveryChangeReachesTheHostInsideOneBeginEndPair) {
  Open();
  std::vector<x11host::Call> all;
  auto phase = [&] {
    std::vector<x11host::Call> calls = mHost->Calls().Calls();
    mHost->Calls().Forget();
    all.insert(all.end(), calls.begin(), calls.end());
    return calls;
  };
  phase();

  // Drag, double click and a wheel run cut short by another knob are pinned on the
  // headless editor and above; here what the X11 layer adds. Three notches in a row:
  // one gesture, still open right after the burst, ended by the pause after the last.
  const auto burst = std::chrono::steady_clock::now();
  mHost->Burst(4, 3, kKnobX, kKnobY);
  mHost->Dispatch(effEditIdle);
  std::vector<x11host::Call> calls = mHost->Calls().Calls();
  EXPECT_EQ(Count(calls, audioMasterBeginEdit, kDry), 1);
  EXPECT_EQ(Count(calls, audioMasterAutomate, kDry), 3);
  for (int i = 0; i < 300 && Count(mHost->Calls().Calls(), audioMasterEndEdit, kDry) == 0; ++i) mHost->Idle(10);
  const auto ended = std::chrono::steady_clock::now();
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(ended - burst).count(), 300);
  calls = phase();
  EXPECT_EQ(PairingFaults(calls, true), "");
  EXPECT_EQ(Count(calls, audioMasterEndEdit, kDry), 1);

  // A typed value: the right click's press is a gesture without a value, the Enter
  // one with exactly the typed value.
  mHost->Click(3, kKnobX, kKnobY);
  mHost->Type("-20");
  mHost->Key(XK_Return);
  calls = phase();
  EXPECT_EQ(PairingFaults(calls, true), "");
  ASSERT_EQ(Count(calls, audioMasterAutomate, kDry), 1);
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[calls.size() - 3].opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls[calls.size() - 2].opcode, audioMasterAutomate);
  EXPECT_EQ(calls[calls.size() - 1].opcode, audioMasterEndEdit);

  // Escape and a click elsewhere send no value.
  mHost->Click(3, kKnobX, kKnobY);
  mHost->Type("5");
  mHost->Key(XK_Escape);
  mHost->Click(3, kKnobX, kKnobY);
  mHost->Type("5");
  mHost->Click(1, 100, 20);
  calls = phase();
  EXPECT_EQ(PairingFaults(calls, true), "");
  EXPECT_EQ(Count(calls, audioMasterAutomate, kDry), 0);

  // A wheel run still going when the editor closes ends with the close.
  mHost->Burst(4, 2, kKnobX, kKnobY);
  mHost->Dispatch(effEditIdle);
  mHost->CloseEditor();
  calls = phase();
  EXPECT_EQ(PairingFaults(calls, true), "");
  EXPECT_EQ(Count(calls, audioMasterEndEdit, kDry), 1);

  // So does a drag: the host closes the editor while the button is held.
  Open();
  mHost->Move(kKnobX, kKnobY);
  mHost->Button(1, true);
  mHost->Move(kKnobX, kKnobY - 20);
  mHost->CloseEditor();
  mHost->Button(1, false);  // the release finds no editor
  calls = phase();
  EXPECT_EQ(PairingFaults(calls, true), "");
  EXPECT_EQ(Count(calls, audioMasterBeginEdit, kDry), 1);

  // And effClose with a drag in progress (the editor left open).
  Open();
  mHost->Move(kKnobX, kKnobY);
  mHost->Button(1, true);
  mHost->Move(kKnobX, kKnobY - 20);
  mHost->CloseEffect();
  XTestFakeButtonEvent(mDisplay, 1, False, 0);
  XSync(mDisplay, False);
  calls = phase();
  EXPECT_EQ(PairingFaults(calls, true), "");
  EXPECT_EQ(Count(calls, audioMasterEndEdit, kDry), 1);
  // The whole script read as one.
  EXPECT_EQ(PairingFaults(all, true), "");
}
