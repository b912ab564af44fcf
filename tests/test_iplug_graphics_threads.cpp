// The editor under concurrent use, as hosts use it: a host thread automating
// parameters through the VST 2 binding while the editor's thread runs dirty checks
// and draw passes (and rebuilds its controls), with the idle thread ticking. These
// run in the ThreadSanitizer build; here they also check that no host change is
// lost: once the threads stop, the picture shows the last value.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "IGraphicsHeadless.h"
#include "IPlugVST.h"
#include "film_strip.h"
#include "vst_test_host.h"

namespace {

constexpr int kParams = 4;
constexpr int kFrames = 64;

// Four knobs with a caption each and a text field, over a panel; the knobs' film
// strip has one solid colour per frame so a pixel tells what a knob shows.
class BusyPlug : public IPlugVST {
 public:
  explicit BusyPlug(IPlugInstanceInfo info)
      : IPlugVST(info, kParams, kParams, "2-2", 1, "BusyPlug", "TestProduct", "TestMaker", 0x00010000,
                 0x42757379, 0x54734d6b, 0, false, false, false, 0),
        mStrip(SolidFilmStrip(kFrames, 20, 20)) {
    for (int i = 0; i < kParams; ++i) GetParam(i)->InitDouble("Level", 0.0, -60.0, 6.0, 0.01, "dB");
    auto* gui = new IGraphicsHeadless(this, 200, 60);
    BuildControls(gui);
    AttachGraphics(gui);
    MakeDefaultPreset("-", 1);
  }

  void BuildControls(IGraphics* gui) {
    gui->AttachPanelBackground(&COLOR_BLACK);
    IText style(10, &COLOR_WHITE);
    for (int i = 0; i < kParams; ++i) {
      gui->AttachControl(new IKnobMultiControl(this, 10 + 45 * i, 5, i, &mStrip.bitmap));
      gui->AttachControl(new ICaptionControl(this, IRECT(5 + 45 * i, 30, 45 + 45 * i, 45), i, &style));
    }
  }

  // Host threads reach this while the editor draws: the plug-in grays a knob out
  // when its level is at the bottom, as plug-ins do.
  void OnParamChange(int idx) override {
    if (GetGUI()) GetGUI()->GrayOutControl(idx, GetParam(idx)->GetNormalized() < 0.01);
  }
  void OnPlugIdle() override { ++mIdleCalls; }

  IGraphicsHeadless* Gui() { return static_cast<IGraphicsHeadless*>(GetGUI()); }

  FilmStrip mStrip;
  std::atomic<int> mIdleCalls{0};
};

}  // namespace

#define PLUG_CLASS_NAME BusyPlug
#define IPLUG_NO_MAIN_ALIAS
#include "IPlug_include_in_plug_src.h"

