// The spectrum view as the editor draws it, read back from the editor's bitmap: where
// the curve, the grid and the band block land, how the peak hold falls, and what is
// left when the sample rate gives no frequency axis.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "toneglass_editor_fixture.h"

using namespace toneglass_editor_test;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Colour dodge at weight 0.5 as the raster library computes it, channel by channel.
int Dodge(int d, int s) {
  const int t = s * 128 / 256;
  const int v = t < 255 ? d * 256 / (256 - t) : d * 256;
  return v > 255 ? 255 : v;
}
Rgb DodgeGreen(Rgb d) { return Rgb{Dodge(d.r, 0), Dodge(d.g, 255), Dodge(d.b, 0)}; }
Rgb DodgeRed(Rgb d) { return Rgb{Dodge(d.r, 255), Dodge(d.g, 0), Dodge(d.b, 0)}; }

struct Fixture : ::testing::Test {
  std::unique_ptr<Toneglass> plug = MakeEditorPlug();
  IGraphics* g = plug->GetGUI();
  FreqView* view = plug->GetFreqView();

  void SetUp() override {
    ASSERT_NE(g, nullptr);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(g->GetDrawBitmap(), nullptr);
  }
  void Draw() { view->Draw(g); }
};

// ---- Layout -----------------------------------------------------------------------------

TEST_F(Fixture, EditorHoldsPanelViewAndFiveKnobsInOrder) {
  EXPECT_EQ(g->Width(), 700);
  EXPECT_EQ(g->Height(), 400);
  ASSERT_EQ(g->GetNControls(), 7);
  EXPECT_EQ(g->GetControl(1), view);
  EXPECT_EQ(*view->GetRECT(), IRECT(4, 40, 696, 300));
  EXPECT_EQ(view->mPadRECT, IRECT(0, 36, 700, 304));
  EXPECT_EQ(view->mNumPoints, 1024);
  EXPECT_TRUE(view->IsDirty());
  const IRECT knobs[] = {{40, 315, 92, 401}, {250, 315, 302, 401}, {345, 315, 397, 401},
                         {540, 315, 592, 401}, {610, 315, 662, 401}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(*g->GetControl(2 + i)->GetRECT(), knobs[i]) << i;
    EXPECT_EQ(g->GetControl(2 + i)->ParamIdx(), i);
  }
  DrawWhole(g);
  EXPECT_EQ(Px(g, 2, 10), kPanel);
  EXPECT_EQ(Px(g, 2, 100), kPad);
}

// ---- Curve --------------------------------------------------------------------------------

struct Level {
  float magnitude;
  int row;
};
class CurveRows : public ::testing::TestWithParam<Level> {};

// 0 dB lands one row above the 0 dB line (the curve and the line truncate differently);
// +6 dB and more on the top edge; -60 dB and less, zero and NaN on the bottom edge.
TEST_P(CurveRows, SteadyMagnitudeDrawsAtItsRow) {
  auto plug = MakeEditorPlug();
  IGraphics* g = plug->GetGUI();
  Feed(plug->GetFreqView(), GetParam().magnitude);
  plug->GetFreqView()->Draw(g);
  for (int x : {100, 350, 600}) EXPECT_EQ(CurveRow(g, x), GetParam().row) << "column " << x;
  EXPECT_EQ(Px(g, 350, 64), kZeroDbLine) << "no level covers the 0 dB line's row";
}
INSTANTIATE_TEST_SUITE_P(Levels, CurveRows,
                         ::testing::Values(Level{1.0f, 63}, Level{2.0f, 40}, Level{1e6f, 40}, Level{kInf, 40},
                                           Level{0.0005f, 300}, Level{0.0f, 300}, Level{-1.0f, 300},
                                           Level{std::numeric_limits<float>::quiet_NaN(), 300}));

TEST_F(Fixture, BeforeAnyAudioTheCurveLiesOnTheBottomEdge) {
  Draw();
  for (int x : {10, 350, 690}) EXPECT_EQ(CurveRow(g, x), kB) << x;
}

// 1024 / 44100 of the height per redraw: a peak at the top reaches the bottom edge
// after 44 redraws, one row short after 43, falling about six rows a redraw.
TEST_F(Fixture, VanishedPeakFallsLinearlyOverAbout43Redraws) {
  EXPECT_DOUBLE_EQ(view->mData->mPeakDecay, 1024.0 / 44100.0);
  Feed(view, 2.0f);
  Draw();
  ASSERT_EQ(CurveRow(g, 350), kT);
  Feed(view, 0.0f);
  int previous = kT;
  for (int redraw = 1; redraw <= 44; ++redraw) {
    Draw();
    const int row = CurveRow(g, 350);
    if (redraw <= 43) {
      EXPECT_GE(row - previous, 6) << redraw;
      EXPECT_LE(row - previous, 7) << redraw;
      EXPECT_LT(row, kB) << redraw;
    } else {
      EXPECT_EQ(row, kB);
    }
    previous = row;
  }
}

