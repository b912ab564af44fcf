// The built Toneglass_ui.so in a real X server, through a small LV2 UI host of our own:
// the editor embeds in the host's window, shows what the VST 2 editor shows pixel for
// pixel, turns gestures into port writes inside touch pairs, follows the host's port
// values and the engine's display frames, and opens and closes cleanly.
#include <gtest/gtest.h>

#include <thread>
// Before Xlib, whose Bool macro would rename a member of the atom headers.
#include <lv2/atom/util.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host_editor_picture.h"
#include "lv2_ui_test_host.h"
#include "vst_test_host.h"

#if !defined(TONEGLASS_LV2_UI_PATH) || !defined(TONEGLASS_VST_PATH)
#error "TONEGLASS_LV2_UI_PATH and TONEGLASS_VST_PATH must name the built UI binary and Toneglass.so"
#endif

namespace {

constexpr const char* kURI = "urn:vantor:toneglass";
constexpr const char* kUIURI = "urn:vantor:toneglass#ui";
constexpr int kW = 700, kH = 400;
constexpr uint32_t kDryPort = 7, kDisplayPort = 10;
// The Dry knob: film strip at (540, 331)-(592, 375).
constexpr int kKnobX = 566, kKnobY = 353;

class ToneglassLV2UI : public HostX11Test {
 protected:
  void SetUp() override {
    HostX11Test::SetUp();
    if (!Ready()) return;
    mHost = std::make_unique<lv2uihost::UIHost>(TONEGLASS_LV2_UI_PATH, kUIURI, mDisplay);
    ASSERT_TRUE(mHost->Loaded()) << dlerror();
    TakeBaseline();
  }
  void TearDown() override {
    mHost.reset();
    HostX11Test::TearDown();
  }
  void Open() {
    mHost->MakeParent(kW, kH);
    ASSERT_TRUE(mHost->Open(kURI));
    EXPECT_EQ(mHost->Idle(150), 0);
  }
  std::vector<unsigned> Screenshot() { return HostScreenshot(mDisplay, mHost->EditorWindow(), kW, kH); }
  static int Differing(const std::vector<unsigned>& a, const std::vector<unsigned>& b, int y0 = 0, int y1 = kH) {
    return HostDifferingPixels(a, b, kW, y0, y1);
  }
  // Every write since the call at index from lies between a touch begin and its end on
  // the same port, the pairs balance, and there was at least one write: the last written value.
  float WritesInsideTouchPairs(size_t from) {
    const auto& calls = mHost->mCalls;
    int open = 0, writes = 0;
    float last = NAN;
    for (size_t i = from; i < calls.size(); ++i) {
      const auto& c = calls[i];
      EXPECT_EQ(c.port, kDryPort);
      if (c.kind == lv2uihost::UICall::kTouch) {
        open += c.value == 1.0f ? 1 : -1;
        EXPECT_GE(open, 0) << "an end without a begin at call " << i;
        EXPECT_LE(open, 1) << "two begins without an end at call " << i;
      } else {
        EXPECT_EQ(open, 1) << "a write outside a touch pair at call " << i;
        last = c.value;
        ++writes;
      }
    }
    EXPECT_EQ(open, 0) << "a begin without an end";
    EXPECT_GT(writes, 0);
    return last;
  }
  void DragDryKnobUp(int pixels) {
    mHost->Move(kKnobX, kKnobY);
    mHost->Button(1, true);
    for (int dy = 5; dy <= pixels; dy += 5) mHost->Move(kKnobX, kKnobY - dy);
    mHost->Button(1, false);
  }

  std::unique_ptr<lv2uihost::UIHost> mHost;
};

TEST_F(ToneglassLV2UI, OpensAs700By400ChildOfTheHostsWindowWithItsOwnConnection) {
  Open();
  const Window w = mHost->EditorWindow();
  ASSERT_NE(w, 0u);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(mDisplay, w, &a));
  EXPECT_EQ(a.width, kW);
  EXPECT_EQ(a.height, kH);
  EXPECT_EQ(a.map_state, IsViewable);
  EXPECT_EQ(CountSockets(), mSockets + 1);
}

