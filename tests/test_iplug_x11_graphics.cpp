// The X11 editor inside the process, on a test plug-in: popup menus opened by a
// control (chosen with real keys, begin-edit and end-edit around the gesture), the
// drawn message box, text entry through the host's keys, the file prompt without a
// dialog program, cursors, transparency and the folders.
#include <gtest/gtest.h>

#include "IGraphicsX11.h"
#include "aeffectx.h"
#include "iplug_test_plug.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>

#include <thread>

#include "host_x11_fixture.h"

namespace {

// A grey square bound to a parameter whose right click prompts for it.
class PromptSquare : public IControl {
 public:
  PromptSquare(IPlugBase* p, IRECT r, int param) : IControl(p, r, param) { DisablePrompt(false); }
  bool Draw(IGraphics* g) override {
    ++draws;
    IColor c(255, 128, 128, 128);
    return g->FillIRect(&c, &mRECT);
  }
  int draws = 0;
};

// Deletes its editor first, while the whole plug-in still exists: the editor's idle
// thread calls the plug-in until it is stopped.
class EditorPlug : public TestPlug {
 public:
  explicit EditorPlug(int nParams) : TestPlug(nParams) {}
  ~EditorPlug() override {
    delete mGraphics;
    mGraphics = nullptr;
  }
};

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Real keys from a second connection once the modal window had time to appear.
class KeyDriver {
 public:
  explicit KeyDriver(std::vector<KeySym> keys)
      : mThread([keys] {
          Display* d = XOpenDisplay(nullptr);
          if (!d) return;
          WaitForKeyboardGrab(d);  // the modal window is up
          for (KeySym k : keys) {
            XTestFakeKeyEvent(d, XKeysymToKeycode(d, k), True, 0);
            XTestFakeKeyEvent(d, XKeysymToKeycode(d, k), False, 0);
            XSync(d, False);
            Pause(40);
          }
          XCloseDisplay(d);
        }) {}
  ~KeyDriver() { mThread.join(); }

 private:
  std::thread mThread;
};

class X11Graphics : public HostX11Test {
 protected:
  void SetUp() override {
    HostX11Test::SetUp();
    if (!Ready()) return;
    setenv("TONEGLASS_DIALOGS", "none", 1);  // our own drawn windows, whatever is installed
    plug.InitFiveParams();
    plug.GetParam(5)->InitEnum("Mode", 0, 3);
    plug.GetParam(5)->SetDisplayText(0, "Off");
    plug.GetParam(5)->SetDisplayText(1, "Soft");
    plug.GetParam(5)->SetDisplayText(2, "Hard");
    g = new IGraphicsX11(&plug, 200, 100);
    g->AttachPanelBackground(&COLOR_BLACK);
    square = new PromptSquare(&plug, IRECT(10, 10, 60, 60), 5);
    g->AttachControl(square);
    g->AttachControl(new PromptSquare(&plug, IRECT(100, 10, 150, 60), 0));
    plug.AttachGraphics(g);
    parent = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 200, 100, 0, 0, 0);
    XMapWindow(mDisplay, parent);
    XSync(mDisplay, False);
  }
  void TearDown() override {
    HostX11Test::TearDown();
    unsetenv("TONEGLASS_DIALOGS");
  }
  void* Parent() { return reinterpret_cast<void*>(static_cast<uintptr_t>(parent)); }
  void Idle(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      g->OnEditorIdle();
      Pause(10);
    } while (std::chrono::steady_clock::now() < end);
  }
  void Fake(unsigned int button, int x, int y) {
    XTestFakeMotionEvent(mDisplay, 0, x, y, 0);
    XTestFakeButtonEvent(mDisplay, button, True, 0);
    XTestFakeButtonEvent(mDisplay, button, False, 0);
    XSync(mDisplay, False);
  }

  EditorPlug plug{6};
  IGraphicsX11* g = nullptr;  // owned by the plug-in
  PromptSquare* square = nullptr;  // owned by the editor
  Window parent = 0;
};

}  // namespace

TEST_F(X11Graphics, ARightClickChoosesFromTheParametersMenu) {
  ASSERT_NE(g->OpenWindow(Parent()), nullptr);
  EXPECT_STREQ(g->GetGUIAPI(), "X11 GUI");
  Idle(100);
  plug.edits.clear();
  {
    // Down lights "Off", Down "Soft", Down "Hard", Return chooses it.
    KeyDriver keys({XK_Down, XK_Down, XK_Down, XK_Return});
    Fake(3, 30, 30);
    Idle(1200);
  }
  EXPECT_EQ(plug.GetParam(5)->Int(), 2);
  // The menu took the button's release; the gesture still ends for the host.
  const std::vector<TestPlug::Edit> want = {{'B', 5}, {'V', 5}, {'E', 5}};
  EXPECT_EQ(plug.edits, want);
  // Escape leaves the value alone.
  {
    KeyDriver keys({XK_Down, XK_Escape});
    Fake(3, 30, 30);
    Idle(900);
  }
  EXPECT_EQ(plug.GetParam(5)->Int(), 2);
  g->CloseWindow();
  EXPECT_EQ(g->GetWindow(), nullptr);
  // With no window there is no menu.
  IPopupMenu m;
  m.AddItem("x");
  EXPECT_EQ(g->CreateIPopupMenu(&m, nullptr), nullptr);
}