// A new peak shows at once, whatever the hold was doing.
TEST_F(Fixture, RisingLevelShowsAtTheNextRedraw) {
  Feed(view, 0.01f);
  Draw();
  Feed(view, 1.0f);
  Draw();
  EXPECT_EQ(CurveRow(g, 350), 63);
}

// The engine's frame reaches the view through the hand-off, not before the frame ends.
TEST_F(Fixture, EngineFrameReachesTheDrawnCurve) {
  std::vector<double> left(Toneglass::kFrameSize), right(Toneglass::kFrameSize), outL(left.size()),
      outR(left.size());
  for (size_t i = 0; i < left.size(); ++i) left[i] = right[i] = std::sin(2.0 * M_PI * 300.0 * i / 2048.0);
  double* ins[2] = {left.data(), right.data()};
  double* outs[2] = {outL.data(), outR.data()};
  plug->ProcessDoubleReplacing(ins, outs, Toneglass::kFrameSize - 1);
  Draw();
  const int x300 = kL + static_cast<int>(300.0f / 1024.0f * 692.0f);
  EXPECT_EQ(CurveRow(g, x300), kB) << "the frame is not complete yet";
  double* ins2[2] = {left.data() + 2047, right.data() + 2047};
  double* outs2[2] = {outL.data() + 2047, outR.data() + 2047};
  plug->ProcessDoubleReplacing(ins2, outs2, 1);
  Draw();
  // A full-scale sine on a bin reads about 0 dB.
  EXPECT_NEAR(CurveRow(g, x300), 63, 1);
}

// ---- Grid ---------------------------------------------------------------------------------

struct Axis {
  double sampleRate;
  int kilohertzLines;
};
class GridColumns : public ::testing::TestWithParam<Axis> {};

// Lines at every whole kilohertz strictly below the Nyquist frequency.
TEST_P(GridColumns, OneColumnPerKilohertzBelowNyquist) {
  auto plug = MakeEditorPlug(GetParam().sampleRate);
  SetPlainParam(*plug, Toneglass::kSelectionSize, 50.0);
  IGraphics* g = plug->GetGUI();
  plug->GetFreqView()->Draw(g);
  const double nyquist = GetParam().sampleRate / 2;
  std::set<int> expected;
  for (int k = 1; k * 1000.0 < nyquist; ++k) expected.insert(static_cast<int>(692 * (k * 1000.0 / nyquist) + 4));
  ASSERT_EQ(static_cast<int>(expected.size()), GetParam().kilohertzLines);
  // Row 150 crosses no horizontal line; columns 4 and 5 hold the default band.
  for (int x = 6; x < kR; ++x) EXPECT_EQ(Px(g, x, 150), expected.count(x) ? kGrid : kViewBg) << "column " << x;
  EXPECT_EQ(Px(g, 35, 150), GetParam().sampleRate == 44100.0 ? kGrid : kViewBg);
}
INSTANTIATE_TEST_SUITE_P(Rates, GridColumns, ::testing::Values(Axis{44100.0, 22}, Axis{48000.0, 23}));

// Every 6 dB from -60 dB (the bottom edge) to -6 dB, and the red 0 dB line at row 64.
TEST_F(Fixture, HorizontalLinesEverySixDecibels) {
  ASSERT_EQ(view->mGrid.mLineYs.size(), 20u);
  for (int i = 10; i < 20; ++i) EXPECT_EQ(view->mGrid.mLineYs[static_cast<size_t>(i)], 40.0);
  Draw();
  for (int db = -54; db < 0; db += 6) {
    const int row = static_cast<int>(300 - 260 * ((db + 60) / 66.0));
    EXPECT_EQ(Px(g, 200, row), kGrid) << db << " dB";
    EXPECT_EQ(Px(g, 200, row - 1), kViewBg) << db << " dB";
  }
  EXPECT_EQ(Px(g, 200, kT), kGrid);
  EXPECT_EQ(Px(g, 200, 64), kZeroDbLine);
  EXPECT_EQ(Px(g, kR, 64), kZeroDbLine) << "the lines run to the right coordinate inclusive";
}

// ---- Band block ---------------------------------------------------------------------------

