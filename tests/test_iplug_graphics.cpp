// The graphics context with real controls and a test plug-in: hit testing and
// z-order, capture, the begin/value/end order the plug-in sees, dispatch of wheel,
// keys and mouse-over, dirty regions and the idle rule, both draw passes, binding,
// prompts, resizing, and the idle thread.
#include <chrono>
#include <thread>

#include "editor_test_fixture.h"
#include "fw_thread_count.h"

using Edit = TestPlug::Edit;

// ---- Hit testing ----------------------------------------------------------------------------

TEST_F(EditorTest, ClicksGoToTheTopmostVisibleUngrayedControl) {
  AddProbe(IRECT(0, 0, 100, 100));
  AddProbe(IRECT(50, 50, 150, 100));
  EXPECT_EQ(gui->GetMouseControlIdx(60, 60), 1);
  EXPECT_EQ(gui->GetMouseControlIdx(10, 10), 0);
  EXPECT_EQ(gui->GetMouseControlIdx(160, 10), -1);
  // Right and bottom edges are outside.
  EXPECT_EQ(gui->GetMouseControlIdx(150, 60), -1);

  gui->GetControl(1)->Hide(true);
  EXPECT_EQ(gui->GetMouseControlIdx(60, 60), 0);
  gui->GetControl(1)->Hide(false);
  gui->GetControl(1)->GrayOut(true);
  EXPECT_EQ(gui->GetMouseControlIdx(60, 60), 0);
  // A grayed control that wants mouse-over is found by a mouse-over query only.
  gui->GetControl(1)->SetMOWhenGrayed(true);
  EXPECT_EQ(gui->GetMouseControlIdx(60, 60, true), 1);
  EXPECT_EQ(gui->GetMouseControlIdx(60, 60, false), 0);

  gui->OnMouseDown(60, 60, &left);
  EXPECT_EQ(Events(), (std::vector<std::string>{"down 0"}));
}

TEST_F(EditorTest, AttachingABackgroundShiftsEveryIndexByOne) {
  EXPECT_EQ(gui->AttachControl(new ProbeControl(&plug, IRECT(10, 10, 20, 20), -1, 0, &log)), 0);
  IControl* probe = gui->GetControl(0);
  gui->AttachPanelBackground(&COLOR_BLUE);
  ASSERT_EQ(gui->GetNControls(), 2);
  EXPECT_EQ(gui->GetControl(1), probe);
  EXPECT_EQ(*gui->GetControl(0)->GetRECT(), IRECT(0, 0, 200, 100));
  EXPECT_EQ(gui->AttachControl(nullptr), -1);
  EXPECT_EQ(gui->GetNControls(), 2);
}

TEST_F(EditorTest, AutomationQueryFindsTheParameterUnderThePoint) {
  gui->AttachPanelBackground(&COLOR_BLACK);
  AddProbe(IRECT(10, 10, 20, 20), kMix);
  EXPECT_EQ(gui->GetParamIdxForPTAutomation(15, 15), kMix);
  EXPECT_EQ(gui->GetLastClickedParamForPTAutomation(), kMix);
  EXPECT_EQ(gui->GetLastClickedParamForPTAutomation(), -1);
  EXPECT_EQ(gui->GetParamIdxForPTAutomation(100, 50), -1);  // the background only
}

// ---- Gestures -------------------------------------------------------------------------------

TEST_F(EditorTest, ADragThatLeavesTheControlStaysWithItAndUnchangedMovesAreDropped) {
  AddProbe(IRECT(0, 0, 50, 50));
  AddProbe(IRECT(100, 0, 150, 50));
  gui->OnMouseDown(10, 10, &left);
  EXPECT_EQ(gui->GetMouseCapture(), 0);
  EXPECT_TRUE(gui->IsMouseButtonDown());
  gui->OnMouseDrag(120, 20, &left);  // over the other control
  gui->OnMouseDrag(120, 20, &left);  // no movement
  gui->OnMouseDrag(118, 25, &left);
  gui->OnMouseUp(118, 25, &left);
  EXPECT_EQ(Events(), (std::vector<std::string>{"down 0", "drag 110,10 0", "drag -2,5 0", "up 0"}));
  EXPECT_EQ(gui->GetMouseCapture(), -1);
  EXPECT_FALSE(gui->IsMouseButtonDown());

  // Without a capture, drags go nowhere.
  log.clear();
  gui->OnMouseDrag(10, 10, &left);
  gui->OnMouseDrag(20, 10, &left);
  EXPECT_TRUE(Events().empty());
}

