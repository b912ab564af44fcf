// A minimal host-side object for running the engine before the plug-in framework is
// wired in: the instance lock, the sample rate, five parameters with their plain values,
// the virtual operations the engine overrides, and ownership of the spectrum view.
#ifndef TONEGLASS_ENGINE_HOST_STAND_IN_H_
#define TONEGLASS_ENGINE_HOST_STAND_IN_H_

#include <cmath>
#include <memory>

#include "FreqView.h"
#include "mutex.h"

// One parameter as the engine sees it: a plain value in its own unit.
class EngineParamStandIn {
 public:
  explicit EngineParamStandIn(double value = 0.0) : mValue(value) {}
  double Value() const { return mValue; }
  // Stored as given: no clamping, like the framework's own setter.
  void Set(double plainValue) { mValue = plainValue; }
  // The value read as decibels, as a linear gain.
  double DBToAmp() const { return std::exp(mValue * 0.1151292546497); }

 private:
  double mValue;
};

class EngineHostStandIn {
 public:
  static constexpr int kNumParams = 5;

  EngineHostStandIn()
      // The defaults the plug-in's parameter table declares: threshold 0 dB, selection
      // start 20 Hz, selection size 50 Hz, dry -6 dB, wet -6 dB.
      : mParams{EngineParamStandIn(0.0), EngineParamStandIn(20.0), EngineParamStandIn(50.0),
                EngineParamStandIn(-6.0), EngineParamStandIn(-6.0)} {}
  virtual ~EngineHostStandIn() = default;
  EngineHostStandIn(const EngineHostStandIn&) = delete;
  EngineHostStandIn& operator=(const EngineHostStandIn&) = delete;

  // Host sample rate in Hz; 44100 until the host sets another.
  double GetSampleRate() const { return mSampleRate; }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }

  // Parameter i (0 to 4), or null for any other index.
  EngineParamStandIn* GetParam(int i) { return i >= 0 && i < kNumParams ? &mParams[i] : nullptr; }

  virtual void Reset() {}
  virtual void OnParamChange(int /*paramIdx*/) {}
  virtual void ProcessDoubleReplacing(double** /*inputs*/, double** /*outputs*/, int /*nFrames*/) {}

  // What the host triggers when it opens the plug-in: every parameter delivered once.
  void OnParamReset() {
    WDL_MutexLock lock(&mMutex);
    for (int i = 0; i < kNumParams; ++i) OnParamChange(i);
  }

 protected:
  // Takes ownership of the spectrum view (the editor will own it later).
  void AttachFreqView(FreqView* view) { mOwnedView.reset(view); }

  // One recursive lock per instance, held around every engine entry point.
  WDL_Mutex mMutex;

 private:
  double mSampleRate = 44100.0;
  EngineParamStandIn mParams[kNumParams];
  std::unique_ptr<FreqView> mOwnedView;
};

#endif  // TONEGLASS_ENGINE_HOST_STAND_IN_H_
