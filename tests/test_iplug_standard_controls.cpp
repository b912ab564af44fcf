// The standard controls through the real context: the frame rule, knob gearing and
// fine mode, wheel steps, switch stepping, contact, frames and pop-up switches, radio
// buttons, fader snapping, caption, link, file selector, and what each draws.
#include <cmath>
#include <limits>

#include "editor_test_fixture.h"
#include "film_strip.h"

namespace {

// The knob family's behaviour without a picture (the base knob does not draw).
class PlainKnob : public IKnobControl {
 public:
  using IKnobControl::IKnobControl;
  bool Draw(IGraphics*) override { return true; }
};

// Which solid frame (0-based) a pixel of the draw bitmap shows, -1 for none.
int FrameAt(IGraphics* gui, int x, int y, int nFrames) {
  const IColor c = gui->GetPoint(x, y);
  for (int f = 0; f < nFrames; ++f) {
    const IColor e = FrameColor(f);
    if (c.R == e.R && c.G == e.G && c.B == e.B) return f;
  }
  return -1;
}

}  // namespace

// ---- Frame rule -----------------------------------------------------------------------------

TEST(FrameForValue, RoundsToTheNearestOfNFramesAndStaysInside) {
  EXPECT_EQ(FrameForValue(0.0, 60), 1);
  EXPECT_EQ(FrameForValue(1.0, 60), 60);
  EXPECT_EQ(FrameForValue(0.5, 60), 31);
  EXPECT_EQ(FrameForValue(0.49, 3), 2);
  EXPECT_EQ(FrameForValue(0.24, 3), 1);
  EXPECT_EQ(FrameForValue(0.26, 3), 2);
  EXPECT_EQ(FrameForValue(-0.5, 60), 1);
  EXPECT_EQ(FrameForValue(7.0, 60), 60);
  EXPECT_EQ(FrameForValue(1e300, 60), 60);
  EXPECT_EQ(FrameForValue(std::numeric_limits<double>::quiet_NaN(), 60), 1);
  EXPECT_EQ(FrameForValue(0.7, 1), 1);
  EXPECT_EQ(FrameForValue(0.7, 0), 1);
  EXPECT_EQ(FrameForValue(0.7, -3), 1);
}

TEST_F(EditorTest, AFilmStripKnobDrawsTheFrameOfItsValue) {
  FilmStrip strip = SolidFilmStrip(60, 20, 16);
  auto* knob = new IKnobMultiControl(&plug, 10, 10, kMix, &strip.bitmap);
  gui->AttachControl(knob);
  EXPECT_EQ(*knob->GetRECT(), IRECT(10, 10, 30, 26));
  Attach();
  IRECT all(0, 0, 200, 100);
  for (double v : {0.0, 0.5, 1.0, 0.51}) {
    knob->SetValueFromPlug(v);
    gui->Draw(&all);
    EXPECT_EQ(FrameAt(gui, 15, 15, 60), FrameForValue(v, 60) - 1) << v;
  }
}

// ---- Knobs ----------------------------------------------------------------------------------

TEST_F(EditorTest, KnobDragsFollowTheGearingAlongTheirAxisWithATenfoldFineMode) {
  auto* knob = new PlainKnob(&plug, IRECT(0, 0, 40, 48), kMix, kVertical, 4.0);
  gui->AttachControl(knob);
  Attach();
  knob->SetValueFromUserInput(0.5);
  // Dragging up by the control's height raises the value by 1 / gearing.
  gui->OnMouseDown(20, 40, &left);
  gui->OnMouseDrag(20, -8, &left);
  gui->OnMouseUp(20, -8, &left);
  EXPECT_NEAR(knob->GetValue(), 0.75, 1e-12);
  EXPECT_NEAR(plug.GetParam(kMix)->Value(), 0.75, 1e-12);

  IMouseMod shift(true, false, true, false, false), ctrl(true, false, false, true, false);
  gui->OnMouseDown(20, 40, &shift);
  gui->OnMouseDrag(20, -8, &shift);
  EXPECT_NEAR(knob->GetValue(), 0.775, 1e-12);
  gui->OnMouseDrag(20, 40, &ctrl);  // back down by the height
  EXPECT_NEAR(knob->GetValue(), 0.75, 1e-12);
  gui->OnMouseUp(20, 40, &ctrl);

  // Far beyond the range: clamped at the ends.
  gui->OnMouseDown(20, 40, &left);
  gui->OnMouseDrag(20, -1000, &left);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  gui->OnMouseDrag(20, 2000, &left);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
  gui->OnMouseUp(20, 2000, &left);
  // A horizontal knob follows the x axis and ignores y.
  auto* across = new PlainKnob(&plug, IRECT(0, 50, 100, 70), kMix, kHorizontal, 2.0);
  gui->AttachControl(across);
  across->SetValueFromUserInput(0.0);
  across->OnMouseDrag(0, 0, 50, -30, &left);
  EXPECT_NEAR(across->GetValue(), 0.25, 1e-12);
}

