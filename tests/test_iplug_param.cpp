// Parameters: initialisation ranges, the normalised/plain conversions with shape,
// clamping and snapping, display texts and their bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "IParam.h"

namespace {

std::string Display(const IParam& p, double value, bool normalized = false, bool withText = true) {
  char buf[MAX_PARAM_DISPLAY_LEN];
  p.GetDisplayForHost(value, normalized, buf, withText);
  return buf;
}

}  // namespace

TEST(IParamInit, RangesOfTheStepKinds) {
  IParam a, b, c, d, e;
  a.InitInt("a", 0, 5, 5);
  EXPECT_EQ(a.GetMax(), 6.0);
  b.InitInt("b", 0, 5, -3);
  EXPECT_EQ(b.GetMin(), 5.0);
  EXPECT_EQ(b.GetMax(), 6.0);
  c.InitEnum("c", 0, 0);
  EXPECT_EQ(c.GetMax(), 1.0);
  d.InitEnum("d", 0, 1);
  EXPECT_EQ(d.GetMax(), 1.0);
  e.InitEnum("e", 2, 4);
  EXPECT_EQ(e.GetMax(), 3.0);
  EXPECT_EQ(e.Type(), kTypeEnum);
  EXPECT_EQ(e.GetNDisplayTexts(), 0);
}

TEST(IParamInit, PrecisionFollowsTheStep) {
  const struct {
    double step;
    int precision;
  } cases[] = {{10, 0}, {1, 0}, {0.5, 1}, {0.1, 1}, {0.25, 2}, {0.01, 2}, {0.001, 3}, {1e-6, 6}, {1e-9, 6}};
  for (const auto& c : cases) {
    IParam p;
    p.InitDouble("p", 0, 0, 100, c.step);
    EXPECT_EQ(p.GetPrecision(), c.precision) << "step " << c.step;
  }
}

TEST(IParamInit, KindOnceSetIsKept) {
  IParam p;
  p.InitBool("b", false);
  p.InitDouble("d", 0, 0, 10, 0.1);
  EXPECT_EQ(p.Type(), kTypeBool);
  // Still a stepped kind, so the conversion snaps to the (new) step.
  p.SetNormalized(0.5);
  EXPECT_NEAR(p.Value(), 5.0, 1e-12);
  p.SetNormalized(0.503);
  EXPECT_NEAR(p.Value(), 5.0, 1e-12);
  // Re-initialising drops the "off"/"on" records.
  EXPECT_EQ(p.GetNDisplayTexts(), 0);
}

TEST(IParamInit, ZeroShapeKeepsThePreviousShape) {
  IParam fresh;
  fresh.InitDouble("p", 0, 0, 1, 0.01, "", "", 0.0);
  EXPECT_EQ(fresh.GetShape(), 1.0);
  IParam shaped;
  shaped.SetShape(3.0);
  shaped.SetShape(0.0);
  shaped.InitDouble("p", 0, 0, 1, 0.01, "", "", 0.0);
  EXPECT_EQ(shaped.GetShape(), 3.0);
}

TEST(IParamInit, TextsAreCutToTheirFieldsAndNullIsEmpty) {
  const char* longText = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEF";
  IParam p;
  p.InitDouble(longText, 0, 0, 1, 0.1, longText, longText);
  EXPECT_EQ(std::string(p.GetNameForHost()), std::string(longText, 31));
  EXPECT_EQ(std::string(p.GetLabelForHost()), std::string(longText, 31));
  EXPECT_EQ(std::string(p.GetParamGroupForHost()), std::string(longText, 31));
  p.SetDisplayText(1, longText);
  EXPECT_EQ(std::string(p.GetDisplayText(1)), std::string(longText, 31));

  IParam q;
  q.InitInt(nullptr, 0, 0, 1, nullptr, nullptr);
  q.SetDisplayText(0, nullptr);
  EXPECT_STREQ(q.GetNameForHost(), "");
  EXPECT_STREQ(q.GetLabelForHost(), "");
  EXPECT_EQ(q.GetNDisplayTexts(), 0);
}

TEST(IParamConvert, NormalisedInputIsClamped) {
  IParam p;
  p.InitDouble("p", 0, -20, 40, 0.1);
  p.SetNormalized(1.7);
  const double top = p.Value();
  p.SetNormalized(1.0);
  EXPECT_EQ(p.Value(), top);
  p.SetNormalized(-0.2);
  EXPECT_EQ(p.Value(), -20.0);
  p.SetNormalized(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Value(), -20.0);
}

TEST(IParamConvert, SteppedKindsRoundHalfUpFromZero) {
  IParam p;
  p.InitInt("p", 0, -10, 10);
  EXPECT_EQ(p.Value(0.52), 0.0);    // 0.4
  EXPECT_EQ(p.Value(0.76), 5.0);    // 5.2
  EXPECT_EQ(p.Value(0.375), -2.0);  // -2.5 rounds up
  EXPECT_EQ(p.Value(0.625), 3.0);   // 2.5 rounds up
}

