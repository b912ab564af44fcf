// An editor inside a VST 2 plug-in, driven through the AEffect as a host drives it:
// the host callback sees each gesture as begin-edit, values, end-edit; host changes
// move the controls without coming back as automation; the editor opcodes keep their
// answers; closing the instance stops the editor's idle thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "IGraphicsHeadless.h"
#include "IPlugVST.h"
#include "film_strip.h"
#include "fw_thread_count.h"
#include "vst_test_host.h"

namespace {

std::atomic<int> gIdleCalls{0};

// A plug-in whose constructor builds its editor as a real one does: background
// first, then a knob, a mode switch and a caption, then hands it to the base.
class EditorPlug : public IPlugVST {
 public:
  enum { kGain, kMode, kNumParams };
  enum { kW = 120, kH = 60 };

  explicit EditorPlug(IPlugInstanceInfo info)
      : IPlugVST(info, kNumParams, kNumParams, "2-2", 1, "EditorPlug", "TestProduct", "TestMaker",
                 0x00010000, 0x45645067, 0x54734d6b, 0, false, false, false, 0),
        mStrip(SolidFilmStrip(11, 20, 40)) {
    GetParam(kGain)->InitDouble("Gain", 0.0, -60.0, 6.0, 0.1, "dB");
    GetParam(kMode)->InitEnum("Mode", 0, 3);
    GetParam(kMode)->SetDisplayText(0, "Off");
    GetParam(kMode)->SetDisplayText(1, "Half");
    GetParam(kMode)->SetDisplayText(2, "Full");
    auto* gui = new IGraphicsHeadless(this, kW, kH);
    gui->AttachPanelBackground(&COLOR_GRAY);
    mKnob = new IKnobMultiControl(this, 10, 10, kGain, &mStrip.bitmap);
    gui->AttachControl(mKnob);
    mSwitch = new ISwitchPopUpControl(this, 60, 10, kMode, &mStrip.bitmap);
    gui->AttachControl(mSwitch);
    AttachGraphics(gui);
    MakeDefaultPreset("-", 1);
  }

  void OnPlugIdle() override { ++gIdleCalls; }

  IGraphicsHeadless* Gui() { return static_cast<IGraphicsHeadless*>(GetGUI()); }

  FilmStrip mStrip;
  IControl* mKnob;
  IControl* mSwitch;
};

}  // namespace

#define PLUG_CLASS_NAME EditorPlug
#define IPLUG_NO_MAIN_ALIAS
#include "IPlug_include_in_plug_src.h"

namespace {

using vsthost::HostCall;
using vsthost::Plugin;

EditorPlug* Plug(const Plugin& p) { return static_cast<EditorPlug*>(p.Effect()->object); }

// The begin-edit, automate and end-edit calls, in order, as (opcode, index).
std::vector<std::pair<VstInt32, VstInt32>> EditCalls(Plugin& p) {
  std::vector<std::pair<VstInt32, VstInt32>> v;
  for (const HostCall& c : p.Host().mCalls)
    if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterAutomate || c.opcode == audioMasterEndEdit)
      v.emplace_back(c.opcode, c.index);
  return v;
}

using Calls = std::vector<std::pair<VstInt32, VstInt32>>;
constexpr int kGain = EditorPlug::kGain, kMode = EditorPlug::kMode;

TEST(EditorInVstPlugin, AKnobDragReachesTheHostAsBeginValuesEnd) {
  Plugin p(VSTPluginMain);
  ASSERT_TRUE(p.Ok());
  p.Dispatch(effOpen);
  p.Effect()->setParameter(p.Effect(), kGain, 0.25f);
  p.Host().Forget();
  IGraphicsHeadless* gui = Plug(p)->Gui();
  IMouseMod left(true);
  gui->OnMouseDown(20, 30, &left);
  gui->OnMouseDrag(20, 20, &left);
  gui->OnMouseDrag(20, 10, &left);
  gui->OnMouseDrag(20, 10, &left);  // no movement: no value
  gui->OnMouseUp(20, 10, &left);
  EXPECT_EQ(EditCalls(p), (Calls{{audioMasterBeginEdit, kGain},
                                 {audioMasterAutomate, kGain},
                                 {audioMasterAutomate, kGain},
                                 {audioMasterEndEdit, kGain}}));
  // Two drags of 10 pixels up over a 40-pixel knob with gearing 4.
  const HostCall* last = p.Host().Last(audioMasterAutomate);
  ASSERT_NE(last, nullptr);
  EXPECT_NEAR(last->opt, 0.25 + 2 * 10.0 / 40.0 / 4.0, 1e-6);
  EXPECT_NEAR(p.Effect()->getParameter(p.Effect(), kGain), last->opt, 1e-6);
}