TEST_F(EditorTest, KnobsWithoutExtentOrGearingIgnoreDrags) {
  auto* flat = new PlainKnob(&plug, IRECT(5, 5, 25, 5), kMix, kVertical, 4.0);
  auto* ungeared = new PlainKnob(&plug, IRECT(0, 0, 20, 20), kMix, kVertical, 0.0);
  gui->AttachControl(flat);
  gui->AttachControl(ungeared);
  Attach();
  flat->SetValueFromUserInput(0.4);
  ungeared->SetValueFromUserInput(0.4);
  flat->OnMouseDrag(0, 0, 0, -10, &left);
  ungeared->OnMouseDrag(0, 0, 0, -10, &left);
  EXPECT_DOUBLE_EQ(flat->GetValue(), 0.4);
  EXPECT_DOUBLE_EQ(ungeared->GetValue(), 0.4);
  EXPECT_DOUBLE_EQ(plug.GetParam(kMix)->Value(), 0.4);
}

TEST_F(EditorTest, WheelStepsAreAHundredthOrAThousandthAndClamp) {
  auto* knob = new PlainKnob(&plug, IRECT(0, 0, 40, 40), kMix);
  gui->AttachControl(knob);
  Attach();
  knob->SetValueFromUserInput(0.5);
  gui->OnMouseWheel(10, 10, &left, 1);
  EXPECT_NEAR(knob->GetValue(), 0.51, 1e-12);
  IMouseMod fine(false, false, false, true, false);
  gui->OnMouseWheel(10, 10, &fine, -3);
  EXPECT_NEAR(knob->GetValue(), 0.507, 1e-12);
  gui->OnMouseWheel(10, 10, &left, 100);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(plug.hostInforms.back().second, 1.0);
}

TEST_F(EditorTest, ALineKnobPointsClockwiseFromStraightUp) {
  gui->AttachPanelBackground(&COLOR_BLACK);
  const double pi = 3.14159265358979323846;
  auto* knob = new IKnobLineControl(&plug, IRECT(100, 20, 160, 80), kMix, &COLOR_WHITE, 5.0, 0.0,
                                    -0.5 * pi, 0.5 * pi);
  gui->AttachControl(knob);
  Attach();
  IRECT all(0, 0, 200, 100);
  knob->SetValueFromPlug(0.5);  // straight up
  gui->Draw(&all);
  EXPECT_GT(gui->GetPoint(130, 30).R, 100);
  EXPECT_LT(gui->GetPoint(150, 50).R, 50);
  gui->SetAllControlsDirty(false);
  knob->SetValueFromPlug(1.0);  // pointing right
  gui->Draw(&all);
  EXPECT_GT(gui->GetPoint(150, 50).R, 100);
}

// ---- Switches -------------------------------------------------------------------------------

