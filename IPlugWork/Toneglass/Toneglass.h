// Toneglass: a stereo effect that passes its input through at an adjustable level,
// analyses the left-plus-right mix in consecutive 2048-sample frames, shows the
// spectrum, and plays a short sine blip whose pitch and stereo position tell how loud
// and where the strongest bin inside a chosen band rises above a threshold.
#ifndef TONEGLASS_H_
#define TONEGLASS_H_

#include <stk/ADSR.h>
#include <stk/SineWave.h>

#include "FreqViewData.h"
#include "StkSharedLock.h"
#include "ToneglassBase.h"
#include "fft.h"

class FreqView;
struct IColor;

class Toneglass : public ToneglassBase {
 public:
  static constexpr double k2pi = 6.283185307179586;
  static constexpr double kMinSelectionSize = 50.0;
  static constexpr double kClippingCeilingSnap = 0.05;
  // The editor panel's background: opaque dark green (defined with the editor).
  static const IColor kBgColor;
  static constexpr int kEditorWidth = 700;
  static constexpr int kEditorHeight = 400;

  // Samples per analysis frame, and the bins examined (the lower half).
  static constexpr int kFrameSize = 2048;
  static constexpr int kNumBins = kFrameSize / 2;

  enum EParams { kThreshold = 0, kSelectionStart, kSelectionSize, kDry, kWet, kNumParams };

  // What the last tone start was, kept for programs that report blips between blocks.
  // Plain data: the audio path only overwrites it.
  struct ToneStart {
    long long frameIndex = -1;  // index of the analysis frame that started it (0 = first frame); -1 = none yet
    int bin = 0;
    int semitones = 0;
    double frequency = 0.0;  // Hz
    double pan = 0.0;        // -1 (left) to +1 (right)
  };

  // ---- The sonification tone --------------------------------------------------------
  // A sine oscillator gated by an attack/release envelope. Each instance keeps its own
  // sample rate: its STK objects ignore STK's process-wide rate, so engines running at
  // different rates in one process do not disturb each other.
  class Sonification : private StkMemberGuard {
   public:
    Sonification();
    ~Sonification();
    Sonification(const Sonification&) = delete;
    Sonification& operator=(const Sonification&) = delete;

    // Silences the tone and sets the envelope's 10 ms attack and 200 ms release at
    // sampleRate; a rate of 0 or less keeps the previous rate (44100 Hz at first).
    void reset(double sampleRate);
    // Retunes (keeping the phase), sets the pan gains for pan in -1..1, and starts the rise.
    void start(double frequency, double pan);
    // One sample of tone. False while the envelope rests (the output is then unpanned
    // dry signal); otherwise writes the tone sample and the pan gains apply.
    inline bool tick(double& tone);
    // True while tick would return false: the envelope neither rises nor falls, and
    // only a start changes that.
    bool resting() const {
      const int stage = mEnvelope.getState();
      return stage != stk::ADSR::ATTACK && stage != stk::ADSR::DECAY && stage != stk::ADSR::RELEASE;
    }

    stk::SineWave mSine;
    stk::ADSR mEnvelope;
    double mPanLeft = 0.0;
    double mPanRight = 0.0;
    const double mPanScale = 0.7071067811865476;

   private:
    void releaseFromCurrentValue();

    // The rate STK's shared one would have for this instance alone: 44100 Hz until the
    // first positive rate arrives.
    double mRate = 44100.0;
    // The oscillator's table step per sample (STK's own starting value is 1).
    double mSineIncrement = 1.0;
  };

  // Declares the plug-in's identity, channels, parameters, editor and default preset.
  // The instance information carries the host callback (none for programs that run the
  // engine directly).
  explicit Toneglass(IPlugInstanceInfo instanceInfo = IPlugInstanceInfo());
  ~Toneglass() override;

  void Reset() override;
  void OnParamChange(int paramIdx) override;
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
  // The spectrum view's magnitudes, for an editor that runs apart from this engine.
  int DisplayDataSize() override { return kNumBins; }
  int TakeDisplayData(const float** ppData) override;
  void ReceiveDisplayData(const float* pData, int n, double sampleRate) override;

  // What the spectrum view shows, as the engine last wrote it; valid for the plug-in's
  // lifetime, with an editor or without.
  FreqViewData* GetFreqViewData() { return &mViewData; }
  // The editor's spectrum view, owned by the editor; null without an editor.
  FreqView* GetFreqView() const { return mFreqView; }
  // The most recent tone start; frameIndex is -1 until the first.
  const ToneStart& GetLastToneStart() const { return mLastToneStart; }

 private:
  void AnalyseFrame();
  // One sample: window and mix into the frame, analysis at the frame's end, tone.
  inline void ProcessSample(double left, double right, double* outL, double* outR);
  // n samples while the tone rests and before the frame's last sample: windowed mix
  // and dry outputs only.
  void ProcessRestingRun(const double* inL, const double* inR, double* outL, double* outR, int n);
  // Up to n samples while the tone sounds, before the frame's last sample; stops early
  // when the tone comes to rest. Returns the samples done.
  int ProcessSoundingRun(const double* inL, const double* inR, double* outL, double* outR, int n);
  void UpdateSelectionEnd();
  // Builds the graphics context with the panel, the spectrum view and the five knobs
  // and hands it to the base. Defined with the editor (ToneglassEditor.cpp); a DSP-only
  // build links ToneglassNoEditor.cpp instead, whose version does nothing.
  void AttachEditor();

  // On a cache line: the transform's widest loads then never straddle two.
  alignas(64) WDL_fft_complex mFFTBuffer[kFrameSize] = {};
  int mFramePos = 0;
  FreqViewData mViewData{kNumBins};
  FreqView* mFreqView = nullptr;  // owned by the editor; null without one
  float mWindow[kFrameSize];
  const int* mPermute = nullptr;  // where the transform leaves each bin
  double mWindowSum = 0.0;
  // Derived by the first Reset and OnParamChange calls; until then the engine is silent
  // and no bin qualifies.
  double mBinWidth = 0.0;
  double mDryGain = 0.0;
  double mToneGain = 0.0;
  double mSelectionEnd = 0.0;
  double mThresholdAmp = 0.0;
  Sonification mSonification;

  long long mFramesAnalysed = 0;
  long long mFramesTaken = 0;  // frames analysed when TakeDisplayData last answered
  ToneStart mLastToneStart;
};

// The envelope never rests at full level: one sample after the attack completes it is
// released. Only the attack and release stages advance the envelope and oscillator.
inline bool Toneglass::Sonification::tick(double& tone) {
  int stage = mEnvelope.getState();
  if (stage == stk::ADSR::DECAY) {
    releaseFromCurrentValue();
    stage = stk::ADSR::RELEASE;
  }
  if (stage != stk::ADSR::ATTACK && stage != stk::ADSR::RELEASE) return false;
  const double e = mEnvelope.tick();
  tone = e * mSine.tick();
  return true;
}

#endif  // TONEGLASS_H_