namespace {

using vsthost::Plugin;

BusyPlug* Plug(const Plugin& p) { return static_cast<BusyPlug*>(p.Effect()->object); }

// Which frame the knob of parameter i shows.
int ShownFrame(IGraphics* gui, int i) {
  const IColor c = gui->GetPoint(15 + 45 * i, 10);
  for (int f = 0; f < kFrames; ++f) {
    const IColor e = FrameColor(f);
    if (c.R == e.R && c.G == e.G && c.B == e.B) return f + 1;
  }
  return -1;
}

// Editor passes until nothing is dirty (at most a few: a change asks for two).
void DrawUntilClean(IGraphics* gui) {
  for (int pass = 0; pass < 4; ++pass) {
    IRECT r;
    if (!gui->IsDirty(&r)) return;
    gui->Draw(&r);
  }
  ADD_FAILURE() << "still dirty after four passes";
}

TEST(EditorThreads, HostAutomationWhileTheEditorDrawsLosesNoChange) {
  Plugin p(VSTPluginMain);
  ASSERT_TRUE(p.Ok());
  p.Host().mRecord = false;
  AEffect* e = p.Effect();
  IGraphicsHeadless* gui = Plug(p)->Gui();
  std::atomic<bool> stop{false};
  std::atomic<int> passes{0};

  std::thread host([&] {
    while (passes == 0) std::this_thread::yield();  // overlap with the editor for sure
    unsigned seed = 1;
    for (int n = 0; n < 20000; ++n) {
      seed = seed * 1103515245u + 12345u;
      const int idx = static_cast<int>((seed >> 16) % kParams);
      e->setParameter(e, idx, static_cast<float>((seed >> 8) % 1000) / 999.0f);
    }
    stop = true;
  });
  std::thread editor([&] {
    while (!stop) {
      IRECT r;
      if (gui->IsDirty(&r)) gui->Draw(&r);
      ++passes;
    }
  });
  host.join();
  editor.join();
  EXPECT_GT(passes.load(), 0);

  DrawUntilClean(gui);
  for (int i = 0; i < kParams; ++i) {
    if (gui->GetControl(1 + 2 * i)->IsGrayed()) continue;  // drawn faded: no exact colour
    const double v = e->getParameter(e, i);
    EXPECT_EQ(ShownFrame(gui, i), FrameForValue(v, kFrames)) << "knob " << i;
  }
}

TEST(EditorThreads, HostAutomationWhileTheEditorRebuildsItsControls) {
  Plugin p(VSTPluginMain);
  p.Host().mRecord = false;
  AEffect* e = p.Effect();
  BusyPlug* plug = Plug(p);
  IGraphicsHeadless* gui = plug->Gui();
  std::atomic<bool> stop{false};

  std::thread host([&] {
    int n = 0;
    while (!stop) {
      e->setParameter(e, n % kParams, static_cast<float>(n % 100) / 99.0f);
      ++n;
    }
  });
  for (int round = 0; round < 200; ++round) {
    if (round % 2)
      gui->NewGraphics();
    else
      gui->Resize(200, 60, 0);
    plug->BuildControls(gui);
    IRECT all(0, 0, 200, 60);
    gui->Draw(&all);
  }
  stop = true;
  host.join();
  EXPECT_EQ(gui->GetNControls(), 1 + 2 * kParams);
}

TEST(EditorThreads, GesturesAndHostChangesOnTheSameParameter) {
  Plugin p(VSTPluginMain);
  p.Host().mRecord = false;
  AEffect* e = p.Effect();
  IGraphicsHeadless* gui = Plug(p)->Gui();
  std::atomic<bool> stop{false};
  std::thread host([&] {
    int n = 0;
    while (!stop) e->setParameter(e, 0, static_cast<float>(n++ % 7) / 6.0f);
  });
  IMouseMod left(true);
  for (int i = 0; i < 300; ++i) {
    gui->OnMouseDown(20, 15, &left);
    gui->OnMouseDrag(20, 10 - i % 5, &left);
    gui->OnMouseWheel(20, 15, &left, 1);
    gui->OnMouseUp(20, 10, &left);
    IRECT r;
    if (gui->IsDirty(&r)) gui->Draw(&r);
  }
  stop = true;
  host.join();
  DrawUntilClean(gui);
  if (!gui->GetControl(1)->IsGrayed()) {
    EXPECT_EQ(ShownFrame(gui, 0), FrameForValue(e->getParameter(e, 0), kFrames));
  }
}

TEST(EditorThreads, AHostThreadSetsATextWhileTheEditorDrawsIt) {
  Plugin p(VSTPluginMain);
  IGraphicsHeadless* gui = Plug(p)->Gui();
  IText style(12, &COLOR_WHITE);
  auto* status = new ITextControl(Plug(p), IRECT(0, 46, 200, 60), &style, "idle");
  gui->AttachControl(status);
  std::atomic<bool> stop{false};
  std::thread host([&] {
    const char* texts[] = {"a", "a much longer status text than the first one", "", "done"};
    for (int n = 0; n < 4000; ++n) status->SetTextFromPlug(texts[n % 4]);
    stop = true;
  });
  while (!stop) {
    IRECT r;
    if (gui->IsDirty(&r)) gui->Draw(&r);
  }
  host.join();
  DrawUntilClean(gui);
  EXPECT_STREQ(status->GetTextForDisplay(), "done");
}

TEST(EditorThreads, EditorsOfTwoInstancesDrawAtOnceWhileIdling) {
  Plugin a(VSTPluginMain), b(VSTPluginMain);
  std::vector<std::thread> editors;
  for (Plugin* p : {&a, &b}) {
    IGraphicsHeadless* gui = Plug(*p)->Gui();
    editors.emplace_back([gui] {
      IRECT all(0, 0, 200, 60);
      for (int i = 0; i < 200; ++i) {
        gui->SetAllControlsDirty(false);
        gui->Draw(&all);
      }
    });
  }
  for (std::thread& t : editors) t.join();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_GE(Plug(a)->mIdleCalls.load() + Plug(b)->mIdleCalls.load(), 1);
}

}  // namespace