TEST_F(EditorTest, SwitchesStepThroughTheirFramesAndWrap) {
  FilmStrip two = SolidFilmStrip(2, 10, 10), three = SolidFilmStrip(3, 10, 10);
  auto* sw2 = new ISwitchControl(&plug, 0, 0, kSwitch, &two.bitmap);
  auto* sw3 = new ISwitchControl(&plug, 20, 0, kMix, &three.bitmap);
  gui->AttachControl(sw2);
  gui->AttachControl(sw3);
  Attach();
  sw3->SetValueFromPlug(0.0);
  std::vector<double> seen2, seen3;
  for (int i = 0; i < 3; ++i) {
    gui->OnMouseDown(5, 5, &left);
    gui->OnMouseUp(5, 5, &left);
    seen2.push_back(sw2->GetValue());
  }
  for (int i = 0; i < 4; ++i) {
    gui->OnMouseDown(25, 5, &left);
    gui->OnMouseUp(25, 5, &left);
    seen3.push_back(sw3->GetValue());
  }
  EXPECT_EQ(seen2, (std::vector<double>{1.0, 0.0, 1.0}));
  EXPECT_EQ(seen3, (std::vector<double>{0.5, 1.0, 0.0, 0.5}));
  EXPECT_TRUE(plug.GetParam(kSwitch)->Bool());
  // A double click steps like a click.
  gui->OnMouseDblClick(5, 5, &left);
  EXPECT_DOUBLE_EQ(sw2->GetValue(), 0.0);
}

TEST_F(EditorTest, AContactReturnsToZeroOnRelease) {
  FilmStrip two = SolidFilmStrip(2, 10, 10);
  auto* contact = new IContactControl(&plug, 0, 0, kSwitch, &two.bitmap);
  gui->AttachControl(contact);
  Attach();
  gui->OnMouseDown(5, 5, &left);
  EXPECT_DOUBLE_EQ(contact->GetValue(), 1.0);
  EXPECT_TRUE(plug.GetParam(kSwitch)->Bool());
  gui->OnMouseUp(5, 5, &left);
  EXPECT_DOUBLE_EQ(contact->GetValue(), 0.0);
  EXPECT_FALSE(plug.GetParam(kSwitch)->Bool());
}

TEST_F(EditorTest, AFramesSwitchSelectsTheFrameUnderTheClick) {
  FilmStrip strip = SolidFilmStrip(3, 10, 10, true);
  auto* sw = new ISwitchFramesControl(&plug, 10, 10, kMode, &strip.bitmap, true);
  gui->AttachControl(sw);
  Attach();
  ASSERT_EQ(sw->NClickRECTs(), 3);
  EXPECT_EQ(*sw->GetClickRECT(1), IRECT(13, 10, 16, 20));
  sw->OnMouseDown(17, 12, &left);
  EXPECT_DOUBLE_EQ(sw->GetValue(), 1.0);
  EXPECT_EQ(plug.GetParam(kMode)->Int(), 2);
  sw->OnMouseDown(14, 12, &left);
  EXPECT_DOUBLE_EQ(sw->GetValue(), 0.5);
  sw->OnMouseDown(40, 40, &left);  // no part: unchanged
  EXPECT_DOUBLE_EQ(sw->GetValue(), 0.5);

  FilmStrip stacked = SolidFilmStrip(2, 10, 10);
  auto* column = new ISwitchFramesControl(&plug, 50, 0, kSwitch, &stacked.bitmap, false);
  gui->AttachControl(column);
  // One frame's rectangle, cut in two.
  EXPECT_EQ(*column->GetClickRECT(1), IRECT(50, 5, 60, 10));
}

TEST_F(EditorTest, AnInvisibleSwitchTogglesAndDrawsNothing) {
  gui->AttachPanelBackground(&COLOR_BLUE);
  auto* sw = new IInvisibleSwitchControl(&plug, IRECT(0, 0, 20, 20), kSwitch);
  gui->AttachControl(sw);
  Attach();
  sw->OnMouseDown(5, 5, &left);
  EXPECT_DOUBLE_EQ(sw->GetValue(), 1.0);
  sw->OnMouseDown(5, 5, &left);
  EXPECT_DOUBLE_EQ(sw->GetValue(), 0.0);
  IRECT all(0, 0, 200, 100);
  gui->Draw(&all);
  EXPECT_EQ(gui->GetPoint(5, 5), COLOR_BLUE);
}