TEST_F(EditorTest, AReleaseWithoutAPressReachesTheControlButEndsNoEdit) {
  Attach();
  AddProbe(IRECT(0, 0, 50, 50), kMix);
  gui->OnMouseUp(100, 80, &left);  // empty spot: nothing
  EXPECT_TRUE(Events().empty());
  EXPECT_TRUE(plug.edits.empty());
  gui->OnMouseUp(10, 10, &left);
  EXPECT_EQ(Events(), (std::vector<std::string>{"up 0"}));
  // The host never heard a begin: an end would be one without it.
  EXPECT_TRUE(plug.edits.empty());
}

TEST_F(EditorTest, DoubleClicksAreResetsUnlessTheControlTakesThemAsClicks) {
  Attach();
  ProbeControl* p = AddProbe(IRECT(0, 0, 50, 50), kMix);
  p->SetValueFromUserInput(0.9);
  plug.edits.clear();
  EXPECT_FALSE(gui->OnMouseDblClick(10, 10, &left));
  EXPECT_DOUBLE_EQ(p->GetValue(), plug.GetParam(kMix)->GetDefaultNormalized());
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kMix}, {'V', kMix}, {'E', kMix}}));
  EXPECT_EQ(gui->GetMouseCapture(), -1);

  plug.edits.clear();
  log.clear();
  p->SetMouseDblAsSingleClick(true);
  EXPECT_TRUE(gui->OnMouseDblClick(10, 10, &left));
  EXPECT_EQ(gui->GetMouseCapture(), 0);
  gui->OnMouseUp(10, 10, &left);
  // A press: begun on the double click, ended by the release.
  EXPECT_EQ(Events(), (std::vector<std::string>{"down 0", "up 0"}));
  EXPECT_EQ(plug.edits, (std::vector<Edit>{{'B', kMix}, {'E', kMix}}));
  EXPECT_FALSE(gui->OnMouseDblClick(190, 90, &left));
}

TEST_F(EditorTest, WheelAndKeysGoToTheControlUnderTheMouseOrTheKeyCatcher) {
  gui->AttachPanelBackground(&COLOR_BLACK);
  AddProbe(IRECT(0, 0, 50, 50));
  gui->OnMouseWheel(10, 10, &left, -3);
  gui->OnMouseWheel(100, 80, &left, 1);  // the background ignores it
  EXPECT_TRUE(gui->OnKeyDown(10, 10, KEY_SPACE));
  EXPECT_EQ(Events(), (std::vector<std::string>{"wheel -3 1", "key 0 1"}));
  // Over the background, and with no key catcher: not taken.
  EXPECT_FALSE(gui->OnKeyDown(100, 80, KEY_UPARROW));
  log.clear();
  gui->AttachKeyCatcher(new ProbeControl(&plug, IRECT(), -1, 99, &log));
  EXPECT_TRUE(gui->OnKeyDown(100, 80, KEY_UPARROW));
  EXPECT_TRUE(gui->OnKeyDown(199, 99, KEY_DIGIT_0));
  EXPECT_EQ(Events(), (std::vector<std::string>{"key 1 99", "key 5 99"}));
  // A null modifier record reaches the control as an empty one.
  log.clear();
  gui->OnMouseWheel(10, 10, nullptr, 2);
  EXPECT_EQ(Events(), (std::vector<std::string>{"wheel 2 1"}));
}