TEST_F(X11Graphics, TheHostsKeysTypeIntoTheTextEntry) {
  ASSERT_NE(g->OpenWindow(Parent()), nullptr);
  Idle(100);
  Fake(3, 120, 30);  // the continuous parameter: a text entry
  Idle(150);
  ASSERT_TRUE(g->TextEntryOpen());
  // The entry's text is selected: what the host's keys type replaces it.
  for (char c : std::string("-7.5")) EXPECT_TRUE(g->OnHostKey(c, 0, 0, true));
  EXPECT_TRUE(g->OnHostKey(0, VKEY_RETURN, 0, true));
  EXPECT_FALSE(g->TextEntryOpen());
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), -7.5);
  // Shift with the arrows selects, Ctrl+A selects all, as the host hands them over.
  Fake(3, 120, 30);
  Idle(150);
  ASSERT_TRUE(g->TextEntryOpen());
  g->OnHostKey(0, VKEY_END, 0, true);                // "-7.5", caret at the end
  g->OnHostKey(0, VKEY_LEFT, MODIFIER_SHIFT, true);  // "5" selected
  g->OnHostKey('2', 0, 0, true);                     // "-7.2"
  g->OnHostKey(0, VKEY_RETURN, 0, true);
  EXPECT_NEAR(plug.GetParam(0)->Value(), -7.2, 1e-9);
  Fake(3, 120, 30);
  Idle(150);
  g->OnHostKey(0, VKEY_END, 0, true);
  g->OnHostKey('a', 0, MODIFIER_CONTROL, true);  // all selected again; nothing typed
  g->OnHostKey('3', 0, 0, true);
  g->OnHostKey(0, VKEY_RETURN, 0, true);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 3.0);
  // Outside an entry the editor takes no key it has no use for.
  EXPECT_FALSE(g->OnHostKey(27, VKEY_ESCAPE, 0, true));
  EXPECT_FALSE(g->OnHostKey('a', 0, 0, false));
  // ForceEndUserEdit abandons an entry.
  Fake(3, 120, 30);
  Idle(150);
  ASSERT_TRUE(g->TextEntryOpen());
  g->OnHostKey('1', 0, 0, true);
  g->ForceEndUserEdit();
  EXPECT_FALSE(g->TextEntryOpen());
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 3.0);
  // So does the keyboard going elsewhere.
  Fake(3, 120, 30);
  Idle(150);
  ASSERT_TRUE(g->TextEntryOpen());
  g->OnHostKey('1', 0, 0, true);
  XSetInputFocus(mDisplay, parent, RevertToParent, CurrentTime);
  XSync(mDisplay, False);
  Idle(100);
  EXPECT_FALSE(g->TextEntryOpen());
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 3.0);
}

TEST_F(X11Graphics, MessageBoxWithoutADialogProgramIsDrawnByUs) {
  ASSERT_NE(g->OpenWindow(Parent()), nullptr);
  Idle(50);
  {
    // Yes/No: the first selectable line is "Yes", one further down "No".
    KeyDriver keys({XK_Down, XK_Down, XK_Return});
    EXPECT_EQ(g->ShowMessageBox("Replace the preset?\nIt cannot be undone.", "Presets", 4), 7);
  }
  {
    KeyDriver keys({XK_Down, XK_Return});
    EXPECT_EQ(g->ShowMessageBox("Saved.", "Presets", 0), 1);
  }
  {
    KeyDriver keys({XK_Escape});
    EXPECT_EQ(g->ShowMessageBox("Saved.", "Presets", 3), 0);
  }
}

