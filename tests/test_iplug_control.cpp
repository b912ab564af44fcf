// The control base: the value/dirty/redraw handshake, clamping and pushing, defaults
// and double clicks, gray-out and transparency, prompts, auxiliary parameters, the
// value and name display controls, and the resize rule.
#include <cmath>
#include <limits>

#include "editor_test_fixture.h"

using Edit = TestPlug::Edit;

TEST_F(EditorTest, APlugInValueMarksTheControlForExactlyOneFurtherPass) {
  ProbeControl* p = AddProbe(IRECT(0, 0, 10, 10), kMix);
  CleanAll();
  p->SetValueFromPlug(p->GetValue());
  EXPECT_FALSE(p->IsDirty());  // the same value changes nothing

  p->SetValueFromPlug(0.6);
  EXPECT_TRUE(p->IsDirty());
  p->SetClean();
  EXPECT_TRUE(p->IsDirty());  // the redraw request keeps it for one more pass
  p->SetClean();
  EXPECT_FALSE(p->IsDirty());
  EXPECT_DOUBLE_EQ(p->GetValueFromPlug(), 0.6);
  EXPECT_TRUE(plug.hostInforms.empty());
}

TEST_F(EditorTest, AControlWithoutDefaultTakesTheFirstPlugInValueAsIt) {
  ProbeControl* p = AddProbe(IRECT(0, 0, 10, 10));
  EXPECT_LT(p->GetDefaultValue(), 0.0);
  CleanAll();
  p->SetValueFromPlug(0.3);
  EXPECT_DOUBLE_EQ(p->GetDefaultValue(), 0.3);
  EXPECT_DOUBLE_EQ(p->GetValue(), 0.3);
  EXPECT_FALSE(p->IsDirty());
  p->SetValueFromPlug(0.4);
  EXPECT_TRUE(p->IsDirty());
  EXPECT_DOUBLE_EQ(p->GetDefaultValue(), 0.3);
}

TEST_F(EditorTest, UserValuesAreClampedBeforeThePlugInSeesThem) {
  ProbeControl* p = AddProbe(IRECT(0, 0, 10, 10), kMix);
  Attach();
  p->SetValueFromUserInput(1.3);
  EXPECT_DOUBLE_EQ(p->GetValue(), 1.0);
  ASSERT_EQ(plug.hostInforms.size(), 1u);
  EXPECT_DOUBLE_EQ(plug.hostInforms[0].second, 1.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(kMix)->Value(), 1.0);

  // Not a number is inside no range: it lands on the low end.
  p->Clamp(0.25, 0.75);
  p->SetValueFromUserInput(std::numeric_limits<double>::quiet_NaN());
  EXPECT_DOUBLE_EQ(p->GetValue(), 0.25);
  p->SetValueFromUserInput(-4.0);
  EXPECT_DOUBLE_EQ(p->GetValue(), 0.25);
  p->SetValueFromUserInput(0.9);
  EXPECT_DOUBLE_EQ(plug.hostInforms.back().second, 0.75);

  // The same value again is no gesture.
  const size_t informs = plug.hostInforms.size();
  p->SetValueFromUserInput(0.75);
  EXPECT_EQ(plug.hostInforms.size(), informs);
}

TEST_F(EditorTest, DoubleClickResetsToTheParameterDefault) {
  ProbeControl* p = AddProbe(IRECT(0, 0, 10, 10), kMix);
  ProbeControl* free = AddProbe(IRECT(20, 0, 30, 10));
  Attach();
  EXPECT_DOUBLE_EQ(p->GetDefaultValue(), 0.25);
  p->SetValueFromUserInput(0.9);
  p->IControl::OnMouseDblClick(0, 0, &left);
  EXPECT_DOUBLE_EQ(p->GetValue(), 0.25);
  EXPECT_DOUBLE_EQ(plug.GetParam(kMix)->Value(), 0.25);

  // Without a parameter (and without a plug-in value yet) there is no default.
  free->IControl::OnMouseDblClick(0, 0, &left);
  EXPECT_DOUBLE_EQ(free->GetValue(), 0.0);
  EXPECT_EQ(plug.hostInforms.size(), 2u);
}

TEST_F(EditorTest, GrayingAndTransparencySetTheBlendWeight) {
  auto* p = new ProbeControl(&plug, IRECT(0, 0, 10, 10), kMix, 0, &log);
  gui->AttachControl(p);
  p->GrayOut(true);
  p->SyncBlendForDraw();
  EXPECT_TRUE(p->IsGrayed());
  EXPECT_FLOAT_EQ(p->GetBlend()->mWeight, 0.25f);
  p->GrayOut(false);
  p->SyncBlendForDraw();
  EXPECT_FLOAT_EQ(p->GetBlend()->mWeight, 1.0f);

  // Un-graying restores full weight whatever the control started with.
  auto* faded = new IPanelControl(&plug, IRECT(0, 0, 5, 5), &COLOR_RED,
                                  IChannelBlend(IChannelBlend::kBlendNormal, 0.6f));
  gui->AttachControl(faded);
  faded->GrayOut(false);
  faded->SyncBlendForDraw();
  EXPECT_FLOAT_EQ(faded->GetBlend()->mWeight, 1.0f);
  faded->MakeTransparent(true);
  faded->SyncBlendForDraw();
  EXPECT_FLOAT_EQ(faded->GetBlend()->mWeight, 0.25f);
  EXPECT_FALSE(faded->IsGrayed());
}