TEST_F(EditorTest, AnOverlayIsClickedThroughItsTargetWhileOff) {
  FilmStrip two = SolidFilmStrip(2, 30, 30);
  auto* overlay = new IBitmapOverlayControl(&plug, 50, 50, kSwitch, &two.bitmap, IRECT(0, 0, 10, 10));
  gui->AttachPanelBackground(&COLOR_BLACK);
  gui->AttachControl(overlay);
  Attach();
  IRECT all(0, 0, 200, 100);
  gui->Draw(&all);
  EXPECT_EQ(*overlay->GetTargetRECT(), IRECT(0, 0, 10, 10));
  EXPECT_EQ(gui->GetPoint(60, 60), COLOR_BLACK);
  gui->OnMouseDown(5, 5, &left);
  gui->OnMouseUp(5, 5, &left);
  EXPECT_DOUBLE_EQ(overlay->GetValue(), 1.0);
  gui->Draw(&all);
  EXPECT_EQ(*overlay->GetTargetRECT(), IRECT(50, 50, 80, 80));
  EXPECT_EQ(FrameAt(gui, 60, 60, 2), 1);
}

TEST_F(EditorTest, RadioButtonsAreLaidOutWithEvenGapsAndShowTheActiveOne) {
  FilmStrip onOff = SolidFilmStrip(2, 10, 10);
  auto* radio = new IRadioButtonsControl(&plug, IRECT(0, 0, 10, 70), kMode, 3, &onOff.bitmap);
  auto* across = new IRadioButtonsControl(&plug, IRECT(100, 0, 170, 10), kMode, 3, &onOff.bitmap,
                                          kHorizontal);
  auto* reversed = new IRadioButtonsControl(&plug, IRECT(50, 0, 60, 70), kMode, 3, &onOff.bitmap,
                                            kVertical, true);
  gui->AttachControl(radio);
  gui->AttachControl(across);
  gui->AttachControl(reversed);
  // Gap (70 - 3 * 10) / 2 = 20.
  EXPECT_EQ(*radio->GetButtonRECT(1), IRECT(0, 30, 10, 40));
  EXPECT_EQ(*radio->GetButtonRECT(2), IRECT(0, 60, 10, 70));
  EXPECT_EQ(*across->GetButtonRECT(2), IRECT(160, 0, 170, 10));
  EXPECT_EQ(*reversed->GetButtonRECT(0), IRECT(50, 40, 60, 50));
  Attach();

  gui->OnMouseDown(5, 65, &left);
  gui->OnMouseUp(5, 65, &left);
  EXPECT_EQ(plug.GetParam(kMode)->Int(), 2);
  gui->OnMouseDown(5, 25, &left);  // between buttons: unchanged
  gui->OnMouseUp(5, 25, &left);
  EXPECT_EQ(plug.GetParam(kMode)->Int(), 2);

  IRECT all(0, 0, 200, 100);
  gui->Draw(&all);
  EXPECT_EQ(FrameAt(gui, 5, 5, 2), 0);
  EXPECT_EQ(FrameAt(gui, 5, 35, 2), 0);
  EXPECT_EQ(FrameAt(gui, 5, 65, 2), 1);
}

// ---- Fader ----------------------------------------------------------------------------------

TEST_F(EditorTest, AFaderSnapsTheMiddleOfItsHandleToTheMouse) {
  FilmStrip handle = SolidFilmStrip(1, 10, 20);
  auto* fader = new IFaderControl(&plug, 10, 0, 100, kMix, &handle.bitmap, kVertical);
  gui->AttachControl(fader);
  EXPECT_EQ(*fader->GetRECT(), IRECT(10, 0, 20, 100));
  Attach();
  gui->OnMouseDown(15, 10, &left);  // top + half the handle
  EXPECT_DOUBLE_EQ(fader->GetValue(), 1.0);
  EXPECT_EQ(fader->GetHandleRECT(), IRECT(10, 0, 20, 20));
  gui->OnMouseDrag(15, 90, &left);
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
  EXPECT_EQ(fader->GetHandleRECT(), IRECT(10, 80, 20, 100));
  gui->OnMouseDrag(15, 50, &left);
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.5);
  gui->OnMouseDrag(15, 500, &left);  // beyond the track: clamped
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
  gui->OnMouseUp(15, 500, &left);
  gui->OnMouseWheel(15, 50, &left, 2);
  EXPECT_NEAR(fader->GetValue(), 0.02, 1e-12);
}

