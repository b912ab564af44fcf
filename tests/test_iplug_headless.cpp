// The headless backend: screen updates without a screen, the scripted responder
// answering menus, text entry and dialogs (and recording them), and the PNG writer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "IParam.h"
#include "editor_test_canvas.h"
#include "fw_scoped_env.h"
#include "iplug_test_plug.h"
#include "temp_folder.h"

namespace {

// A control that draws nothing and keeps what a text entry hands back.
class ValueControl : public IControl {
 public:
  ValueControl(IPlugBase* pPlug, IRECT r, int paramIdx) : IControl(pPlug, r, paramIdx) {}
  bool Draw(IGraphics*) override { return true; }
  void TextFromTextEntry(const char* txt) override { typed = txt ? txt : "(null)"; }
  std::string typed;
};

class Headless : public ::testing::Test {
 protected:
  enum { kThreshold = 0, kStart, kMix, kSteps, kSwitch, kMode };
  Headless() : plug(6) {
    plug.InitFiveParams();
    IParam* mode = plug.GetParam(kMode);
    mode->InitEnum("Mode", 1, 3);
    mode->SetDisplayText(0, "Low");
    mode->SetDisplayText(1, "Mid");
    mode->SetDisplayText(2, "High");
    plug.countIdleOnly = true;
    gui = new IGraphicsHeadless(&plug, 100, 50);
    for (int i = 0; i < 6; ++i) controls[i] = new ValueControl(&plug, IRECT(0, 0, 10, 10), i);
    for (ValueControl* c : controls) gui->AttachControl(c);
    plug.AttachGraphics(gui);  // the plug-in owns the editor from here
    responder = gui->GetResponder();
  }
  ~Headless() override { gui->StopIdleThread(); }

  void Prompt(int paramIdx) {
    IRECT r(1, 2, 30, 12);
    gui->PromptUserInput(controls[paramIdx], plug.GetParam(paramIdx), &r);
  }
  double Value(int paramIdx) { return plug.GetParam(paramIdx)->Value(); }

