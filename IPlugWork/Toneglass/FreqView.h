// FreqView: the editor's spectrum view. A white magnitude curve with peak hold over a
// dark panel with a faint grid and a red 0 dB line, and a translucent block over the
// searched band, green below the threshold and red above it. It is also where the
// engine keeps the band and threshold settings, which it reads and writes directly.
//
// Threads: the engine (audio thread, or a host thread in OnParamChange/Reset) writes
// the magnitudes and settings while the editor's thread draws. Neither waits for the
// other: the magnitudes cross through a three-slot exchange (PublishSpectrum), the
// settings are SharedValues.
#ifndef TONEGLASS_FREQVIEW_H_
#define TONEGLASS_FREQVIEW_H_

#include <atomic>
#include <vector>

#include "IControl.h"
#include "heapbuf.h"

class IGraphics;

class FreqView : public IControl {
 public:
  static constexpr double kPeakDecayRate = 1.0;
  // The vertical axis spans -60 dB (bottom) to +6 dB (top).
  static constexpr double kMaxPeakDB = 66.0;
  static constexpr double kZeroDbY = 0.9090909090909091;  // 60 / 66
  static const IColor kGridColor;
  static const IColor kBgColor;
  static const IColor kPadColor;
  static const IChannelBlend kSelectionBlend;

  // The horizontal lines every 6 dB (placed once, from the rectangle at construction),
  // the vertical ones every kilohertz and the 0 dB line.
  class Grid {
   public:
    static const IColor kZeroDbLineColor;

    Grid(FreqView* pView, const IRECT& r);
    void Draw(IGraphics* pGraphics);

    FreqView* mView;
    std::vector<double> mLineYs;
  };

  // numPoints below 0 counts as 0 (no curve).
  FreqView(IPlugBase* pPlug, IRECT pR, int numPoints);
  ~FreqView() override;

  // Pad, background, grid, curve (with peak hold) and band block. A sample rate that
  // is not positive and finite leaves out everything placed along the frequency axis
  // (kilohertz lines, curve, band). Always true.
  bool Draw(IGraphics* pGraphics) override;
  // The view is redrawn at every editor tick, new data or not.
  bool IsDirty() override { return true; }

  // Engine side: hands the magnitudes now in mSpectrum to the next draw. Never waits;
  // a draw that is running keeps the magnitudes it started with.
  void PublishSpectrum();

  // The engine asks for a redraw by setting this (and calling SetDirty(false)).
  using IControl::mRedraw;

  int mNumPoints;
  // The engine's magnitudes, bins 0 .. mNumPoints - 1, written whole once per frame on
  // the engine's side only; Draw reads what PublishSpectrum handed over.
  WDL_TypedBuf<float> mSpectrum;
  // The curve as drawn, 0 (bottom) .. 1 (top), with peak hold. Drawing thread only.
  std::vector<float> mDisplay;
  SharedValue<double> mSampleRate = 44100.0;
  SharedValue<double> mNyquist = 22050.0;
  // Fall of mDisplay per redraw. Until the engine's first Reset, the fall at 44.1 kHz.
  SharedValue<double> mPeakDecay;
  SharedValue<double> mSelectionStart = 0.0;
  SharedValue<double> mSelectionSize = 1.0;
  // Until the engine first sets it, the Threshold parameter's default.
  SharedValue<double> mThresholdDB = 0.0;
  IRECT mPadRECT;
  Grid mGrid;

 private:
  // The latest published magnitudes, for the drawing thread.
  const float* AcquireSpectrum();
  void DrawCurve(IGraphics* pGraphics);
  void DrawSelection(IGraphics* pGraphics, double nyquist);

  // Three slots: the engine fills its own and swaps it with the shared one; the drawer
  // swaps its own with the shared one when that holds fresher data. The shared index
  // carries kFresh while the drawer has not taken it.
  static constexpr int kSlotMask = 3;
  static constexpr int kFresh = 4;
  std::vector<float> mSlots[3];
  std::atomic<int> mSharedSlot{2};
  int mEngineSlot = 1;  // engine side only
  int mDrawSlot = 0;    // drawing thread only
};

#endif  // TONEGLASS_FREQVIEW_H_