TEST_F(EditorTest, MouseOverTracksTheHoveredControlOnlyWhenEnabled) {
  AddProbe(IRECT(0, 0, 50, 50));
  AddProbe(IRECT(60, 0, 110, 50));
  EXPECT_FALSE(gui->OnMouseOver(10, 10, &left));
  EXPECT_TRUE(Events().empty());
  gui->HandleMouseOver(true);
  EXPECT_TRUE(gui->OnMouseOver(10, 10, &left));
  EXPECT_TRUE(gui->OnMouseOver(70, 10, &left));
  EXPECT_TRUE(gui->OnMouseOver(190, 90, &left));  // nothing there: the hovered index stays
  EXPECT_EQ(gui->GetMouseOver(), 1);
  gui->OnMouseOut();
  EXPECT_EQ(gui->GetMouseOver(), -1);
  EXPECT_EQ(Events(), (std::vector<std::string>{"over 0", "over 1", "out 0", "out 0", "out 1"}));
}

// ---- Dirty regions and the idle rule --------------------------------------------------------

TEST_F(EditorTest, IsDirtyUnitesTheRectanglesOfDirtyControlsHiddenOnesIncluded) {
  AddProbe(IRECT(10, 10, 20, 20));
  AddProbe(IRECT(30, 5, 40, 15));
  AddProbe(IRECT(100, 50, 120, 60));
  CleanAll();
  IRECT r;
  EXPECT_FALSE(gui->IsDirty(&r));
  EXPECT_TRUE(r.Empty());

  gui->GetControl(0)->SetDirty(false);
  gui->GetControl(1)->SetDirty(false);
  EXPECT_TRUE(gui->IsDirty(&r));
  EXPECT_EQ(r, IRECT(10, 5, 40, 20));

  CleanAll();
  gui->GetControl(2)->Hide(true);
  r.Clear();
  EXPECT_TRUE(gui->IsDirty(&r));
  EXPECT_EQ(r, IRECT(100, 50, 120, 60));
}

TEST_F(EditorTest, ControlsIdleOnEveryTwentyFirstCleanCheck) {
  ProbeControl* p = AddProbe(IRECT(0, 0, 10, 10));
  CleanAll();
  IRECT r;
  for (int i = 0; i < 20; ++i) EXPECT_FALSE(gui->IsDirty(&r));
  EXPECT_EQ(p->guiIdles, 0);
  EXPECT_FALSE(gui->IsDirty(&r));
  EXPECT_EQ(p->guiIdles, 1);
  for (int i = 0; i < 20; ++i) gui->IsDirty(&r);
  EXPECT_EQ(p->guiIdles, 1);
  // A dirty check restarts the count.
  p->SetDirty(false);
  EXPECT_TRUE(gui->IsDirty(&r));
  CleanAll();
  for (int i = 0; i < 20; ++i) gui->IsDirty(&r);
  EXPECT_EQ(p->guiIdles, 1);
  gui->IsDirty(&r);
  EXPECT_EQ(p->guiIdles, 2);
  // The plug-in's GUI idle runs on every check.
  EXPECT_EQ(plug.guiIdleCalls, 63);
}

// ---- Draw passes ----------------------------------------------------------------------------

TEST_F(EditorTest, StrictPassDrawsWhatTheRegionTouchesAndCleansEverything) {
  Attach();
  AddProbe(IRECT(0, 0, 200, 100));  // a background
  AddProbe(IRECT(50, 0, 60, 10));   // touches the region's right edge: drawn
  AddProbe(IRECT(0, 20, 10, 30));   // the region touches its right edge: not drawn
  AddProbe(IRECT(20, 0, 30, 10));   // inside but hidden
  gui->GetControl(3)->Hide(true);
  IRECT region(10, 0, 50, 25);
  EXPECT_TRUE(gui->Draw(&region));
  EXPECT_EQ(DrawnIds(), (std::vector<int>{0, 1}));
  for (const auto& e : log) EXPECT_EQ(e.clip, region);
  EXPECT_EQ(gui->NScreenUpdates(), 1);
  EXPECT_EQ(gui->LastScreenRect(), region);
  // Every control is cleaned (the hidden one asked for a redraw when it was hidden,
  // so it stays dirty for one more pass).
  EXPECT_FALSE(gui->GetControl(0)->IsDirty());
  EXPECT_FALSE(gui->GetControl(2)->IsDirty());
  EXPECT_TRUE(gui->GetControl(3)->IsDirty());
  gui->Draw(&region);
  EXPECT_FALSE(gui->GetControl(3)->IsDirty());
}

