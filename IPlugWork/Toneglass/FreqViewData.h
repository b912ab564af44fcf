// FreqViewData: what the spectrum view shows, kept by the plug-in whether or not it has
// an editor. The engine writes the magnitudes, the sample rate and the band and
// threshold settings here; the view (FreqView, in the editor) reads them when it draws.
// Nothing graphic: a DSP-only build keeps this and links no editor code.
//
// Threads: the engine (audio thread, or a host thread in OnParamChange/Reset) writes
// while the editor's thread draws. Neither waits for the other: the magnitudes cross
// through a three-slot exchange (PublishSpectrum / AcquireSpectrum), the settings and
// the redraw request are SharedValues.
#ifndef TONEGLASS_FREQVIEWDATA_H_
#define TONEGLASS_FREQVIEWDATA_H_

#include <atomic>
#include <vector>

#include "SharedValue.h"
#include "heapbuf.h"

class FreqViewData {
 public:
  // The peak hold falls this many times the frame length per second of audio.
  static constexpr double kPeakDecayRate = 1.0;

  // numPoints below 0 counts as 0 (no curve).
  explicit FreqViewData(int numPoints);
  FreqViewData(const FreqViewData&) = delete;
  FreqViewData& operator=(const FreqViewData&) = delete;

  // [engine side] Hands the magnitudes now in mSpectrum to the next draw. Never waits;
  // a draw that is running keeps the magnitudes it started with.
  void PublishSpectrum();
  // [drawing thread] The latest published magnitudes, mNumPoints of them.
  const float* AcquireSpectrum();

  // [engine side] Sets the rate-dependent values: the rate, the Nyquist frequency and
  // the peak hold's fall per redraw.
  void SetSampleRate(double rate);

  const int mNumPoints;
  // The engine's magnitudes, bins 0 .. mNumPoints - 1, written whole once per frame on
  // the engine's side only; a draw reads what PublishSpectrum handed over.
  WDL_TypedBuf<float> mSpectrum;
  SharedValue<double> mSampleRate = 44100.0;
  SharedValue<double> mNyquist = 22050.0;
  // Fall of the drawn curve per redraw. Until the engine's first Reset, the fall at 44.1 kHz.
  SharedValue<double> mPeakDecay;
  SharedValue<double> mSelectionStart = 0.0;
  SharedValue<double> mSelectionSize = 1.0;
  // Until the engine first sets it, the Threshold parameter's default.
  SharedValue<double> mThresholdDB = 0.0;
  // Set by the engine when new magnitudes wait; the view clears it when it draws them.
  SharedValue<bool> mRedraw = false;

 private:
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

#endif  // TONEGLASS_FREQVIEWDATA_H_