// 20 kHz + 10 kHz at 44.1 kHz: from x = L + 627, drawn 313 wide, so it runs past the view
// and over the pad to the bitmap's edge. Dodged green below the threshold, red above.
TEST_F(Fixture, BandBlockEdgesIncludingOnePastTheRightEdge) {
  SetPlainParam(*plug, Toneglass::kSelectionStart, 20000.0);
  SetPlainParam(*plug, Toneglass::kSelectionSize, 10000.0);
  Draw();
  const int xs = kL + 627;
  EXPECT_EQ(Px(g, xs - 1, 150), kViewBg);
  EXPECT_EQ(Px(g, xs, 150), DodgeGreen(kGrid)) << "the 20 kHz column starts the block";
  EXPECT_EQ(Px(g, 640, 150), DodgeGreen(kViewBg));
  EXPECT_EQ(Px(g, 640, 62), DodgeRed(kViewBg));
  EXPECT_EQ(Px(g, 640, 63), DodgeGreen(kViewBg)) << "threshold 0 dB splits at row 63";
  EXPECT_EQ(Px(g, 699, 150), DodgeGreen(kPad)) << "past the view's right edge";
  EXPECT_EQ(Px(g, 640, 37), kPad) << "nothing above the view";
}

TEST_F(Fixture, ThresholdSplitRows) {
  SetPlainParam(*plug, Toneglass::kSelectionStart, 5000.0);
  SetPlainParam(*plug, Toneglass::kSelectionSize, 5000.0);
  const int x = kL + static_cast<int>(5000.0 / 22050.0 * 692) + 20;
  SetPlainParam(*plug, Toneglass::kThreshold, -60.0);
  Draw();
  EXPECT_EQ(Px(g, x, 45), DodgeRed(kViewBg));
  EXPECT_EQ(Px(g, x, 299), DodgeRed(kViewBg)) << "at -60 dB the red block is the full height";
  SetPlainParam(*plug, Toneglass::kThreshold, 6.0);
  Draw();
  EXPECT_EQ(Px(g, x, 45), DodgeGreen(kViewBg)) << "at +6 dB the green block is the full height";
  EXPECT_EQ(Px(g, x, 299), DodgeGreen(kViewBg));
}

// ---- No frequency axis --------------------------------------------------------------------

class NoAxis : public ::testing::TestWithParam<double> {};

// Zero, negative or NaN rates: pad, background and the horizontal lines; no
// kilohertz lines, no curve, no band. (Non-finite positions would otherwise reach int.)
TEST_P(NoAxis, DrawsWhatItCanAndNoCurve) {
  auto plug = MakeEditorPlug();
  FreqView* view = plug->GetFreqView();
  view->mData->mSampleRate = GetParam();
  view->mData->mNyquist = GetParam() * 0.5;
  view->mData->mPeakDecay = 1024.0 / GetParam();
  SetPlainParam(*plug, Toneglass::kSelectionSize, 5000.0);
  Feed(view, 1.0f);
  IGraphics* g = plug->GetGUI();
  view->Draw(g);
  for (int x = kL; x < kR; ++x) {
    ASSERT_EQ(Px(g, x, 150), kViewBg) << "column " << x;
    ASSERT_EQ(Px(g, x, 63), kViewBg) << "column " << x;
  }
  EXPECT_EQ(Px(g, 350, kB), kGrid) << "the -60 dB line, on the bottom edge";
  EXPECT_EQ(Px(g, 350, 276), kGrid);
  EXPECT_EQ(Px(g, 350, 64), kZeroDbLine);
}
INSTANTIATE_TEST_SUITE_P(Rates, NoAxis, ::testing::Values(0.0, -44100.0, kNaN, std::numeric_limits<double>::infinity()));

// The engine's Reset passes a zero rate straight to the view.
TEST_F(Fixture, ZeroRateThroughTheEngine) {
  plug->SetSampleRate(0.0);
  plug->Reset();
  Feed(view, 1.0f);
  Draw();
  EXPECT_EQ(CurveRow(g, 350), -1);
}

// Settings no parameter can deliver still draw nothing undefined and keep the curve
// inside the view.
TEST_F(Fixture, OddSettingsStayInside) {
  view->mData->mSelectionStart = kNaN;
  Draw();
  view->mData->mSelectionStart = 1e300;
  view->mData->mSelectionSize = -1e300;
  view->mData->mThresholdDB = kNaN;
  view->mData->mNyquist = 1e-300;
  Draw();
  view->mData->mNyquist = 22050.0;
  view->mData->mPeakDecay = -0.5;  // would climb without a bound
  Feed(view, 0.5f);
  for (int i = 0; i < 5; ++i) Draw();
  for (float d : view->mDisplay) ASSERT_TRUE(d >= 0.0f && d <= 1.0f) << d;
  view->mData->mPeakDecay = kNaN;
  Draw();
  EXPECT_EQ(CurveRow(g, 350), 40 + static_cast<int>((1.0f - static_cast<float>((8.685889638065037 * std::log(0.5) + 60) / 66)) * 260));
  view->mData->mNyquist = 1e12;  // a kilohertz line per column, bounded
  Draw();
}

}  // namespace