TEST_F(EditorTest, NonStrictPassRedrawsEachDirtyControlWithWhatOverlapsIt) {
  Attach();
  gui->SetStrictDrawing(false);
  AddProbe(IRECT(0, 0, 200, 100));   // 0: background
  AddProbe(IRECT(10, 10, 50, 50));   // 1
  AddProbe(IRECT(40, 40, 80, 80));   // 2: overlaps 1
  AddProbe(IRECT(150, 10, 190, 50)); // 3: apart
  AddProbe(IRECT(10, 10, 20, 20));   // 4: hidden, over 1
  gui->GetControl(4)->Hide(true);

  IRECT all(0, 0, 200, 100);
  // A dirty background redraws everything visible, clipped to the background.
  gui->Draw(&all);
  EXPECT_EQ(DrawnIds(), (std::vector<int>{0, 1, 2, 3}));
  for (const auto& e : log) EXPECT_EQ(e.clip, all);
  EXPECT_TRUE(gui->GetControl(4)->IsDirty());  // hidden ones are left dirty
  CleanAll();

  log.clear();
  gui->GetControl(1)->SetDirty(false);
  gui->GetControl(4)->SetDirty(false);
  gui->Draw(&all);
  // Control 1 with what lies under and over it, in z-order, clipped to it; then the
  // dirty hidden control's spot is repainted from what lies under it, without it.
  EXPECT_EQ(DrawnIds(), (std::vector<int>{0, 1, 2, 0, 1}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(log[i].clip, IRECT(10, 10, 50, 50));
  for (int i = 3; i < 5; ++i) EXPECT_EQ(log[i].clip, IRECT(10, 10, 20, 20));
  EXPECT_FALSE(gui->GetControl(1)->IsDirty());
  EXPECT_FALSE(gui->GetControl(4)->IsDirty());
}

TEST_F(EditorTest, DrawingNothingOrWithoutACanvas) {
  IRECT r(0, 0, 10, 10);
  EXPECT_TRUE(gui->Draw(&r));  // no controls: true, no screen update
  EXPECT_EQ(gui->NScreenUpdates(), 0);
  AddProbe(IRECT(0, 0, 10, 10));
  EXPECT_FALSE(gui->Draw(&r));  // no canvas yet (PrepDraw comes with attaching)
  EXPECT_FALSE(gui->Draw(nullptr));
  EXPECT_TRUE(DrawnIds().empty());
  Attach();
  EXPECT_TRUE(gui->Draw(&r));
  EXPECT_EQ(DrawnIds(), (std::vector<int>{0}));
}

// ---- Binding --------------------------------------------------------------------------------

TEST_F(EditorTest, PlugInValuesReachEveryBoundControlAndAuxiliarySlot) {
  ProbeControl* a = AddProbe(IRECT(0, 0, 10, 10), kThreshold);
  ProbeControl* b = AddProbe(IRECT(0, 0, 10, 10), kThreshold);
  ProbeControl* c = AddProbe(IRECT(0, 0, 10, 10), kMix);
  c->AddAuxParam(kStart);
  c->AddAuxParam(kThreshold);
  Attach();
  EXPECT_DOUBLE_EQ(a->GetValue(), plug.GetParam(kThreshold)->GetNormalized());

  gui->SetParameterFromPlug(kThreshold, 6.0, false);  // plain dB: the top of the range
  EXPECT_DOUBLE_EQ(a->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(b->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(c->GetAuxParam(c->AuxParamIdx(kThreshold))->mValue, 1.0);
  EXPECT_DOUBLE_EQ(c->GetValue(), plug.GetParam(kMix)->GetNormalized());
  // The plug-in side never pushes back.
  EXPECT_TRUE(plug.hostInforms.empty());

  gui->SetControlFromPlug(2, 0.5);
  EXPECT_DOUBLE_EQ(gui->GetControlFromPlug(2), 0.5);
  gui->SetControlFromPlug(3, 0.5);  // outside the list
  gui->SetControlFromPlug(-1, 0.5);
  EXPECT_EQ(gui->GetControlFromPlug(7), 0.0);
  gui->SetParameterFromPlug(-1, 0.3, true);  // no parameter: nothing
  gui->SetParameterFromPlug(40, 0.3, false);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.5);
}

TEST_F(EditorTest, EditorSideBindingPushesClampsHidesAndNamesTooltips) {
  ProbeControl* a = AddProbe(IRECT(0, 0, 10, 10), kStart);
  ProbeControl* other = AddProbe(IRECT(0, 0, 10, 10), kMix);
  Attach();
  gui->SetParameterFromGUI(kStart, 20.0, false);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(kStart)->Value(), 20.0);
  gui->SetParameterFromGUIDefault(kStart, 0.4);
  EXPECT_DOUBLE_EQ(a->GetDefaultValue(), 0.4);

  gui->ClampControl(kMix, 0.2, 0.6, true);
  other->SetValueFromUserInput(0.9);
  EXPECT_DOUBLE_EQ(other->GetValue(), 0.6);

  gui->HideControl(kStart, true);
  gui->GrayOutControl(kMix, true);
  EXPECT_TRUE(a->IsHidden());
  EXPECT_TRUE(other->IsGrayed());
  EXPECT_FALSE(other->IsHidden());
  gui->TransparentControl(kStart, true);
  a->SyncBlendForDraw();
  EXPECT_FLOAT_EQ(a->GetBlend()->mWeight, 0.25f);

  gui->AssignParamNameToolTips();
  EXPECT_STREQ(a->GetTooltip(), "Start");
  EXPECT_STREQ(other->GetTooltip(), "Mix");
}

// ---- Prompts --------------------------------------------------------------------------------

TEST_F(EditorTest, EnumerationsAndBooleansPromptWithAMenuOfTheirTexts) {
  ProbeControl* mode = AddProbe(IRECT(0, 0, 40, 20), kMode);
  ProbeControl* sw = AddProbe(IRECT(50, 0, 90, 20), kSwitch);
  Attach();
  IHeadlessResponder* responder = gui->GetResponder();
  IRECT where(0, 0, 40, 20);
  responder->QueuePopupChoice(2);
  gui->PromptUserInput(mode, plug.GetParam(kMode), &where);
  EXPECT_DOUBLE_EQ(mode->GetValue(), 1.0);
  EXPECT_EQ(plug.GetParam(kMode)->Int(), 2);

  responder->QueuePopupChoice(-1);  // cancelled: unchanged
  gui->PromptUserInput(mode, plug.GetParam(kMode), &where);
  EXPECT_DOUBLE_EQ(mode->GetValue(), 1.0);
  responder->QueuePopupChoice(7);  // outside the menu: unchanged
  gui->PromptUserInput(mode, plug.GetParam(kMode), &where);
  EXPECT_DOUBLE_EQ(mode->GetValue(), 1.0);

  responder->QueuePopupChoice(1);
  gui->PromptUserInput(sw, plug.GetParam(kSwitch), &where);
  EXPECT_TRUE(plug.GetParam(kSwitch)->Bool());

  const auto requests = responder->GetRequests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].kind, IHeadlessResponder::kPopupMenu);
  EXPECT_EQ(requests[0].items, (std::vector<std::string>{"Low", "Mid", "High"}));
  EXPECT_EQ(requests[0].checkedItem, 1);  // the current value, "Mid"
  EXPECT_EQ(requests[1].checkedItem, 2);
  EXPECT_EQ(requests[0].rect, where);
  EXPECT_EQ(requests[3].items, (std::vector<std::string>{"off", "on"}));

  // Null arguments are ignored.
  gui->PromptUserInput(nullptr, plug.GetParam(kMode), &where);
  gui->PromptUserInput(mode, nullptr, &where);
  gui->PromptUserInput(mode, plug.GetParam(kMode), nullptr);
  EXPECT_EQ(responder->NRequests(), 4);
}

