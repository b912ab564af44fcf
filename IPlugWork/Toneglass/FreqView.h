// FreqView: the editor's spectrum view. A white magnitude curve with peak hold over a
// dark panel with a faint grid and a red 0 dB line, and a translucent block over the
// searched band, green below the threshold and red above it. What it shows (the
// magnitudes, the rate, the band and the threshold) it reads from the plug-in's
// FreqViewData, which the engine writes without knowing of the view.
#ifndef TONEGLASS_FREQVIEW_H_
#define TONEGLASS_FREQVIEW_H_

#include <vector>

#include "FreqViewData.h"
#include "IControl.h"

class IGraphics;

class FreqView : public IControl {
 public:
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

  // Shows pData, which must outlive the view (the plug-in owns both).
  FreqView(IPlugBase* pPlug, IRECT pR, FreqViewData* pData);
  ~FreqView() override;

  // Pad, background, grid, curve (with peak hold) and band block; takes the data's
  // redraw request. A sample rate that is not positive and finite leaves out
  // everything placed along the frequency axis (kilohertz lines, curve, band). Always true.
  bool Draw(IGraphics* pGraphics) override;
  // The view is redrawn at every editor tick, new data or not.
  bool IsDirty() override { return true; }

  FreqViewData* const mData;
  const int mNumPoints;
  // The curve as drawn, 0 (bottom) .. 1 (top), with peak hold. Drawing thread only.
  std::vector<float> mDisplay;
  IRECT mPadRECT;
  Grid mGrid;

 private:
  void DrawCurve(IGraphics* pGraphics);
  void DrawSelection(IGraphics* pGraphics, double nyquist);
};

#endif  // TONEGLASS_FREQVIEW_H_
