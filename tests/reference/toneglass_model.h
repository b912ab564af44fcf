// A slow, plain reference of the analyser's audio: what a host hears from the plug-in,
// written from its described behaviour alone, for sample-by-sample comparison with the
// built plug-in.
//
// ToneglassModel is the engine (per-sample path, frame analysis, Reset, parameter
// changes, band rule). The frame's spectrum comes from a direct DFT in long double rather
// than a fast transform, so the two are independent. ReferencePlugin wraps it the way the
// VST 2 binding does: parameters set from normalised values, the reset after sample rate,
// block size and activation messages, the block-size check before each block, and the
// single-precision path through double scratch buffers.
//
// The tone uses STK, whose sample rate is one value for the whole process: keep one model
// alive at a time, and run it at the same rate as any plug-in instance beside it.
#ifndef TESTS_REFERENCE_TONEGLASS_MODEL_H_
#define TESTS_REFERENCE_TONEGLASS_MODEL_H_

#include <stk/ADSR.h>
#include <stk/SineWave.h>

#include <vector>

namespace toneglass_ref {

constexpr int kFrameSize = 2048;
constexpr int kNumBins = 1024;
constexpr int kNumParams = 5;

enum ParamIndex { kThreshold = 0, kSelectionStart, kSelectionSize, kDry, kWet };

// Range of one parameter, as the plug-in declares it (continuous, shape 1).
struct ParamRange {
  double min;
  double max;
  double defaultValue;
};
const ParamRange& RangeOf(int paramIdx);

// The plain value the plug-in derives from a normalised value a host sends.
double PlainFromNormalized(int paramIdx, double normalized);
// The normalised value a host would send for a plain value (rounded to float, as the VST 2
// interface carries it).
float NormalizedFromPlain(int paramIdx, double plain);

// What one frame analysis found, kept so that tests can check what a signal exercised.
struct FrameReport {
  long long sampleIndex = 0;  // processed-sample count at which the frame completed
  bool found = false;
  int bestBin = 0;
  double best = 0.0;         // clamped decibel distance of the winning bin
  double bestLevelDb = 0.0;  // level of the winning bin
  int semitones = 0;
  int candidates = 0;
  // Smallest distance, in decibels, of any decision in this frame from the value where it
  // would flip: a bin level against the threshold, a distance against the 0.05 dB snap,
  // the winner against the nearest smaller candidate value. Large when nothing was close.
  double margin = 1e300;
};

class ToneglassModel {
 public:
  ToneglassModel();

  // The host sample rate as the plug-in base holds it (44100 until set).
  void SetHostSampleRate(double rate) { mHostRate = rate; }
  double HostSampleRate() const { return mHostRate; }
  // The plain value of a parameter (no reaction until OnParamChange).
  void SetParamValue(int paramIdx, double plain);
  double ParamValue(int paramIdx) const;

  void Reset();
  void OnParamChange(int paramIdx);
  // Buffers may alias input and output of the same channel.
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);

  const std::vector<FrameReport>& Frames() const { return mFrames; }
  double DryGain() const { return mDryGain; }
  double ToneGain() const { return mToneGain; }
  double SelectionEnd() const { return mSelectionEnd; }

 private:
  void AnalyseFrame();
  void BandRule();

  // Plug-in base state.
  double mHostRate = 44100.0;
  double mParams[kNumParams];

  // Spectrum view state the engine reads and writes.
  double mViewSelectionStart = 0.0;
  double mViewSelectionSize = 1.0;

  // Engine.
  double mFrame[kFrameSize];  // windowed mono samples (imaginary parts are all zero)
  int mFramePos = 0;
  float mWindow[kFrameSize];
  double mWindowSum = 0.0;
  double mBinWidth = 0.0;
  double mDryGain = 0.0;
  double mToneGain = 0.0;
  double mSelectionEnd = 0.0;
  double mThresholdAmp = 0.0;

  // Tone.
  stk::SineWave mSine;
  stk::ADSR mEnvelope;
  double mPanLeft = 0.0;
  double mPanRight = 0.0;
  const double mPanScale = 0.7071067811865476;

  long long mSamplesDone = 0;
  std::vector<FrameReport> mFrames;
};

// The model as a host drives it through the VST 2 binding.
class ReferencePlugin {
 public:
  ReferencePlugin();

  void Open();                                     // effOpen: every parameter's OnParamChange
  void SetSampleRate(float rate);                  // effSetSampleRate
  void SetBlockSize(int blockSize);                // effSetBlockSize
  void MainsChanged(bool on);                      // effMainsChanged
  void SetParameter(int index, float normalized);  // setParameter
  void SetBypass(bool on) { mBypassed = on; }      // effSetBypass
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
  void ProcessReplacing(float** inputs, float** outputs, int nFrames);
  // The deprecated accumulating callback: adds to the outputs, ignores bypass, and leaves
  // the block size alone (callers keep blocks within it).
  void ProcessAccumulating(float** inputs, float** outputs, int nFrames);

  ToneglassModel& Engine() { return mEngine; }

 private:
  void GrowBlockSize(int nFrames);
  // Runs the engine, or copies input to output while bypassed, on the scratch buffers.
  void ProcessScratch(float** inputs, int nFrames, bool honourBypass);

  ToneglassModel mEngine;
  int mBlockSize = 1024;
  bool mBypassed = false;
  std::vector<double> mScratch[4];
};

}  // namespace toneglass_ref

#endif  // TESTS_REFERENCE_TONEGLASS_MODEL_H_
