// The begin-edit / end-edit notices the host hears around what a user changes in an
// editor, without a window system: every value inside one begin/end pair of its
// parameter, no end without a begin, no second begin, nothing left open; a drag, a
// double-click reset, a typed value and a key are one gesture each, a run of wheel
// notches one gesture that ends after a pause.
#include <chrono>
#include <sstream>

#include "editor_test_fixture.h"

using Edit = TestPlug::Edit;

// "B2" for a begin-edit of parameter 2, in failure messages.
void PrintTo(const Edit& e, std::ostream* os) { *os << e.kind << e.paramIdx; }

namespace {

// A host's reading of the notices; empty when they pair up.
std::string PairingFaults(const std::vector<Edit>& edits, bool closed = true) {
  std::vector<int> open;
  std::ostringstream faults;
  for (size_t i = 0; i < edits.size(); ++i) {
    const Edit& e = edits[i];
    const auto it = std::find(open.begin(), open.end(), e.paramIdx);
    if (e.kind == 'B') {
      if (it != open.end()) faults << i << ": second begin for " << e.paramIdx << "; ";
      else open.push_back(e.paramIdx);
    } else if (e.kind == 'E') {
      if (it == open.end()) faults << i << ": end without begin for " << e.paramIdx << "; ";
      else open.erase(it);
    } else if (it == open.end()) {
      faults << i << ": value outside a gesture for " << e.paramIdx << "; ";
    }
  }
  if (closed)
    for (int p : open) faults << "left open: " << p << "; ";
  return faults.str();
}

long long Now() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A knob with nothing to draw.
class Knob : public IKnobControl {
 public:
  Knob(IPlugBase* p, IRECT r, int param) : IKnobControl(p, r, param) {}
  bool Draw(IGraphics*) override { return true; }
};

// A control that changes its parameter on a key and sets a second one with it.
class KeyedControl : public IControl {
 public:
  KeyedControl(IPlugBase* p, IRECT r, int param, int second) : IControl(p, r, param) {
    AddAuxParam(second);
  }
  bool Draw(IGraphics*) override { return true; }
  bool OnKeyDown(int, int, int) override {
    mValue = 0.5;
    SetDirty(true);
    return true;
  }
  void OnMouseDrag(int, int, int, int dY, IMouseMod*) override {
    GetAuxParam(0)->mValue = dY > 0 ? 0.1 : 0.9;
    SetAllAuxParamsFromGUI();
  }
};

class EditGestures : public EditorTest {
 protected:
  void SetUp() override {
    knob = new Knob(&plug, IRECT(0, 0, 50, 50), kMix);
    gui->AttachControl(knob);
    other = new Knob(&plug, IRECT(100, 0, 150, 50), kThreshold);
    gui->AttachControl(other);
    Attach();
    plug.edits.clear();
  }
  Knob* knob = nullptr;
  Knob* other = nullptr;
  const std::vector<Edit> kMixGesture = {{'B', kMix}, {'V', kMix}, {'E', kMix}};
};

}  // namespace

TEST_F(EditGestures, ADragIsOneGestureFromPressToRelease) {
  gui->OnMouseDown(20, 20, &left);
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kMix}}));  // touched on the press
  gui->OnMouseDrag(20, 10, &left);
  gui->OnMouseDrag(20, 0, &left);
  gui->OnMouseDrag(130, 0, &left);  // over the other knob: still this one's drag
  gui->OnMouseUp(130, 0, &left);
  EXPECT_EQ(plug.edits,
            (std::vector<Edit>{{'B', kMix}, {'V', kMix}, {'V', kMix}, {'V', kMix}, {'E', kMix}}));
  // A second release ends nothing.
  gui->OnMouseUp(20, 20, &left);
  EXPECT_EQ(PairingFaults(plug.edits), "");
}