TEST_F(EditorTest, AnEnumerationWithoutTextsPromptsWithATextFieldNotAnEmptyMenu) {
  ProbeControl* bare = AddProbe(IRECT(0, 0, 40, 20), kBare);
  Attach();
  IRECT where(0, 0, 40, 20);
  gui->GetResponder()->QueueTextEntry("3");
  gui->PromptUserInput(bare, plug.GetParam(kBare), &where);
  const auto requests = gui->GetResponder()->GetRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, IHeadlessResponder::kTextEntry);
  EXPECT_EQ(requests[0].text, "1");
  // Without texts, nothing maps: the value becomes 0.
  EXPECT_EQ(plug.GetParam(kBare)->Int(), 0);
}

TEST_F(EditorTest, AMissingBackgroundImageDrawsNothingAndBreaksNothing) {
  AddProbe(IRECT(10, 10, 20, 20));
  gui->AttachBackground(4242, "no/such/image.png");
  ASSERT_EQ(gui->GetNControls(), 2);
  EXPECT_TRUE(gui->GetControl(0)->GetRECT()->W() == 0 && gui->GetControl(0)->GetRECT()->H() == 0);
  Attach();
  IRECT all(0, 0, 200, 100);
  gui->Draw(&all);
  EXPECT_EQ(DrawnIds(), (std::vector<int>{0}));  // the probe (id 0) still draws
  EXPECT_EQ(gui->GetMouseControlIdx(15, 15), 1);
  EXPECT_EQ(gui->GetMouseControlIdx(0, 0), -1);
}