TEST_F(ToneglassLV2UI, WithoutAParentWindowThereIsNoUI) {
  mHost->MakeParent(kW, kH);
  EXPECT_FALSE(mHost->Open(kURI, /*withParent=*/false));
  EXPECT_FALSE(mHost->Open("urn:someone:else"));
  EXPECT_EQ(CountSockets(), mSockets);
}

TEST_F(ToneglassLV2UI, ShowsTheVst2EditorsPicturePixelForPixel) {
  Open();
  mHost->Idle(200);
  const std::vector<unsigned> shot = Screenshot();
  ASSERT_EQ(shot.size(), static_cast<size_t>(kW * kH));
  vsthost::Library lib(TONEGLASS_VST_PATH);
  ASSERT_TRUE(lib.Ok()) << lib.Error();
  vsthost::Plugin vst(lib.Main());
  vst.Start(44100.0f, 512);
  const std::vector<unsigned> want = HostHeadlessPicture(vst.Effect(), kW, kH);
  ASSERT_EQ(want.size(), shot.size());
  EXPECT_EQ(Differing(shot, want), 0);
}

TEST_F(ToneglassLV2UI, ADragWritesTheDryPortInsideOneTouchPair) {
  Open();
  mHost->mCalls.clear();
  DragDryKnobUp(50);
  const auto& calls = mHost->mCalls;
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls.front().kind, lv2uihost::UICall::kTouch);
  EXPECT_EQ(calls.front().value, 1.0f);
  EXPECT_EQ(calls.back().kind, lv2uihost::UICall::kTouch);
  EXPECT_EQ(calls.back().value, 0.0f);
  float last = -6.0f;
  for (size_t i = 1; i + 1 < calls.size(); ++i) {
    EXPECT_EQ(calls[i].kind, lv2uihost::UICall::kWrite);
    EXPECT_GE(calls[i].value, last);  // plain dB, rising as the knob turns up
    last = calls[i].value;
  }
  EXPECT_GT(last, -6.0f);
  EXPECT_LE(last, 0.0f);
  for (const auto& c : calls) {
    EXPECT_EQ(c.port, kDryPort);
    EXPECT_EQ(c.thread, std::this_thread::get_id());
  }
}

TEST_F(ToneglassLV2UI, WheelDoubleClickAndTypedValuesAreWritesInsideTouchPairs) {
  Open();
  size_t mark = mHost->mCalls.size();
  mHost->Click(4, kKnobX, kKnobY);  // wheel up
  mHost->Idle(400);          // a run of notches ends after a pause
  const float up = WritesInsideTouchPairs(mark);
  EXPECT_GT(up, -6.0f);

  // A double click resets to the default.
  mHost->PortEvent(kDryPort, -20.0f);
  mHost->Idle(60);
  mark = mHost->mCalls.size();
  mHost->DoubleClick(kKnobX, kKnobY);
  EXPECT_EQ(WritesInsideTouchPairs(mark), -6.0f);

  // Right click, type, Enter: the typed value is written.
  mark = mHost->mCalls.size();
  mHost->Click(3, kKnobX, kKnobY);  // the entry opens with its text selected: typing replaces it
  mHost->Type("-12.5");
  mHost->Key(XK_Return);
  EXPECT_EQ(WritesInsideTouchPairs(mark), -12.5f);
}