TEST_F(EditGestures, ADoubleClickResetIsBeginValueEnd) {
  knob->SetValueFromUserInput(0.9);
  plug.edits.clear();
  // As a window system sends it: press, release, double click, release.
  gui->OnMouseDown(20, 20, &left);
  gui->OnMouseUp(20, 20, &left);
  plug.edits.clear();
  gui->OnMouseDblClick(20, 20, &left);
  EXPECT_EQ(plug.edits, kMixGesture);
  gui->OnMouseUp(20, 20, &left);
  EXPECT_EQ(plug.edits, kMixGesture);
  EXPECT_DOUBLE_EQ(knob->GetValue(), plug.GetParam(kMix)->GetDefaultNormalized());
  // A control that takes a double click as a press: the press's gesture, to the release.
  plug.edits.clear();
  knob->SetMouseDblAsSingleClick(true);
  EXPECT_TRUE(gui->OnMouseDblClick(20, 20, &left));
  gui->OnMouseDrag(20, 10, &left);
  gui->OnMouseUp(20, 10, &left);
  EXPECT_EQ(plug.edits, kMixGesture);
}

TEST_F(EditGestures, WheelNotchesInARowAreOneGestureEndedByAPause) {
  for (int i = 0; i < 3; ++i) gui->OnMouseWheel(20, 20, nullptr, 1);
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kMix}, {'V', kMix}, {'V', kMix}, {'V', kMix}}));
  EXPECT_TRUE(gui->EditGestures().WheelRunning());
  // Mouse moves and the editor's idle do not end it before the pause.
  IMouseMod none;
  gui->OnMouseOver(21, 21, &none);
  gui->EditGestures().Poll(Now());
  EXPECT_TRUE(gui->EditGestures().IsOpen(kMix));
  gui->EditGestures().Poll(Now() + IEditGestures::kWheelPauseMs + 50);
  EXPECT_FALSE(gui->EditGestures().IsOpen(kMix));
  EXPECT_FALSE(gui->EditGestures().WheelRunning());
  EXPECT_EQ(plug.edits.back(), (Edit{'E', kMix}));
  EXPECT_EQ(PairingFaults(plug.edits), "");
  // A later pause ends nothing more.
  gui->EditGestures().Poll(Now() + 10000);
  EXPECT_EQ(PairingFaults(plug.edits), "");
}

TEST_F(EditGestures, AnythingElseTheUserStartsEndsAWheelRunFirst) {
  gui->OnMouseWheel(20, 20, nullptr, 1);
  gui->OnMouseWheel(120, 20, nullptr, -1);  // the other knob: a run of its own
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kMix}, {'V', kMix}, {'E', kMix}, {'B', kThreshold},
                                           {'V', kThreshold}}));
  gui->OnMouseDown(20, 20, &left);  // a press
  EXPECT_EQ(PairingFaults(plug.edits, false), "");
  EXPECT_FALSE(gui->EditGestures().IsOpen(kThreshold));
  gui->OnMouseUp(20, 20, &left);
  plug.edits.clear();
  gui->OnMouseWheel(20, 20, nullptr, 1);
  gui->OnMouseDblClick(120, 20, &left);  // a reset
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kMix}, {'V', kMix}, {'E', kMix}, {'B', kThreshold},
                                           {'V', kThreshold}, {'E', kThreshold}}));
  // Wheeling while a button is held belongs to the press.
  plug.edits.clear();
  gui->OnMouseDown(20, 20, &left);
  gui->OnMouseWheel(20, 20, nullptr, 1);
  gui->OnMouseUp(20, 20, &left);
  EXPECT_EQ(plug.edits, kMixGesture);
  EXPECT_FALSE(gui->EditGestures().WheelRunning());
}

TEST_F(EditGestures, ATypedValueIsOneGestureWithOrWithoutThePress) {
  // Outside any press (a window system's field finishing later).
  char text[] = "0.3";
  gui->SetFromStringAfterPrompt(knob, plug.GetParam(kMix), text);
  EXPECT_EQ(plug.edits, kMixGesture);
  EXPECT_DOUBLE_EQ(plug.GetParam(kMix)->Value(), 0.3);
  // Answered inside the right click that asked for it: part of that press.
  plug.edits.clear();
  knob->DisablePrompt(false);
  gui->GetResponder()->QueueTextEntry("0.6");
  gui->OnMouseDown(20, 20, &right);
  gui->OnMouseUp(20, 20, &right);
  EXPECT_EQ(plug.edits, kMixGesture);
  EXPECT_DOUBLE_EQ(plug.GetParam(kMix)->Value(), 0.6);
}