TEST(EditorInVstPlugin, AMenuChoiceIsOneEditAndACancelChangesNothing) {
  Plugin p(VSTPluginMain);
  p.Dispatch(effOpen);
  p.Host().Forget();
  IGraphicsHeadless* gui = Plug(p)->Gui();
  IMouseMod left(true);
  gui->GetResponder()->QueuePopupChoice(2);
  gui->OnMouseDown(70, 20, &left);
  gui->OnMouseUp(70, 20, &left);
  EXPECT_EQ(EditCalls(p), (Calls{{audioMasterBeginEdit, kMode},
                                 {audioMasterAutomate, kMode},
                                 {audioMasterAutomate, kMode},
                                 {audioMasterEndEdit, kMode}}));
  EXPECT_EQ(Plug(p)->GetParam(kMode)->Int(), 2);
  EXPECT_FLOAT_EQ(p.Host().Last(audioMasterAutomate)->opt, 1.0f);

  p.Host().Forget();
  gui->OnMouseDown(70, 20, &left);  // the script has no answer: cancelled
  gui->OnMouseUp(70, 20, &left);
  EXPECT_EQ(Plug(p)->GetParam(kMode)->Int(), 2);
  // The switch still reports its (unchanged) value inside the gesture.
  EXPECT_EQ(EditCalls(p).front(), std::make_pair(static_cast<VstInt32>(audioMasterBeginEdit), kMode));
  EXPECT_EQ(EditCalls(p).back(), std::make_pair(static_cast<VstInt32>(audioMasterEndEdit), kMode));
}

TEST(EditorInVstPlugin, HostChangesMoveTheControlsWithoutComingBack) {
  Plugin p(VSTPluginMain);
  p.Dispatch(effOpen);
  p.Host().Forget();
  EditorPlug* plug = Plug(p);
  IGraphicsHeadless* gui = plug->Gui();
  IRECT all(0, 0, EditorPlug::kW, EditorPlug::kH);
  gui->Draw(&all);  // the first pass, and the one the attach-time values asked for
  gui->Draw(&all);
  IRECT dirty;
  EXPECT_FALSE(gui->IsDirty(&dirty));

  p.Effect()->setParameter(p.Effect(), kGain, 1.0f);
  EXPECT_DOUBLE_EQ(plug->mKnob->GetValue(), 1.0);
  EXPECT_TRUE(gui->IsDirty(&dirty));
  EXPECT_EQ(dirty, *plug->mKnob->GetRECT());
  gui->Draw(&dirty);
  EXPECT_EQ(gui->GetPoint(15, 15), FrameColor(10));

  char text[] = "Half";
  EXPECT_EQ(p.Dispatch(effString2Parameter, kMode, 0, text), 1);
  EXPECT_DOUBLE_EQ(plug->mSwitch->GetValue(), 0.5);
  EXPECT_EQ(EditCalls(p), Calls{});

  // Selecting a program marks every control for redraw.
  gui->Draw(&all);
  gui->Draw(&all);
  p.Dispatch(effSetProgram, 0, 0);
  for (int i = 0; i < gui->GetNControls(); ++i) EXPECT_TRUE(gui->GetControl(i)->IsDirty()) << i;
}

TEST(EditorInVstPlugin, EditorOpcodesKeepTheirAnswers) {
  Plugin p(VSTPluginMain);
  ERect* rect = nullptr;
  EXPECT_EQ(p.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, EditorPlug::kW);
  EXPECT_EQ(rect->bottom - rect->top, EditorPlug::kH);
  EXPECT_EQ(p.Dispatch(effEditGetRect, 0, 0, nullptr), 0);
  // A headless editor has no window to open in the host's.
  EXPECT_EQ(p.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x1234)), 0);
  EXPECT_EQ(p.Dispatch(effEditClose), 1);
  EXPECT_NE(p.Effect()->flags & effFlagsHasEditor, 0);
}

TEST(EditorInVstPlugin, ClosingTheInstanceStopsTheIdleThread) {
  const int before = ThreadCount();
  gIdleCalls = 0;
  {
    Plugin p(VSTPluginMain);
    EXPECT_EQ(ThreadCount(), before + 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(160));
    EXPECT_GE(gIdleCalls.load(), 1);
  }
  EXPECT_EQ(ThreadCount(), before);
  const int calls = gIdleCalls;
  std::this_thread::sleep_for(std::chrono::milliseconds(110));
  EXPECT_EQ(gIdleCalls.load(), calls);
}

}  // namespace