TEST(IParamConvert, SnappingIsCappedAtMaxButNotAtMin) {
  IParam up;
  up.InitBool("b", false);
  up.InitDouble("d", 0, 0, 1, 0.4);
  EXPECT_EQ(up.Value(1.0), 1.0);  // 1.2 after snapping, capped
  IParam down;
  down.InitBool("b", false);
  down.InitDouble("d", 0, 0.3, 1, 1.0);
  EXPECT_EQ(down.Value(0.0), 0.0);  // below min, no second clamp
}

TEST(IParamConvert, AnyNonZeroStepSnapsTheSteppedKinds) {
  IParam neg;
  neg.InitBool("b", false);
  neg.InitDouble("d", 0, 0, 10, -1.0);
  EXPECT_EQ(neg.Value(0.25), 2.0);  // 2.5: halves go toward zero with a negative step
  EXPECT_EQ(neg.Value(0.27), 3.0);  // 2.7
  IParam zero;
  zero.InitBool("b", false);
  zero.InitDouble("d", 0, 0, 10, 0.0);
  EXPECT_EQ(zero.Value(0.25), 2.5);  // nothing to snap to, and no NaN
}

TEST(IParamConvert, ShapeRoundTrips) {
  IParam p;
  p.InitDouble("p", 0, 20, 20000, 1, "Hz", "", 2.0);
  EXPECT_DOUBLE_EQ(p.GetNonNormalized(0.5), 19980 * 0.25 + 20);
  for (double n : {0.0, 0.1, 0.33, 0.5, 0.9, 1.0}) {
    EXPECT_NEAR(p.GetNormalized(p.Value(n)), n, 1e-12);
  }
  EXPECT_DOUBLE_EQ(p.GetNonNormalized(2.0), 19980 * 4.0 + 20);  // raw curve, unclamped
}

TEST(IParamConvert, NormalisedFormStaysInUnitRange) {
  IParam p;
  p.InitDouble("p", 0, -60, 6, 0.1);
  EXPECT_EQ(p.GetNormalized(-100), 0.0);
  EXPECT_EQ(p.GetNormalized(100), 1.0);
  EXPECT_EQ(p.GetNormalized(std::numeric_limits<double>::quiet_NaN()), 0.0);
  p.SetShape(-1.0);
  EXPECT_LE(p.GetNormalized(-30), 1.0);
  // An empty range gives 0 rather than a division by zero.
  p.SetBounds(5, 5);
  EXPECT_EQ(p.GetNormalized(5), 0.0);
  // Reversed bounds: below min clamps to min (0), anything else to max (1).
  IParam r;
  r.InitDouble("r", 0, 0, 1, 0.1);
  r.SetBounds(10, 0);
  EXPECT_EQ(r.GetNormalized(5), 0.0);
  EXPECT_EQ(r.GetNormalized(10), 1.0);
  EXPECT_EQ(r.GetNormalized(20), 1.0);
}

TEST(IParamDisplay, NumbersFollowThePrecision) {
  IParam fine, coarse;
  fine.InitDouble("f", 0, -100, 100, 0.1);
  EXPECT_EQ(Display(fine, 2.5), "2.5");
  coarse.InitDouble("c", 0, -100, 100, 10);
  EXPECT_EQ(Display(coarse, 2.5), "3");
  EXPECT_EQ(Display(coarse, -2.5), "-2");
  EXPECT_EQ(Display(coarse, -0.4), "0");
}

// A value just below zero rounds to zero at the shown precision; it must not read as
// a negative zero, while values that round to a non-zero digit keep their sign.
TEST(IParamDisplay, NothingBelowZeroShowsAsNegativeZero) {
  IParam tenth, hundredth, whole;
  tenth.InitDouble("t", 0, -61, 0, 0.1, "dB");
  hundredth.InitDouble("h", 0, -1, 1, 0.01);
  whole.InitDouble("w", 0, -100, 100, 10);
  for (double v : {-0.0, -1e-9, -0.04, -0.0499, -std::numeric_limits<double>::denorm_min()}) {
    EXPECT_EQ(Display(tenth, v), "0.0") << v;
    EXPECT_EQ(Display(whole, v), "0") << v;
  }
  EXPECT_EQ(Display(tenth, -0.06), "-0.1");
  EXPECT_EQ(Display(tenth, -60.96), "-61.0");
  EXPECT_EQ(Display(tenth, 0.04), "0.0");
  EXPECT_EQ(Display(hundredth, -0.004), "0.00");
  EXPECT_EQ(Display(hundredth, -0.006), "-0.01");
  EXPECT_EQ(Display(whole, -0.6), "-1");
  // Cut to a small buffer, a negative zero still loses its sign.
  char small[3];
  tenth.GetDisplayForHostSized(-0.04, false, small, sizeof(small));
  EXPECT_STREQ(small, "0.");
  // Normalised: 0.9999999 of -61..0 dB lies a few millionths below zero.
  EXPECT_EQ(Display(tenth, 0.9999999, true), "0.0");
}

