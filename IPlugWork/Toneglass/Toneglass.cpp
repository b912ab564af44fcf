// The engine: per-sample pass-through and tone mixing, frame analysis, and the
// derivation of engine state from the sample rate and the parameters.
#include "Toneglass.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "IGraphics.h"
#include "ToneglassGraphics.h"
#include "ToneglassResources.h"
#include "Toneglass_controls.h"

namespace {
constexpr double kMonoMix = 0.5;
constexpr double kDbPerNeper = 8.685889638065037;  // 20 / ln 10
constexpr double kDbToGain = 0.1151292546497;      // ln 10 / 20
constexpr double kSilenceFloorDb = -60.5;
constexpr double kMaxToneStep = 12.0;
constexpr int kReferenceNote = 69;
constexpr double kReferencePitch = 440.0;
constexpr double kInverseFrameSize = 0.00048828125;  // 1 / 2048: bin width per hertz of sample rate

double LevelGain(double db) { return db < kSilenceFloorDb ? 0.0 : std::exp(db * kDbToGain); }
}  // namespace

// ---- Identity -------------------------------------------------------------------------

namespace {
constexpr int kNumPresets = 1;
constexpr int kVendorVersion = 0x00010003;  // 1.0.3
constexpr int kUniqueID = 0x564E3032;       // 'VN02'
constexpr int kMfrID = 0x564E5452;          // 'VNTR'
constexpr int kLatency = 0;
constexpr double kSilentLevelDb = -61.0;  // the bottom of the level ranges: silence
}  // namespace

Toneglass::Toneglass(IPlugInstanceInfo instanceInfo)
    : ToneglassBase(instanceInfo, kNumParams, kNumParams, "2-2", kNumPresets, "Toneglass", "", "Vantor",
                    kVendorVersion, kUniqueID, kMfrID, kLatency, false, false, false, 0) {
  // Symmetric Hann window over the whole frame, zero at both ends.
  for (int i = 0; i < kFrameSize; ++i) mWindow[i] = static_cast<float>((1.0 - std::cos(i * k2pi / 2047)) * 0.5);
  // Summed from the double values, not the stored floats.
  mWindowSum = 0.0;
  for (int i = 0; i < kFrameSize; ++i) mWindowSum += (1.0 - std::cos(i * k2pi / 2047)) * 0.5;
  WDL_fft_init();

  GetParam(kThreshold)->InitDouble("Threshold", 0.0, -60.0, 6.0, 10.0, "dB", "", 1.0);
  GetParam(kSelectionStart)->InitDouble("Selection Start", 20.0, 20.0, 22050.0, 10.0, "Hz", "", 1.0);
  GetParam(kSelectionSize)->InitDouble("Selection Size", 50.0, 50.0, 10000.0, 10.0, "Hz", "", 1.0);
  GetParam(kDry)->InitDouble("Dry", -6.0, kSilentLevelDb, 0.0, 0.1, "dB", "", 1.0);
  GetParam(kDry)->SetDisplayText(static_cast<int>(kSilentLevelDb), " -inf");
  GetParam(kWet)->InitDouble("Wet", -6.0, kSilentLevelDb, 0.0, 0.1, "dB", "", 1.0);
  GetParam(kWet)->SetDisplayText(static_cast<int>(kSilentLevelDb), " -inf");

  AttachEditor();

  MakeDefaultPreset("-", 1);
}

// The base deletes the editor, and the view with it, after this destructor has run.
// The editor's idle thread calls into the plug-in, so it stops before anything of the
// plug-in is taken apart.
Toneglass::~Toneglass() {
  if (IGraphics* pGraphics = GetGUI()) pGraphics->StopIdleThread();
}

// ---- Editor -------------------------------------------------------------------------

const IColor Toneglass::kBgColor(255, 6, 120, 21);

namespace {
constexpr int kKnobTextSize = 14;
struct KnobPlace {
  IRECT rect;
  int paramIdx;
};
const KnobPlace kKnobs[] = {
    {IRECT(40, 315, 92, 401), Toneglass::kThreshold},
    {IRECT(250, 315, 302, 401), Toneglass::kSelectionStart},
    {IRECT(345, 315, 397, 401), Toneglass::kSelectionSize},
    {IRECT(540, 315, 592, 401), Toneglass::kDry},
    {IRECT(610, 315, 662, 401), Toneglass::kWet},
};
const IRECT kFreqViewRect(4, 40, 696, 300);
}  // namespace

void Toneglass::AttachEditor() {
  IGraphics* pGraphics = MakeToneglassGraphics(this, kEditorWidth, kEditorHeight, 0);
  if (!pGraphics) {
    mOwnedFreqView.reset(new FreqView(this, kFreqViewRect, kNumBins));
    mFreqView = mOwnedFreqView.get();
    return;
  }
  pGraphics->AttachPanelBackground(&kBgColor);
  mFreqView = new FreqView(this, kFreqViewRect, kNumBins);
  pGraphics->AttachControl(mFreqView);

  RegisterToneglassResources();
  // A missing or undecodable image gives a handle without a picture: the knobs then
  // draw their texts only.
  IBitmap knob = pGraphics->LoadIBitmap(kKnobBitmapId, kKnobBitmapName, kKnobBitmapFrames, false);
  IText text(kKnobTextSize);
  for (const KnobPlace& k : kKnobs)
    pGraphics->AttachControl(new IKnobMultiControlText1(this, k.rect, k.paramIdx, &knob, &text));

  AttachGraphics(pGraphics);
}

// ---- Rate and parameters ------------------------------------------------------------