TEST_F(EditorTest, OtherParametersPromptWithTheirValueAsText) {
  ProbeControl* thr = AddProbe(IRECT(0, 0, 40, 20), kThreshold);
  Attach();
  IRECT where(0, 0, 40, 20);
  gui->GetResponder()->QueueTextEntry("-6.5");
  gui->PromptUserInput(thr, plug.GetParam(kThreshold), &where);
  const auto requests = gui->GetResponder()->GetRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, IHeadlessResponder::kTextEntry);
  EXPECT_EQ(requests[0].text, "-20.0");
  EXPECT_EQ(requests[0].paramIdx, kThreshold);
  EXPECT_DOUBLE_EQ(plug.GetParam(kThreshold)->Value(), -6.5);
  // Nothing queued: the entry is cancelled and the value stays.
  gui->PromptUserInput(thr, plug.GetParam(kThreshold), &where);
  EXPECT_FALSE(gui->GetResponder()->GetRequests().back().answered);
  EXPECT_DOUBLE_EQ(plug.GetParam(kThreshold)->Value(), -6.5);
}

TEST_F(EditorTest, TypedTextIsParsedForEveryParameterKind) {
  struct Case {
    int param;
    const char* text;
    double plain;
  } cases[] = {
      {kThreshold, "3.25", 3.25},   {kThreshold, "1e9", 6.0},    {kThreshold, "garbage", 0.0},
      {kThreshold, "", 0.0},        {kThreshold, "-inf", -60.0}, {kThreshold, "nan", -60.0},
      {kStart, "  440Hz", 440.0},   {kMix, "0.5", 0.5},          {kSteps, "7", 7.0},
      {kSteps, "-99", -10.0},       {kSwitch, "on", 1.0},        {kSwitch, "1", 0.0},
      {kSwitch, "off", 0.0},        {kMode, "High", 2.0},        {kMode, "high", 0.0},
      {kMode, "\xff\xfe", 0.0},
  };
  std::vector<ProbeControl*> probes;
  for (int p = 0; p < 6; ++p) probes.push_back(AddProbe(IRECT(0, 0, 10, 10), p));
  Attach();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " for parameter " + std::to_string(c.param));
    IParam* param = plug.GetParam(c.param);
    // Start away from the expected value so that a change is seen.
    probes[c.param]->SetValueFromUserInput(param->GetNormalized(c.plain) > 0.5 ? 0.0 : 1.0);
    std::vector<char> text(c.text, c.text + strlen(c.text) + 1);
    gui->SetFromStringAfterPrompt(probes[c.param], param, text.data());
    EXPECT_DOUBLE_EQ(param->Value(), c.plain);
  }
  // A null text counts as empty; a null parameter or control is ignored.
  gui->SetFromStringAfterPrompt(probes[kMix], plug.GetParam(kMix), nullptr);
  EXPECT_DOUBLE_EQ(plug.GetParam(kMix)->Value(), 0.0);
  char text[] = "0.7";
  gui->SetFromStringAfterPrompt(probes[kMix], nullptr, text);
  gui->SetFromStringAfterPrompt(nullptr, plug.GetParam(kMix), text);
  EXPECT_DOUBLE_EQ(plug.GetParam(kMix)->Value(), 0.0);
}