TEST_F(X11Graphics, FilePromptFoldersCursorsAndTransparency) {
  WDL_String file("take.wav"), dir("");
  g->PromptForFile(&file, kFileSave, &dir, const_cast<char*>("wav"));
  EXPECT_STREQ(file.Get(), "");  // no window: nothing asked
  ASSERT_NE(g->OpenWindow(Parent()), nullptr);
  file.Set("take.wav");
  g->PromptForFile(&file, kFileSave, &dir, const_cast<char*>("wav"));
  EXPECT_STREQ(file.Get(), "");  // no dialog program: cancelled
  EXPECT_NE(std::string(dir.Get()).find("Desktop"), std::string::npos) << dir.Get();
  WDL_String host, plugDir, desktop, support;
  g->HostPath(&host);
  g->PluginPath(&plugDir);
  g->DesktopPath(&desktop);
  g->AppSupportPath(&support);
  struct stat st;
  EXPECT_EQ(stat(host.Get(), &st), 0) << host.Get();
  ASSERT_GT(strlen(plugDir.Get()), 0u);
  EXPECT_EQ(plugDir.Get()[strlen(plugDir.Get()) - 1], '/');
  EXPECT_EQ(std::string(host.Get()).rfind(plugDir.Get(), 0), 0u);
  setenv("XDG_DATA_HOME", "/data/share", 1);
  g->AppSupportPath(&support);
  EXPECT_STREQ(support.Get(), "/data/share");
  unsetenv("XDG_DATA_HOME");
  // Cursors, hiding and transparency raise no error and keep the editor open.
  g->SetMCursor(kMCursorCustom);
  g->HideMouseCursor();
  g->ShowMouseCursor();
  g->SetMCursor(kMCursorArrow);
  g->SetMCursor(7);  // not a cursor: ignored
  g->SetWindowTransparency(128);
  Idle(50);
  EXPECT_NE(g->GetWindow(), nullptr);
  IColor c(255, 1, 2, 3);
  EXPECT_FALSE(g->PromptForColor(&c));
  EXPECT_EQ(c, IColor(255, 1, 2, 3));
  WDL_String clip;
  EXPECT_FALSE(g->GetTextFromClipboard(&clip));
}

TEST_F(X11Graphics, ExposureRepaintsFromTheBitmapWithoutDrawingControls) {
  ASSERT_NE(g->OpenWindow(Parent()), nullptr);
  Idle(100);
  const int draws = square->draws;
  ASSERT_GT(draws, 0);
  // Covering and uncovering the editor exposes it: the pixels come back from the
  // bitmap, no control draws again.
  Window cover = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 200, 100, 0, 0, 0xff0000);
  XSetWindowAttributes a{};
  a.override_redirect = True;
  XChangeWindowAttributes(mDisplay, cover, CWOverrideRedirect, &a);
  XMapRaised(mDisplay, cover);
  XSync(mDisplay, False);
  Idle(50);
  XDestroyWindow(mDisplay, cover);
  XSync(mDisplay, False);
  Idle(100);
  EXPECT_EQ(square->draws, draws);
  Window editor = static_cast<Window>(reinterpret_cast<uintptr_t>(g->GetWindow()));
  XImage* img = XGetImage(mDisplay, editor, 30, 30, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(XGetPixel(img, 0, 0) & 0xffffff, 0x808080u);  // the square, not the cover's red
  XDestroyImage(img);
}

namespace {

// Closes and reopens the editor from inside its own click, as a host may from a
// callback the click makes (a host that rebuilds its plug-in window on automation).
class ReopenSquare : public IControl {
 public:
  ReopenSquare(IPlugBase* p, IRECT r, void* parent) : IControl(p, r), mParent(parent) {}
  bool Draw(IGraphics* g) override {
    IColor c(255, 60, 60, 60);
    return g->FillIRect(&c, &mRECT);
  }
  void OnMouseDown(int, int, IMouseMod*) override {
    IGraphics* g = GetPlug()->GetGUI();
    g->CloseWindow();
    g->OpenWindow(mParent);
    ++reopens;
  }
  std::atomic<int> reopens{0};

 private:
  void* mParent;
};

int ThreadsInProcess() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
  }
  return n;
}

}  // namespace

// With no effEditIdle coming, the editor's own thread handles the click; the window
// it closes and reopens from there gets one thread, and the stopped one ends instead
// of running on detached beside it.
TEST_F(X11Graphics, ClosingAndReopeningFromTheEditorsOwnThreadLeavesOneThread) {
  auto* reopen = new ReopenSquare(&plug, IRECT(160, 60, 190, 90), Parent());
  g->AttachControl(reopen);
  const int before = ThreadsInProcess();
  ASSERT_NE(g->OpenWindow(Parent()), nullptr);
  const int withEditor = ThreadsInProcess();
  EXPECT_EQ(withEditor, before + 1);
  Pause(400);  // past the host-idle grace: the editor's thread pumps events now
  Fake(1, 175, 75);
  for (int i = 0; i < 200 && reopen->reopens.load() == 0; ++i) Pause(10);
  ASSERT_EQ(reopen->reopens.load(), 1);
  Pause(300);
  EXPECT_EQ(ThreadsInProcess(), withEditor);
  // The new window's thread is the one that draws from now on.
  const long ticks = g->NKeepAliveTicks();
  Pause(400);
  EXPECT_GT(g->NKeepAliveTicks(), ticks);
  g->CloseWindow();
  EXPECT_EQ(ThreadsInProcess(), before);
}