TEST_F(EditorTest, AHorizontalHandleOnlyFaderIsHitOnItsHandle) {
  FilmStrip handle = SolidFilmStrip(1, 20, 10);
  auto* fader = new IFaderControl(&plug, 0, 0, 120, kMix, &handle.bitmap, kHorizontal, true);
  gui->AttachControl(fader);
  Attach();
  EXPECT_EQ(*fader->GetRECT(), IRECT(0, 0, 120, 10));
  fader->SnapToMouse(60, 5);
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.5);
  EXPECT_EQ(fader->GetHandleRECT(), IRECT(50, 0, 70, 10));
  EXPECT_TRUE(fader->IsHit(55, 5));
  EXPECT_FALSE(fader->IsHit(10, 5));
  EXPECT_EQ(fader->GetHandleRECT(1.0), IRECT(100, 0, 120, 10));
  // A handle as long as the track cannot move.
  auto* stuck = new IFaderControl(&plug, 0, 50, 20, kMix, &handle.bitmap, kHorizontal);
  gui->AttachControl(stuck);
  stuck->SnapToMouse(15, 55);
  EXPECT_TRUE(std::isfinite(stuck->GetValue()));
}

// ---- Texts, link, file selector -------------------------------------------------------------

TEST_F(EditorTest, ACaptionShowsItsParameterAndPromptsWhenEnabled) {
  IText style(14, &COLOR_WHITE);
  auto* caption = new ICaptionControl(&plug, IRECT(0, 0, 100, 20), kThreshold, &style);
  auto* bare = new ICaptionControl(&plug, IRECT(0, 30, 100, 50), kMode, &style, false);
  gui->AttachPanelBackground(&COLOR_BLACK);
  gui->AttachControl(caption);
  gui->AttachControl(bare);
  Attach();
  IRECT all(0, 0, 200, 100);
  EXPECT_TRUE(gui->Draw(&all));
  EXPECT_STREQ(caption->GetTextForDisplay(), "-20.0 dB");
  EXPECT_STREQ(bare->GetTextForDisplay(), "Mid");
  gui->SetParameterFromPlug(kThreshold, 0.0, true);
  gui->Draw(&all);
  EXPECT_STREQ(caption->GetTextForDisplay(), "-60.0 dB");

  gui->OnMouseDown(10, 10, &left);  // prompting is off by default
  gui->OnMouseUp(10, 10, &left);
  EXPECT_EQ(gui->GetResponder()->NRequests(), 0);
  caption->DisablePrompt(false);
  gui->GetResponder()->QueueTextEntry("-12");
  gui->OnMouseDown(10, 10, &left);
  gui->OnMouseUp(10, 10, &left);
  EXPECT_DOUBLE_EQ(plug.GetParam(kThreshold)->Value(), -12.0);
  gui->OnMouseDblClick(10, 10, &left);
  EXPECT_EQ(gui->GetResponder()->NRequests(), 2);
}

TEST_F(EditorTest, ALinkFallsBackToItsBackupAddress) {
  std::string longURL(600, 'x');
  auto* link = new IURLControl(&plug, IRECT(0, 0, 20, 20), "https://example.org/a", "https://example.org/b");
  auto* cut = new IURLControl(&plug, IRECT(30, 0, 50, 20), longURL.c_str(), nullptr, longURL.c_str());
  auto* empty = new IURLControl(&plug, IRECT(60, 0, 80, 20), nullptr);
  gui->AttachControl(link);
  gui->AttachControl(cut);
  gui->AttachControl(empty);
  Attach();
  gui->OnMouseDown(5, 5, &left);
  gui->OnMouseDown(35, 5, &left);
  gui->OnMouseDown(65, 5, &left);
  const auto requests = gui->GetResponder()->GetRequests();
  ASSERT_EQ(requests.size(), 3u);
  // The headless editor cannot open addresses, so the backup is tried.
  EXPECT_EQ(requests[0].text, "https://example.org/a");
  EXPECT_EQ(requests[1].text, "https://example.org/b");
  EXPECT_EQ(requests[2].text, std::string(255, 'x'));
}