  TestPlug plug;
  IGraphicsHeadless* gui;
  ValueControl* controls[6];
  IHeadlessResponder* responder;
};

TEST_F(Headless, DrawsWithoutAScreenOrAWindow) {
  IRECT r(0, 0, 100, 50);
  EXPECT_TRUE(gui->Draw(&r));
  EXPECT_EQ(gui->NScreenUpdates(), 1);
  EXPECT_EQ(gui->LastScreenRect(), r);
  EXPECT_EQ(gui->OpenWindow(nullptr), nullptr);
  EXPECT_FALSE(gui->WindowIsOpen());
}

TEST_F(Headless, AMenuWithoutItemsIsAlwaysCancelled) {
  IPopupMenu empty;
  IRECT r(0, 0, 5, 5);
  responder->QueuePopupChoice(0);
  EXPECT_EQ(gui->CreateIPopupMenu(&empty, &r), nullptr);
  EXPECT_EQ(empty.GetChosenItemIdx(), -1);
  EXPECT_EQ(gui->CreateIPopupMenu(nullptr, &r), nullptr);
}

TEST_F(Headless, GarbageTypedForEveryKindGivesZeroClampedToTheRange) {
  const std::string longDigits(100000, '9');
  for (const char* garbage : {"abc", "", "\xff\xfe", "1e999999", "nan", longDigits.c_str()}) {
    SCOPED_TRACE(std::string(garbage).substr(0, 10));
    for (int p : {kThreshold, kStart, kMix, kSteps}) {
      responder->QueueTextEntry(garbage);
      Prompt(p);
      const IParam* param = plug.GetParam(p);
      EXPECT_GE(Value(p), param->GetMin());
      EXPECT_LE(Value(p), param->GetMax());
    }
  }
}

TEST_F(Headless, TextEntryWithoutAParameterGoesToTheControl) {
  responder->QueueTextEntry("free text");
  IText style;
  IRECT r(0, 0, 10, 10);
  gui->CreateTextEntry(controls[0], &style, &r, "start");
  EXPECT_EQ(controls[0]->typed, "free text");
  EXPECT_EQ(responder->GetRequests()[0].paramIdx, -1);
  EXPECT_EQ(responder->GetRequests()[0].text, "start");
  gui->CreateTextEntry(nullptr, &style, &r, "no control");  // ignored
  EXPECT_EQ(responder->NRequests(), 1);
}

TEST_F(Headless, DialogsAreAnsweredFromTheScript) {
  responder->QueueMessageBoxAnswer(6);
  EXPECT_EQ(gui->ShowMessageBox("Really?", "Toneglass", 4), 6);
  EXPECT_EQ(gui->ShowMessageBox("Again?", "Toneglass", 4), 0);
  WDL_String file("stale"), dir("/presets");
  responder->QueueFile("/tmp/a.fxp");
  gui->PromptForFile(&file, kFileSave, &dir);
  EXPECT_STREQ(file.Get(), "/tmp/a.fxp");
  gui->PromptForFile(&file);  // nothing queued: cancelled, the name is emptied
  EXPECT_STREQ(file.Get(), "");
  IColor colour;
  responder->QueueColor(COLOR_ORANGE);
  EXPECT_TRUE(gui->PromptForColor(&colour));
  EXPECT_EQ(colour, COLOR_ORANGE);
  EXPECT_FALSE(gui->PromptForColor(&colour));
  EXPECT_FALSE(gui->OpenURL("https://example.org/"));
  const auto asked = responder->GetRequests();
  ASSERT_EQ(asked.size(), 7u);
  EXPECT_EQ(asked[0].text, "Really?");
  EXPECT_EQ(asked[0].caption, "Toneglass");
  EXPECT_EQ(asked[2].text, "/presets");
  EXPECT_EQ(asked[6].kind, IHeadlessResponder::kOpenURL);
  EXPECT_EQ(asked[6].text, "https://example.org/");
  responder->ClearRequests();
  EXPECT_EQ(responder->NRequests(), 0);
}

// A responder of the test's own that picks the last item of every menu.
class LastItemResponder : public IHeadlessResponder {
 public:
  int AnswerPopup(const IPopupMenu& menu, const IRECT&) override { return menu.GetNItems() - 1; }
};

TEST_F(Headless, AnotherResponderOrNoneAtAll) {
  LastItemResponder last;
  gui->SetResponder(&last);
  Prompt(kMode);
  EXPECT_DOUBLE_EQ(Value(kMode), 2.0);
  gui->SetResponder(nullptr);  // every prompt cancelled
  Prompt(kMode);
  Prompt(kThreshold);
  EXPECT_EQ(gui->ShowMessageBox("x", "y", 0), 0);
  EXPECT_DOUBLE_EQ(Value(kMode), 2.0);
  EXPECT_DOUBLE_EQ(Value(kThreshold), -20.0);
}

TEST(HeadlessPng, WritesTheDrawBitmapAsOpaqueRgbAndLeavesNoTemporaryFile) {
  TestCanvas c(7, 5);
  c.Clear(LICE_RGBA(10, 20, 30, 0));  // alpha 0: a screen shows the colour regardless
  const IColor red(255, 255, 0, 0);
  c.gfx.ForcePixel(&red, 6, 4);
  const std::string dir = TestOutputDir();
  const std::string path = dir + "/headless_write.png";
  ASSERT_TRUE(WriteDrawBitmapPNG(&c.gfx, path.c_str()));
  LICE_IBitmap* back = LICE_LoadPNG(path.c_str());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->getWidth(), 7);
  EXPECT_EQ(back->getHeight(), 5);
  EXPECT_EQ(LICE_GetPixel(back, 0, 0), LICE_RGBA(10, 20, 30, 255));
  EXPECT_EQ(LICE_GetPixel(back, 6, 4), LICE_RGBA(255, 0, 0, 255));
  delete back;
  // Only the picture is left: no temporary name beside it.
  FILE* ls = popen(("ls '" + dir + "' | grep -c 'headless_write.png.tmp'").c_str(), "r");
  ASSERT_NE(ls, nullptr);
  char count[16] = {};
  ASSERT_NE(fgets(count, sizeof(count), ls), nullptr);
  pclose(ls);
  EXPECT_STREQ(count, "0\n");
  // Writing over an existing picture replaces it.
  c.Clear(LICE_RGBA(0, 0, 255, 255));
  ASSERT_TRUE(WriteDrawBitmapPNG(&c.gfx, path.c_str()));
  back = LICE_LoadPNG(path.c_str());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(LICE_GetPixel(back, 3, 3), LICE_RGBA(0, 0, 255, 255));
  delete back;
}