// ---- Resizing -------------------------------------------------------------------------------

TEST_F(EditorTest, ResizeRebuildsTheCanvasAndDropsControlsUnlessKept) {
  AddProbe(IRECT(0, 0, 10, 10));
  Attach();
  gui->OnMouseDown(5, 5, &left);
  gui->Resize(300, 150, 1);
  EXPECT_EQ(gui->GetNControls(), 1);
  EXPECT_EQ(gui->GetDrawBitmap()->getWidth(), 300);
  EXPECT_EQ(gui->GetDrawBitmap()->getHeight(), 150);
  gui->Resize(120, 80, 0);
  EXPECT_EQ(gui->GetNControls(), 0);
  EXPECT_EQ(gui->GetMouseCapture(), -1);
  EXPECT_EQ(gui->GetDrawBitmap()->getWidth(), 120);
  ASSERT_EQ(plug.resizes.size(), 2u);
  EXPECT_EQ(plug.resizes[0].w, 300);
  EXPECT_EQ(plug.resizes[0].keep, 1);
  EXPECT_EQ(plug.resizes[1].keep, 0);
  // An event after the controls went finds nothing.
  gui->OnMouseUp(5, 5, &left);
  gui->OnMouseDrag(6, 6, &left);

  AddProbe(IRECT(0, 0, 10, 10));
  gui->NewGraphics();
  EXPECT_EQ(gui->GetNControls(), 0);
  EXPECT_EQ(plug.newGraphics, 1);
  EXPECT_NE(gui->GetDrawBitmap(), nullptr);
}

TEST_F(EditorTest, ResizeRulesMoveOnlyControlsThatEnableThem) {
  ProbeControl* moved = AddProbe(IRECT(0, 0, 10, 10));
  ProbeControl* fixed = AddProbe(IRECT(0, 0, 10, 10));
  IResize* rule = moved->GetResize();
  rule->mLeft = 5;
  rule->mLeftRule = 1;
  rule->mTop = 6;
  rule->mWidth = 20;
  rule->mHeight = 10;
  rule->mHeightRule = 2;
  moved->EnableResize(true);
  gui->ResizeUpdateControls(40, 30, 0.5, 2.0);
  EXPECT_EQ(*moved->GetRECT(), IRECT(25, 6, 45, 76));
  EXPECT_EQ(*moved->GetTargetRECT(), IRECT(25, 6, 45, 76));
  EXPECT_EQ(*fixed->GetRECT(), IRECT(0, 0, 10, 10));
}

// ---- Idle thread ----------------------------------------------------------------------------

TEST(EditorIdleThread, CallsThePlugInAboutEveryFiftyMillisecondsAndStopsAtOnce) {
  TestPlug plug;
  plug.countIdleOnly = true;
  const int before = ThreadCount();
  const auto started = std::chrono::steady_clock::now();
  auto* gui = new IGraphicsHeadless(&plug, 10, 10);
  EXPECT_TRUE(gui->IdleThreadRunning());
  EXPECT_EQ(ThreadCount(), before + 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(520));
  // A loaded machine may delay a few calls, never add any: at most one per whole period
  // that has passed (the sleep itself may overrun there).
  const int calls = plug.idleCalls;
  const auto periods = (std::chrono::steady_clock::now() - started) / std::chrono::milliseconds(50);
  EXPECT_GE(calls, 4);
  EXPECT_LE(calls, periods);

  const auto t0 = std::chrono::steady_clock::now();
  gui->StopIdleThread();
  const auto stopped = std::chrono::steady_clock::now() - t0;
  EXPECT_LT(stopped, std::chrono::milliseconds(50));
  EXPECT_FALSE(gui->IdleThreadRunning());
  EXPECT_EQ(ThreadCount(), before);
  const int after = plug.idleCalls;
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_EQ(plug.idleCalls, after);
  delete gui;  // stopping twice is fine
  EXPECT_EQ(ThreadCount(), before);
}
