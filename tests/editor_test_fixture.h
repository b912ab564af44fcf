// What the editor tests share: a test plug-in with a headless editor attached, and a
// probe control that records what the context asks of it.
#ifndef TESTS_EDITOR_TEST_FIXTURE_H_
#define TESTS_EDITOR_TEST_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IGraphicsHeadless.h"
#include "iplug_test_plug.h"

// Records draws (with the clip rectangle of the pass) and events into a log shared by
// every probe of a test, so the order across controls can be checked.
class ProbeControl : public IControl {
 public:
  struct Entry {
    std::string what;
    int id;
    IRECT clip;
  };

  ProbeControl(IPlugBase* pPlug, IRECT r, int paramIdx, int id, std::vector<Entry>* pLog)
      : IControl(pPlug, r, paramIdx), mId(id), mLog(pLog) {}

  bool Draw(IGraphics* pGraphics) override {
    mLog->push_back({"draw", mId, *pGraphics->GetDrawRECT()});
    return true;
  }
  void OnMouseDown(int x, int y, IMouseMod* pMod) override {
    mLog->push_back({"down", mId, IRECT()});
    if (pushOnDown >= 0.0) SetValueFromUserInput(pushOnDown);
    IControl::OnMouseDown(x, y, pMod);
  }
  void OnMouseUp(int, int, IMouseMod*) override { mLog->push_back({"up", mId, IRECT()}); }
  void OnMouseDrag(int, int, int dX, int dY, IMouseMod*) override {
    mLog->push_back({"drag " + std::to_string(dX) + "," + std::to_string(dY), mId, IRECT()});
  }
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override {
    mLog->push_back({"dbl", mId, IRECT()});
    IControl::OnMouseDblClick(x, y, pMod);
  }
  void OnMouseWheel(int, int, IMouseMod*, int d) override {
    mLog->push_back({"wheel " + std::to_string(d), mId, IRECT()});
  }
  bool OnKeyDown(int, int, int key) override {
    mLog->push_back({"key " + std::to_string(key), mId, IRECT()});
    return true;
  }
  void OnMouseOver(int, int, IMouseMod*) override { mLog->push_back({"over", mId, IRECT()}); }
  void OnMouseOut() override { mLog->push_back({"out", mId, IRECT()}); }
  void OnGUIIdle() override { ++guiIdles; }

  double pushOnDown = -1.0;  // a value the control takes on mouse-down, if >= 0
  int guiIdles = 0;

 private:
  int mId;
  std::vector<Entry>* mLog;
};

// A test plug-in with seven parameters (the five of InitFiveParams, an enumeration
// "Mode": Low, Mid, High, and an enumeration "Bare" of four values without texts)
// and a 200 x 100 headless editor, not yet attached to the plug-in: tests attach
// their controls first, as plug-ins do.
class EditorTest : public ::testing::Test {
 protected:
  EditorTest() {
    plug.InitFiveParams();
    IParam* mode = plug.GetParam(kMode);
    mode->InitEnum("Mode", 1, 3);
    mode->SetDisplayText(0, "Low");
    mode->SetDisplayText(1, "Mid");
    mode->SetDisplayText(2, "High");
    plug.GetParam(kBare)->InitEnum("Bare", 1, 4);
    plug.countIdleOnly = true;
    gui = new IGraphicsHeadless(&plug, 200, 100);
  }
  ~EditorTest() override {
    // The idle thread calls into the plug-in: stop it before the plug-in goes.
    gui->StopIdleThread();
    if (!attached) delete gui;
  }

  void Attach() {
    plug.AttachGraphics(gui);
    attached = true;
  }
  ProbeControl* AddProbe(IRECT r, int paramIdx = -1) {
    auto* p = new ProbeControl(&plug, r, paramIdx, gui->GetNControls(), &log);
    gui->AttachControl(p);
    return p;
  }
  // The log without draws, as "what id" strings.
  std::vector<std::string> Events() const {
    std::vector<std::string> v;
    for (const auto& e : log)
      if (e.what != "draw") v.push_back(e.what + " " + std::to_string(e.id));
    return v;
  }
  std::vector<int> DrawnIds() const {
    std::vector<int> v;
    for (const auto& e : log)
      if (e.what == "draw") v.push_back(e.id);
    return v;
  }
  void CleanAll() {
    for (int i = 0; i < gui->GetNControls(); ++i) {
      gui->GetControl(i)->SetClean();
      gui->GetControl(i)->SetClean();
    }
  }

  enum { kThreshold = 0, kStart, kMix, kSteps, kSwitch, kMode, kBare };
  TestPlug plug{7};
  IGraphicsHeadless* gui;
  bool attached = false;
  std::vector<ProbeControl::Entry> log;
  IMouseMod left{true, false, false, false, false};
  IMouseMod right{false, true, false, false, false};
};

inline std::ostream& operator<<(std::ostream& os, const IRECT& r) {
  return os << "(" << r.L << ", " << r.T << ", " << r.R << ", " << r.B << ")";
}

#endif  // TESTS_EDITOR_TEST_FIXTURE_H_