TEST(HeadlessPng, FailuresReportFalseAndLeaveNothing) {
  TestCanvas c(4, 4);
  EXPECT_FALSE(WriteDrawBitmapPNG(&c.gfx, "/nonexistent-dir/x.png"));
  EXPECT_FALSE(WriteDrawBitmapPNG(&c.gfx, nullptr));
  EXPECT_FALSE(WriteDrawBitmapPNG(&c.gfx, ""));
  EXPECT_FALSE(WriteDrawBitmapPNG(nullptr, "/tmp/x.png"));
  IGraphicsHeadless unprepared(nullptr, 4, 4);  // no draw bitmap yet
  const std::string path = TestOutputDir() + "/headless_unprepared.png";
  unlink(path.c_str());
  EXPECT_FALSE(WriteDrawBitmapPNG(&unprepared, path.c_str()));
  EXPECT_NE(access(path.c_str(), F_OK), 0);
  LICE_MemBitmap empty;
  EXPECT_FALSE(WriteBitmapPNG(&empty, path.c_str()));
}

}  // namespace

// ---- Folders ----------------------------------------------------------------------------
// Every Linux backend answers these the same way: from the XDG folders and from the binary
// the editor's code is linked into (here, this test program).


TEST_F(Headless, FoldersAreTheXdgFoldersAndThePluginsOwnBinary) {
  TempFolder tmp;
  const std::string home = tmp.Path("me");
  std::filesystem::create_directories(tmp.Path("cfg"));
  std::ofstream(tmp.Path("cfg/user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                                  << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch/\"\n";
  ScopedEnv h("HOME", home.c_str());
  WDL_String path;
  {
    ScopedEnv c("XDG_CONFIG_HOME", tmp.Path("cfg").c_str());
    gui->DesktopPath(&path);
    EXPECT_EQ(std::string(path.Get()), home + "/Schreibtisch");
  }
  {
    ScopedEnv c("XDG_CONFIG_HOME", nullptr);  // no user-dirs.dirs under ~/.config
    gui->DesktopPath(&path);
    EXPECT_EQ(std::string(path.Get()), home + "/Desktop");
  }
  {
    ScopedEnv d("XDG_DATA_HOME", "/data/share");
    gui->AppSupportPath(&path);
    EXPECT_STREQ(path.Get(), "/data/share");
    gui->AppSupportPath(&path, true);  // the flag changes nothing
    EXPECT_STREQ(path.Get(), "/data/share");
  }
  {
    ScopedEnv d("XDG_DATA_HOME", "relative/share");  // not absolute: ignored
    gui->AppSupportPath(&path);
    EXPECT_EQ(std::string(path.Get()), home + "/.local/share");
  }

  char self[4096];
  ASSERT_NE(realpath("/proc/self/exe", self), nullptr);
  gui->HostPath(&path);
  EXPECT_STREQ(path.Get(), self);
  gui->PluginPath(&path);
  const std::string folder = std::string(self).substr(0, std::string(self).rfind('/') + 1);
  EXPECT_EQ(std::string(path.Get()), folder);
  // Null is ignored.
  gui->HostPath(nullptr);
  gui->PluginPath(nullptr);
  gui->DesktopPath(nullptr);
  gui->AppSupportPath(nullptr);
}