TEST_F(EditorTest, RightClickPromptsOnlyWhenPromptingIsEnabled) {
  ProbeControl* thr = AddProbe(IRECT(20, 20, 60, 50), kThreshold);
  ProbeControl* mode = AddProbe(IRECT(100, 20, 160, 40), kMode);
  ProbeControl* none = AddProbe(IRECT(0, 60, 20, 80));
  Attach();
  IHeadlessResponder* responder = gui->GetResponder();
  thr->OnMouseDown(30, 30, &right);  // disabled by default
  EXPECT_EQ(responder->NRequests(), 0);

  thr->DisablePrompt(false);
  thr->OnMouseDown(30, 30, &left);  // a left click is no prompt
  EXPECT_EQ(responder->NRequests(), 0);
  thr->OnMouseDown(30, 30, &right);
  mode->DisablePrompt(false);
  mode->OnMouseDown(110, 30, &right);
  none->DisablePrompt(false);
  none->OnMouseDown(5, 65, &right);  // no parameter: nothing
  const auto requests = responder->GetRequests();
  ASSERT_EQ(requests.size(), 2u);
  // A text field: 40 x 16 centred on the control's middle (40, 35).
  EXPECT_EQ(requests[0].kind, IHeadlessResponder::kTextEntry);
  EXPECT_EQ(requests[0].rect, IRECT(20, 27, 60, 43));
  // A menu: over the whole control.
  EXPECT_EQ(requests[1].kind, IHeadlessResponder::kPopupMenu);
  EXPECT_EQ(requests[1].rect, IRECT(100, 20, 160, 40));
}

TEST_F(EditorTest, AuxiliaryParametersAreFoundMovedAndPushed) {
  ProbeControl* p = AddProbe(IRECT(0, 0, 10, 10), kMix);
  p->AddAuxParam(kThreshold);
  p->AddAuxParam(kStart);
  EXPECT_EQ(p->NAuxParams(), 2);
  EXPECT_EQ(p->AuxParamIdx(kStart), 1);
  EXPECT_EQ(p->AuxParamIdx(kSteps), -1);
  EXPECT_EQ(p->GetAuxParam(2), nullptr);
  Attach();
  CleanAll();
  p->SetAuxParamValueFromPlug(1, 0.5);
  EXPECT_TRUE(p->IsDirty());
  p->SetClean();
  p->SetClean();
  p->SetAuxParamValueFromPlug(1, 0.5);  // unchanged
  EXPECT_FALSE(p->IsDirty());
  p->SetAuxParamValueFromPlug(9, 0.5);  // no such slot

  p->GetAuxParam(0)->mValue = 1.0;
  p->SetAllAuxParamsFromGUI();
  EXPECT_DOUBLE_EQ(plug.GetParam(kThreshold)->Value(), 6.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(kStart)->GetNormalized(), 0.5);
}

TEST_F(EditorTest, APushRefreshesTheValueAndNameDisplays) {
  IText style;
  auto* value = new ITextControl(&plug, IRECT(0, 20, 60, 30), &style);
  auto* name = new ITextControl(&plug, IRECT(0, 30, 60, 40), &style, "old");
  ProbeControl* knob = AddProbe(IRECT(0, 0, 20, 20), kThreshold);
  gui->AttachControl(value);
  gui->AttachControl(name);
  knob->SetValDisplayControl(value);
  knob->SetNameDisplayControl(name);
  Attach();
  CleanAll();
  knob->SetValueFromUserInput(1.0);
  EXPECT_STREQ(value->GetTextForDisplay(), "6.0 dB");
  EXPECT_STREQ(name->GetTextForDisplay(), "Threshold");
  EXPECT_TRUE(value->IsDirty());
  EXPECT_TRUE(name->IsDirty());

  // The same text again leaves the display clean.
  CleanAll();
  knob->SetDirty(true);
  EXPECT_FALSE(value->IsDirty());
  EXPECT_FALSE(name->IsDirty());
}

TEST(ControlResizeRule, EachRuleMovesItsCoordinate) {
  IResize r;
  r.mRefW = 200;
  r.mRefH = 100;
  r.mFactorX = 0.5;
  r.mFactorY = 0.25;
  r.mLeft = 10;
  r.mTop = 20;
  r.mWidth = 30;
  r.mHeight = 40;
  EXPECT_EQ(r.GetRectResize(), IRECT(10, 20, 40, 60));  // rule 0 everywhere
  r.mLeftRule = 1;   // + int(200 * 0.5)
  r.mTopRule = 2;    // + int(100 * 0.25)
  r.mWidthRule = 2;
  r.mHeightRule = 1;
  EXPECT_EQ(r.GetRectResize(), IRECT(110, 45, 110 + 55, 45 + 140));
  r.mLeftRule = r.mTopRule = r.mWidthRule = r.mHeightRule = 3;  // scaled
  EXPECT_EQ(r.GetRectResize(), IRECT(5, 5, 20, 15));
}
