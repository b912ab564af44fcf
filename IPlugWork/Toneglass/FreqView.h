// The spectrum view's data as the engine sees it: the magnitudes it displays, the
// rates it scales by, the band and threshold it draws, and the redraw request.
// Drawing is added when the editor exists.
#ifndef TONEGLASS_FREQVIEW_H_
#define TONEGLASS_FREQVIEW_H_

#include <cstring>

#include "heapbuf.h"

class FreqView {
 public:
  static constexpr double kPeakDecayRate = 1.0;

  explicit FreqView(int numPoints) : mNumPoints(numPoints > 0 ? numPoints : 0) {
    if (mSpectrum.Resize(mNumPoints) && mNumPoints > 0)
      memset(mSpectrum.Get(), 0, sizeof(float) * static_cast<size_t>(mNumPoints));
    // Until the engine's first reset, the curve falls as it would at 44.1 kHz.
    mPeakDecay = mNumPoints / mSampleRate * kPeakDecayRate;
  }
  FreqView(const FreqView&) = delete;
  FreqView& operator=(const FreqView&) = delete;

  // Marks the view for drawing; the view pushes nothing to the plug-in.
  void SetDirty(bool /*pushParamToPlug*/) { mDirty = true; }
  bool IsDirty() const { return mDirty; }
  // The draw pass's hand-shake: what was requested since the last pass is drawn next.
  void SetClean() {
    mDirty = mRedraw;
    mRedraw = false;
  }

  int mNumPoints;
  WDL_TypedBuf<float> mSpectrum;
  double mSampleRate = 44100.0;
  double mNyquist = 22050.0;
  double mPeakDecay = 0.0;
  double mSelectionStart = 0.0;
  double mSelectionSize = 1.0;
  double mThresholdDB = 0.0;

  bool mDirty = true;
  bool mRedraw = false;
};

#endif  // TONEGLASS_FREQVIEW_H_
