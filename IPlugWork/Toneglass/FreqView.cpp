// The spectrum view's drawing.
#include "FreqView.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "IGraphics.h"

const IColor FreqView::kGridColor(20, 100, 100, 100);
const IColor FreqView::kBgColor(255, 64, 64, 64);
const IColor FreqView::kPadColor(255, 176, 176, 176);
const IChannelBlend FreqView::kSelectionBlend(IChannelBlend::kBlendColorDodge, 0.5f);
const IColor FreqView::Grid::kZeroDbLineColor(255, 171, 2, 2);

namespace {
constexpr double kDbPerNeper = 8.685889638065037;  // 20 / ln 10
constexpr double kBottomDb = -60.0;
constexpr double kGridStepDb = 6.0;
constexpr double kSilentHeight = -939.0 / 66.0;  // -999 dB, below the bottom edge
constexpr int kPadding = 4;
// More kilohertz lines than this would only overdraw columns already drawn; the bound
// keeps an absurd sample rate from stalling the editor.
constexpr int kMaxFrequencyLines = 4096;
// Pixel positions beyond this lie far outside any editor: they are clamped before the
// conversion to int, which would otherwise be undefined.
constexpr double kPixelLimit = 1 << 24;

double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

// Height 0 (bottom) .. 1 (top) of a linear magnitude. Zero, negative and NaN
// magnitudes lie on the bottom edge.
double MagnitudeHeight(float c) {
  if (!(c > 0.0f)) return Clamp01(kSilentHeight);
  return Clamp01((kDbPerNeper * std::log(static_cast<double>(c)) - kBottomDb) / FreqView::kMaxPeakDB);
}

// trunc(v) as a pixel coordinate; false for a value that is not a number.
bool ToPixel(double v, int* out) {
  if (std::isnan(v)) return false;
  *out = static_cast<int>(std::max(-kPixelLimit, std::min(kPixelLimit, v)));
  return true;
}

bool AxisUsable(double nyquist) { return std::isfinite(nyquist) && nyquist > 0.0; }
}  // namespace

// ---- Grid ---------------------------------------------------------------------------

FreqView::Grid::Grid(FreqView* pView, const IRECT& r) : mView(pView) {
  for (double db = kBottomDb; db < kMaxPeakDB; db += kGridStepDb) {
    if (db == 0.0) continue;  // the 0 dB line is drawn on its own
    mLineYs.push_back(r.B - (r.B - r.T) * Clamp01((db - kBottomDb) / kMaxPeakDB));
  }
}

void FreqView::Grid::Draw(IGraphics* pGraphics) {
  const IRECT& r = *mView->GetRECT();
  const float L = static_cast<float>(r.L), R = static_cast<float>(r.R);
  for (double y : mLineYs) {
    const float row = static_cast<float>(static_cast<int>(y));
    pGraphics->DrawLine(&kGridColor, L, row, R, row);
  }

  const double nyquist = mView->mData->mNyquist;
  if (AxisUsable(nyquist)) {
    int lines = 0;
    for (double f = 1000.0; nyquist > f && lines < kMaxFrequencyLines; f += 1000.0, ++lines) {
      const float x = static_cast<float>(static_cast<int>((r.R - r.L) * (f / nyquist) + r.L));
      pGraphics->DrawLine(&kGridColor, x, static_cast<float>(r.T), x, static_cast<float>(r.B));
    }
  }

  const float zeroRow = static_cast<float>(r.B - static_cast<int>((r.B - r.T) * kZeroDbY));
  pGraphics->DrawLine(&kZeroDbLineColor, L, zeroRow, R, zeroRow);
}

// ---- View ---------------------------------------------------------------------------

FreqView::FreqView(IPlugBase* pPlug, IRECT pR, FreqViewData* pData)
    : IControl(pPlug, pR, -1, IChannelBlend::kBlendNormal),
      mData(pData),
      mNumPoints(pData->mNumPoints),
      mDisplay(static_cast<size_t>(mNumPoints), 0.0f),
      mPadRECT(pR.GetPadded(kPadding)),
      mGrid(this, pR) {}

FreqView::~FreqView() = default;

bool FreqView::Draw(IGraphics* pGraphics) {
  pGraphics->FillIRect(&kPadColor, &mPadRECT);
  pGraphics->FillIRect(&kBgColor, &mRECT);
  mGrid.Draw(pGraphics);
  mData->mRedraw = false;
  const double nyquist = mData->mNyquist;
  if (AxisUsable(nyquist)) {
    DrawCurve(pGraphics);
    DrawSelection(pGraphics, nyquist);
  }
  return true;
}

// Bin 0 is never shown: the curve starts at mDisplay[0], which stays on the bottom edge.
void FreqView::DrawCurve(IGraphics* pGraphics) {
  const int n = mNumPoints;
  if (n <= 1) return;
  const float* spectrum = mData->AcquireSpectrum();
  float* display = mDisplay.data();
  const double decay = mData->mPeakDecay;
  const float L = static_cast<float>(mRECT.L), T = static_cast<float>(mRECT.T);
  const float W = static_cast<float>(mRECT.W()), H = static_cast<float>(mRECT.H());
  const float fn = static_cast<float>(n);
  for (int i = 0; i < n - 1; ++i) {
    const double h = MagnitudeHeight(spectrum[i + 1]);
    // Peak hold. A decay that is not a number lets the curve follow the data; the
    // upper bound only matters for a negative decay, which would otherwise climb.
    const double d = display[i + 1] - decay;
    display[i + 1] = static_cast<float>(d > h ? std::min(d, 1.0) : h);

    const int x0 = static_cast<int>(L) + static_cast<int>(static_cast<float>(i) / fn * W);
    const int x1 = static_cast<int>(L) + static_cast<int>(static_cast<float>(i + 1) / fn * W);
    const int y0 = static_cast<int>(T) + static_cast<int>((1.0f - display[i]) * H);
    const int y1 = static_cast<int>(T) + static_cast<int>((1.0f - display[i + 1]) * H);
    pGraphics->DrawLine(&COLOR_WHITE, static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1),
                        static_cast<float>(y1));
  }
}

// The band as the parameters give it: no 50 Hz minimum and no cap at the Nyquist
// frequency, so the block may run past the view's right edge.
void FreqView::DrawSelection(IGraphics* pGraphics, double nyquist) {
  const double W = mRECT.W(), H = mRECT.H();
  int start, width, thresholdRows;
  const double selectionStart = mData->mSelectionStart, selectionSize = mData->mSelectionSize;
  const double thresholdDB = mData->mThresholdDB;
  if (!ToPixel(selectionStart / nyquist * W, &start) || !ToPixel(selectionSize / nyquist * W, &width) ||
      !ToPixel((1.0 - Clamp01((thresholdDB - kBottomDb) / kMaxPeakDB)) * H, &thresholdRows)) {
    return;
  }
  const int xs = mRECT.L + start;
  const int xe = xs + width;
  const int yt = mRECT.T + thresholdRows;
  IRECT below(xs, yt, xe, mRECT.B), above(xs, mRECT.T, xe, yt);
  pGraphics->FillIRect(&COLOR_GREEN, &below, &kSelectionBlend);
  pGraphics->FillIRect(&COLOR_RED, &above, &kSelectionBlend);
}