TEST(IParamDisplay, BoolShowsItsTextsAndNoLabel) {
  IParam p;
  p.InitBool("Bypass", false, "x");
  EXPECT_EQ(Display(p, 0), "off");
  EXPECT_EQ(Display(p, 1), "on");
  EXPECT_EQ(Display(p, 1, false, false), "1");
  EXPECT_STREQ(p.GetLabelForHost(), "");
  p.Set(1);
  EXPECT_STREQ(p.GetLabelForHost(), "");
}

TEST(IParamDisplay, LookupTruncatesTowardZero) {
  IParam p;
  p.InitDouble("Threshold", 0, -70, 0, 0.1, "dB");
  p.SetDisplayText(-61, "floor");
  EXPECT_EQ(Display(p, -61.99), "floor");
  EXPECT_EQ(Display(p, -61.0), "floor");
  EXPECT_NE(Display(p, -60.95), "floor");
  p.Set(-61.5);
  EXPECT_STREQ(p.GetLabelForHost(), "");
  p.Set(-60.5);
  EXPECT_STREQ(p.GetLabelForHost(), "dB");
}

TEST(IParamDisplay, NormalisedValueUsesTheRawCurve) {
  IParam p;
  p.InitEnum("Mode", 0, 3);
  p.SetDisplayText(0, "A");
  p.SetDisplayText(1, "B");
  p.SetDisplayText(2, "C");
  // 0.95 of 0..2 is 1.9: unsnapped and truncated, so "B" (snapping would give "C").
  EXPECT_EQ(Display(p, 0.95, true), "B");
}

TEST(IParamDisplay, NeverWritesPastTheBuffer) {
  IParam p;
  p.InitDouble("p", 0, -1e300, 1e300, 1e-6);
  struct {
    char buf[MAX_PARAM_DISPLAY_LEN];
    char guard[8];
  } out;
  memset(&out, 'Z', sizeof(out));
  p.GetDisplayForHost(-1e300, false, out.buf);
  EXPECT_EQ(strlen(out.buf), size_t(MAX_PARAM_DISPLAY_LEN - 1));
  EXPECT_EQ(std::string(out.guard, 8), "ZZZZZZZZ");

  char small[5];
  memset(small, 'Z', sizeof(small));
  p.GetDisplayForHostSized(123456.0, false, small, 4);
  EXPECT_STREQ(small, "123");
  EXPECT_EQ(small[4], 'Z');

  IParam q;
  q.InitBool("b", true);
  q.GetDisplayForHostSized(1, false, small, 2);
  EXPECT_STREQ(small, "o");
  q.GetDisplayForHostSized(1, false, nullptr, 10);  // ignored
  // Values beyond the int range neither find a record nor overflow a conversion.
  q.GetDisplayForHostSized(1e30, false, small, 5);
  EXPECT_STREQ(small, "1000");
}

TEST(IParamTexts, LookupsAndReverseLookups) {
  IParam p;
  p.InitBool("b", false);
  int v = 7;
  EXPECT_TRUE(p.MapDisplayText("on", &v));
  EXPECT_EQ(v, 1);
  v = 7;
  EXPECT_FALSE(p.MapDisplayText("On", &v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(p.MapDisplayText(nullptr, &v));
  EXPECT_FALSE(p.MapDisplayText("on", nullptr));

  p.SetDisplayText(1, "yes");
  p.SetDisplayText(5, "on");
  EXPECT_STREQ(p.GetDisplayText(1), "on");  // the first record of a value wins
  EXPECT_TRUE(p.MapDisplayText("on", &v));
  EXPECT_EQ(v, 1);
  EXPECT_STREQ(p.GetDisplayText(9), "");

  EXPECT_STREQ(p.GetDisplayTextAtIdx(3, &v), "on");
  EXPECT_EQ(v, 5);
  v = 7;
  EXPECT_STREQ(p.GetDisplayTextAtIdx(4, &v), "");
  EXPECT_STREQ(p.GetDisplayTextAtIdx(-1, &v), "");
  EXPECT_EQ(v, 7);

  IParam none;
  EXPECT_FALSE(none.MapDisplayText("", &v));
}

TEST(IParamValues, DirectWritesAndIntegerView) {
  IParam p;
  p.InitInt("p", 0, -10, 10);
  p.SetClamped(25);
  EXPECT_EQ(p.Value(), 10.0);
  p.SetClamped(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Value(), -10.0);
  p.Set(-3.7);
  EXPECT_EQ(p.Int(), -3);
  p.Set(1e20);
  EXPECT_EQ(p.Int(), std::numeric_limits<int>::max());
  p.Set(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Int(), 0);
}