TEST_F(EditorTest, AFileSelectorAsksForAFileAndReportsOneMoreRedraw) {
  FilmStrip pic = SolidFilmStrip(1, 20, 20);
  auto* sel = new IFileSelectorControl(&plug, IRECT(0, 0, 20, 20), kSwitch, &pic.bitmap, kFileOpen,
                                       "/tmp/presets/", "fxp");
  gui->AttachControl(sel);
  Attach();
  gui->GetResponder()->QueueFile("/tmp/presets/a.fxp");
  gui->OnMouseDown(5, 5, &left);
  gui->OnMouseUp(5, 5, &left);
  WDL_String file;
  sel->GetLastSelectedFileForPlug(&file);
  EXPECT_STREQ(file.Get(), "/tmp/presets/a.fxp");
  EXPECT_DOUBLE_EQ(sel->GetValue(), 1.0);
  EXPECT_EQ(sel->GetState(), IFileSelectorControl::kFSDone);
  sel->SetClean();
  sel->SetClean();
  EXPECT_TRUE(sel->IsDirty());  // once for the finished selection
  EXPECT_FALSE(sel->IsDirty());
  gui->OnMouseDown(5, 5, &left);  // cancelled: the file is cleared, the value wraps
  sel->GetLastSelectedFileForPlug(&file);
  EXPECT_STREQ(file.Get(), "");
  EXPECT_DOUBLE_EQ(sel->GetValue(), 0.0);
  sel->SetLastSelectedFileFromPlug("/x.fxp");
  sel->GetLastSelectedFileForPlug(&file);
  EXPECT_STREQ(file.Get(), "/x.fxp");
}

// ---- Bad input ------------------------------------------------------------------------------

TEST_F(EditorTest, ControlsWithoutBitmapsOrColoursDrawNothingAndDoNotBreak) {
  IBitmap none;
  gui->AttachPanelBackground(nullptr);
  gui->AttachControl(new IKnobMultiControl(&plug, 0, 0, kMix, nullptr));
  gui->AttachControl(new IKnobMultiControl(&plug, 0, 0, kMix, &none));
  gui->AttachControl(new IBitmapControl(&plug, 0, 0, nullptr));
  gui->AttachControl(new ISwitchControl(&plug, 0, 0, kSwitch, &none));
  gui->AttachControl(new IRadioButtonsControl(&plug, IRECT(0, 0, 10, 10), kMode, 0, nullptr));
  gui->AttachControl(new IFaderControl(&plug, 0, 0, 50, kMix, nullptr));
  gui->AttachControl(new IKnobRotaterControl(&plug, 0, 0, kMix, nullptr));
  gui->AttachControl(new IKnobRotatingMaskControl(&plug, 0, 0, kMix, nullptr, nullptr, nullptr));
  gui->AttachControl(new IKnobLineControl(&plug, IRECT(0, 0, 0, 0), kMix, nullptr));
  gui->AttachControl(new ITextControl(&plug, IRECT(0, 0, 50, 50), nullptr, nullptr));
  gui->AttachControl(new IPanelControl(&plug, IRECT(-50, -50, 5000, 5000), nullptr));
  Attach();
  IRECT all(0, 0, 200, 100);
  gui->Draw(&all);
  for (int x = 0; x < 200; x += 20) gui->OnMouseDown(x, 5, &left), gui->OnMouseUp(x, 5, &left);
  EXPECT_EQ(gui->GetPoint(100, 50), COLOR_BLACK);
}