void Toneglass::Reset() {
  WDL_MutexLock lock(&mMutex);
  const double rate = GetSampleRate();
  mSonification.reset(rate);
  mBinWidth = rate * kInverseFrameSize;
  mFreqView->mSampleRate = rate;
  mFreqView->mNyquist = rate * 0.5;
  mFreqView->mPeakDecay = mFreqView->mNumPoints / rate * FreqView::kPeakDecayRate;
  UpdateSelectionEnd();
}

void Toneglass::OnParamChange(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  const auto* param = GetParam(paramIdx);
  if (!param) return;
  switch (paramIdx) {
    case kThreshold:
      mThresholdAmp = param->DBToAmp();
      mFreqView->mThresholdDB = param->Value();
      break;
    case kSelectionStart:
      mFreqView->mSelectionStart = param->Value();
      UpdateSelectionEnd();
      break;
    case kSelectionSize:
      mFreqView->mSelectionSize = param->Value();
      UpdateSelectionEnd();
      break;
    case kDry:
      mDryGain = LevelGain(param->Value());
      break;
    case kWet:
      mToneGain = LevelGain(param->Value());
      break;
    default:
      break;
  }
}

// The band is at least kMinSelectionSize wide and, when it has its full size, ends no
// higher than the Nyquist frequency.
void Toneglass::UpdateSelectionEnd() {
  const double start = mFreqView->mSelectionStart;
  const double minEnd = start + kMinSelectionSize;
  const double end = start + mFreqView->mSelectionSize;
  const double nyquist = GetSampleRate() * 0.5;
  if (minEnd > end)
    mSelectionEnd = minEnd;
  else if (end > nyquist)
    mSelectionEnd = nyquist;
  else
    mSelectionEnd = end;
}

// ---- Audio --------------------------------------------------------------------------

void Toneglass::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  if (nFrames <= 0 || !outputs) return;
  if (!inputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) {
    // A channel is missing: the block is not analysed, and the outputs that exist get
    // silence rather than whatever their buffers held.
    for (int c = 0; c < 2; ++c)
      if (outputs[c]) memset(outputs[c], 0, static_cast<size_t>(nFrames) * sizeof(double));
    return;
  }
  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  for (int s = 0; s < nFrames; ++s) {
    // Both inputs are read before either output is written: outputs may alias inputs.
    const double left = inL[s];
    const double right = inR[s];
    mFFTBuffer[mFramePos].re = static_cast<double>(mWindow[mFramePos]) * ((left + right) * kMonoMix);
    mFFTBuffer[mFramePos].im = 0.0;
    if (mFramePos == kFrameSize - 1)
      AnalyseFrame();  // may start a tone that sounds from this very sample
    else
      ++mFramePos;

    double tone;
    if (mSonification.tick(tone)) {
      // While the blip sounds the pan gains scale the dry signal as well.
      outL[s] = (left * mDryGain + mToneGain * tone) * mSonification.mPanLeft;
      outR[s] = (right * mDryGain + mToneGain * tone) * mSonification.mPanRight;
    } else {
      outL[s] = left * mDryGain;
      outR[s] = right * mDryGain;
    }
  }
}

void Toneglass::AnalyseFrame() {
  WDL_fft(mFFTBuffer, kFrameSize, 0);

  float magnitudes[kNumBins];
  double best = 0.0;
  int bestBin = 0;
  bool found = false;
  const double selectionStart = mFreqView->mSelectionStart;

  for (int k = 0; k < kNumBins; ++k) {
    const WDL_fft_complex& bin = mFFTBuffer[WDL_fft_permute(kFrameSize, k)];
    const float mag = static_cast<float>(2.0 * std::sqrt(bin.re * bin.re + bin.im * bin.im) / mWindowSum);
    magnitudes[k] = mag;

    const double freq = k * mBinWidth;
    // A NaN magnitude fails the comparison and is never a candidate.
    if (!(freq > selectionStart && mSelectionEnd > freq && static_cast<double>(mag) > mThresholdAmp)) continue;

    // Logarithms only for candidates.
    const double levelDb = kDbPerNeper * std::log(std::fabs(static_cast<double>(mag)));
    const double thresholdDb = kDbPerNeper * std::log(std::fabs(mThresholdAmp));
    const double d = std::fabs(levelDb - thresholdDb);
    // A level just below a whole decibel counts as that decibel.
    const double c = std::ceil(d);
    const double r = (c - d) < kClippingCeilingSnap ? c : d;
    const double v = r < 0.0 ? 0.0 : std::min(kMaxToneStep, r);
    found = true;
    if (v > best) {  // strictly: ties keep the lower bin
      best = v;
      bestBin = k;
    }
  }

  if (found) {
    const int semitones = static_cast<int>(best);
    const int note = kReferenceNote + semitones;
    const double frequency = kReferencePitch * std::pow(2.0, (note - kReferenceNote) / 12.0);
    const double pan = static_cast<double>(bestBin) / (kNumBins - 1) * 2.0 - 1.0;
    mSonification.start(frequency, pan);
    mLastToneStart.frameIndex = mFramesAnalysed;
    mLastToneStart.bin = bestBin;
    mLastToneStart.semitones = semitones;
    mLastToneStart.frequency = frequency;
    mLastToneStart.pan = pan;
  }

  // The view never receives more than it holds nor more than the engine computed.
  const int count = std::min({mFreqView->mNumPoints, kNumBins, mFreqView->mSpectrum.GetSize()});
  if (count > 0) memcpy(mFreqView->mSpectrum.Get(), magnitudes, sizeof(float) * static_cast<size_t>(count));
  mFreqView->PublishSpectrum();
  mFreqView->SetDirty(false);
  mFreqView->mRedraw = true;

  ++mFramesAnalysed;
  mFramePos = 0;
}