TEST_F(ToneglassLV2UI, TheEnginesDisplayPortFeedsTheViewThroughTheHost) {
  // The engine through lilv makes a frame from a loud tone; the host hands the event on.
  lv2host::World world({std::string(TONEGLASS_LV2_UI_PATH).substr(0, std::string(TONEGLASS_LV2_UI_PATH).rfind('/'))});
  const LilvPlugin* plugin = world.Plugin(kURI);
  ASSERT_NE(plugin, nullptr);
  lv2host::Instance engine(world, plugin, 44100.0, 2048);
  ASSERT_TRUE(engine.Ok());
  engine.Activate();
  for (int i = 0; i < 2048; ++i) engine.In(0)[i] = engine.In(1)[i] = 0.5f * std::sin(2.0 * M_PI * 3000.0 * i / 44100.0);
  engine.Run(2048);
  const LV2_Atom_Sequence* seq = engine.AtomOut();
  ASSERT_GT(seq->atom.size, sizeof(LV2_Atom_Sequence_Body));
  const LV2_Atom_Event* ev = lv2_atom_sequence_begin(&seq->body);

  Open();
  const std::vector<unsigned> before = Screenshot();
  // The UI host has its own URID map: the atom's URIDs are translated as a host between
  // processes would (here both maps number the same URIs in the same order).
  std::vector<uint8_t> copy(sizeof(LV2_Atom) + ev->body.size);
  memcpy(copy.data(), &ev->body, copy.size());
  auto* obj = reinterpret_cast<LV2_Atom_Object*>(copy.data());
  lv2host::UridMap& ui = mHost->Urids();
  lv2host::UridMap& eng = world.Urids();
  obj->atom.type = ui.Map(LV2_ATOM__Object);
  obj->body.otype = ui.Map("urn:vantor:toneglass#DisplayFrame");
  LV2_ATOM_OBJECT_FOREACH(obj, prop) {
    if (prop->key == eng.Map("urn:vantor:toneglass#sampleRate")) {
      prop->key = ui.Map("urn:vantor:toneglass#sampleRate");
      prop->value.type = ui.Map(LV2_ATOM__Float);
    } else if (prop->key == eng.Map("urn:vantor:toneglass#displayValues")) {
      prop->key = ui.Map("urn:vantor:toneglass#displayValues");
      prop->value.type = ui.Map(LV2_ATOM__Vector);
      reinterpret_cast<LV2_Atom_Vector*>(&prop->value)->body.child_type = ui.Map(LV2_ATOM__Float);
    }
  }
  mHost->AtomEvent(kDisplayPort, &obj->atom);
  mHost->Idle(100);
  const std::vector<unsigned> after = Screenshot();
  EXPECT_GT(Differing(before, after, 40, 300), 0);  // the curve rose in the view
  EXPECT_EQ(Differing(before, after, 310, 400), 0);   // the knobs did not move
}

TEST_F(ToneglassLV2UI, WithoutTouchTheDragStillWritesThePort) {
  mHost->MakeParent(kW, kH);
  ASSERT_TRUE(mHost->Open(kURI, true, /*withTouch=*/false));
  mHost->Idle(100);
  DragDryKnobUp(30);
  ASSERT_FALSE(mHost->mCalls.empty());
  for (const auto& c : mHost->mCalls) EXPECT_EQ(c.kind, lv2uihost::UICall::kWrite);
}

TEST_F(ToneglassLV2UI, HostPortValuesMoveTheKnobAndTheNextDragStartsThere) {
  Open();
  const std::vector<unsigned> before = Screenshot();
  mHost->PortEvent(kDryPort, -40.0f);
  mHost->Idle(100);
  const std::vector<unsigned> after = Screenshot();
  EXPECT_GT(Differing(before, after, 315, 400), 0);  // the knob row changed
  mHost->mCalls.clear();
  DragDryKnobUp(10);
  ASSERT_GE(mHost->mCalls.size(), 3u);
  EXPECT_NEAR(mHost->mCalls[1].value, -40.0f, 2.0f);
  // Values outside the range, other ports' sizes and non-numbers change nothing harmful.
  mHost->PortEvent(kDryPort, 1000.0f);
  mHost->PortEvent(kDryPort, NAN);
  mHost->PortEvent(999, 1.0f);
  mHost->Idle(50);
}

TEST_F(ToneglassLV2UI, TenOpensAndClosesLeaveNoThreadOrConnectionBehind) {
  mHost->MakeParent(kW, kH);
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(mHost->Open(kURI)) << i;
    mHost->Idle(30);
    mHost->Close();
    ExpectNothingLeft(i);
  }
}

TEST_F(ToneglassLV2UI, TheParentDestroyedFirstClosesTheUIAndIdleSaysSo) {
  Open();
  mHost->DestroyParent();
  EXPECT_EQ(mHost->Idle(100), 1);
  mHost->Close();
  ExpectNothingLeft();
}

}  // namespace