TEST_F(EditGestures, KeysAndSeveralParametersOfOneControl) {
  auto* keyed = new KeyedControl(&plug, IRECT(0, 60, 50, 90), kSteps, kStart);
  gui->AttachControl(keyed);
  EXPECT_TRUE(gui->OnKeyDown(20, 70, KEY_UPARROW));
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kSteps}, {'V', kSteps}, {'E', kSteps}}));
  // A drag that moves the control's second parameter too: both in the gesture,
  // both ended by the release.
  plug.edits.clear();
  gui->OnMouseDown(20, 70, &left);
  gui->OnMouseDrag(20, 80, &left);
  gui->OnMouseDrag(20, 60, &left);
  gui->OnMouseUp(20, 60, &left);
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kSteps}, {'B', kStart}, {'V', kStart}, {'V', kStart},
                                           {'E', kSteps}, {'E', kStart}}));
}

TEST_F(EditGestures, ClosingTheEditorEndsWhatIsOpenAndTheLateReleaseEndsNothing) {
  gui->OnMouseDown(20, 20, &left);
  gui->OnMouseDrag(20, 10, &left);
  gui->EndEditGestures();
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kMix}, {'V', kMix}, {'E', kMix}}));
  gui->OnMouseUp(20, 10, &left);
  gui->EndEditGestures();  // twice is harmless
  EXPECT_EQ(PairingFaults(plug.edits), "");
  EXPECT_EQ(plug.edits.size(), 3u);
  // A wheel run too.
  gui->OnMouseWheel(120, 20, nullptr, 1);
  gui->EndEditGestures();
  EXPECT_EQ(PairingFaults(plug.edits), "");
  EXPECT_EQ(gui->EditGestures().NOpen(), 0);
}

TEST_F(EditGestures, ThePlugInsOwnChangesOutsideUserEventsAreNotGestures) {
  // Hosts hear these as before: no begin/end invented around them.
  plug.SetParameterFromGUI(kMix, 0.4);
  gui->SetParameterFromGUI(kThreshold, 0.2);
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'V', kMix}, {'V', kThreshold}}));
}

// A host that closes the editor when it hears a begin (some do, from a menu the
// begin opens) sees the end once and no value without a begin after it.
class ClosingPlug : public TestPlug {
 public:
  using TestPlug::TestPlug;
  void BeginInformHostOfParamChange(int paramIdx) override {
    TestPlug::BeginInformHostOfParamChange(paramIdx);
    if (closeOnBegin && GetGUI()) GetGUI()->EndEditGestures();
  }
  bool closeOnBegin = false;
};

TEST(EditGesturesReentry, AnEndFromInsideTheBeginIsSeenOnce) {
  ClosingPlug plug(5);
  plug.InitFiveParams();
  plug.countIdleOnly = true;
  auto* gui = new IGraphicsHeadless(&plug, 100, 100);
  gui->AttachControl(new Knob(&plug, IRECT(0, 0, 50, 50), 2));
  plug.AttachGraphics(gui);
  plug.closeOnBegin = true;
  IMouseMod left{true, false, false, false, false};
  gui->OnMouseDown(20, 20, &left);
  gui->OnMouseDrag(20, 10, &left);
  gui->OnMouseUp(20, 10, &left);
  gui->OnMouseWheel(20, 20, nullptr, 1);
  gui->EditGestures().Poll(Now() + 1000);
  EXPECT_EQ(PairingFaults(plug.edits), "");
  EXPECT_EQ(plug.edits.front(), (Edit{'B', 2}));
  EXPECT_EQ(plug.edits[1], (Edit{'E', 2}));
  gui->StopIdleThread();
}
