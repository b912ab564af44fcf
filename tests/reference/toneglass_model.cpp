#include "reference/toneglass_model.h"

#include <stk/Stk.h>

#include <algorithm>
#include <cmath>

namespace toneglass_ref {
namespace {

constexpr double k2pi = 6.283185307179586;
constexpr double kMinSelectionSize = 50.0;
constexpr double kClippingCeilingSnap = 0.05;
constexpr double kDbPerNeper = 8.685889638065037;
constexpr double kDbToGain = 0.1151292546497;
constexpr double kSilenceFloorDb = -60.5;
constexpr double kMaxToneStep = 12.0;
constexpr double kPanQuarterAngle = 0.7853981633974483;

const ParamRange kRanges[kNumParams] = {
    {-60.0, 6.0, 0.0},      // Threshold, dB
    {20.0, 22050.0, 20.0},  // Selection Start, Hz
    {50.0, 10000.0, 50.0},  // Selection Size, Hz
    {-61.0, 0.0, -6.0},     // Dry, dB
    {-61.0, 0.0, -6.0},     // Wet, dB
};

// e^(-2 pi i j / 2048) for j = 0..2047, in long double so that the direct sums carry
// several more digits than the fast transform they are compared with.
struct DftTable {
  long double cosine[kFrameSize];
  long double sine[kFrameSize];
  DftTable() {
    const long double twoPi = 6.283185307179586476925286766559L;
    for (int j = 0; j < kFrameSize; ++j) {
      cosine[j] = cosl(twoPi * j / kFrameSize);
      sine[j] = sinl(twoPi * j / kFrameSize);
    }
  }
};

const DftTable& Table() {
  static const DftTable table;
  return table;
}

double LevelGain(double db) { return db < kSilenceFloorDb ? 0.0 : std::exp(db * kDbToGain); }

}  // namespace

const ParamRange& RangeOf(int paramIdx) { return kRanges[paramIdx]; }

double PlainFromNormalized(int paramIdx, double normalized) {
  const ParamRange& r = kRanges[paramIdx];
  const double n = std::min(1.0, std::max(0.0, normalized));
  const double plain = (r.max - r.min) * std::pow(n, 1.0) + r.min;
  return std::min(plain, r.max);
}

float NormalizedFromPlain(int paramIdx, double plain) {
  const ParamRange& r = kRanges[paramIdx];
  return static_cast<float>((plain - r.min) / (r.max - r.min));
}

// ---- Engine --------------------------------------------------------------------------

ToneglassModel::ToneglassModel() {
  for (int i = 0; i < kNumParams; ++i) mParams[i] = kRanges[i].defaultValue;
  for (int i = 0; i < kFrameSize; ++i) {
    const double w = (1.0 - std::cos(i * k2pi / 2047)) * 0.5;
    mWindow[i] = static_cast<float>(w);
    mWindowSum += w;
    mFrame[i] = 0.0;
  }
}

void ToneglassModel::SetParamValue(int paramIdx, double plain) {
  if (paramIdx >= 0 && paramIdx < kNumParams) mParams[paramIdx] = plain;
}

double ToneglassModel::ParamValue(int paramIdx) const {
  return paramIdx >= 0 && paramIdx < kNumParams ? mParams[paramIdx] : 0.0;
}

void ToneglassModel::BandRule() {
  const double a = mViewSelectionStart + kMinSelectionSize;
  const double b = mViewSelectionStart + mViewSelectionSize;
  const double nyquist = mHostRate * 0.5;
  if (a > b)
    mSelectionEnd = a;
  else if (b > nyquist)
    mSelectionEnd = nyquist;
  else
    mSelectionEnd = b;
}

void ToneglassModel::Reset() {
  const double r = mHostRate;
  mSine.reset();
  mEnvelope.setValue(0.0);
  mEnvelope.setReleaseTime(0.2);
  mEnvelope.setAttackTime(0.01);
  mEnvelope.setSustainLevel(1.0);
  if (r > 0.0) stk::Stk::setSampleRate(r);
  mBinWidth = r * 0.00048828125;
  BandRule();
}

void ToneglassModel::OnParamChange(int paramIdx) {
  switch (paramIdx) {
    case kThreshold:
      mThresholdAmp = std::exp(mParams[kThreshold] * kDbToGain);
      break;
    case kSelectionStart:
      mViewSelectionStart = mParams[kSelectionStart];
      BandRule();
      break;
    case kSelectionSize:
      mViewSelectionSize = mParams[kSelectionSize];
      BandRule();
      break;
    case kDry:
      mDryGain = LevelGain(mParams[kDry]);
      break;
    case kWet:
      mToneGain = LevelGain(mParams[kWet]);
      break;
    default:
      break;
  }
}

void ToneglassModel::AnalyseFrame() {
  FrameReport report;
  report.sampleIndex = mSamplesDone;

  float mags[kNumBins];
  bool silent = true;
  for (int m = 0; m < kFrameSize && silent; ++m) silent = mFrame[m] == 0.0;
  const DftTable& table = Table();
  for (int k = 0; k < kNumBins; ++k) {
    long double re = 0.0L, im = 0.0L;
    if (!silent) {
      for (int m = 0; m < kFrameSize; ++m) {
        const int j = (m * k) & (kFrameSize - 1);
        re += mFrame[m] * table.cosine[j];
        im -= mFrame[m] * table.sine[j];
      }
    }
    mags[k] = static_cast<float>(2.0L * sqrtl(re * re + im * im) / mWindowSum);
  }

  const double thresholdDb = kDbPerNeper * std::log(std::fabs(mThresholdAmp));
  double best = 0.0;
  int bestBin = 0;
  bool found = false;
  std::vector<double> values;
  for (int k = 0; k < kNumBins; ++k) {
    const double mag = mags[k];
    const double freq = k * mBinWidth;
    if (!(freq > mViewSelectionStart && mSelectionEnd > freq)) continue;
    const double levelDb = kDbPerNeper * std::log(std::fabs(mag));
    if (mag > 0.0) report.margin = std::min(report.margin, std::fabs(levelDb - thresholdDb));
    if (!(mag > mThresholdAmp)) continue;
    const double d = std::fabs(levelDb - thresholdDb);
    const double c = std::ceil(d);
    const double r = (c - d) < kClippingCeilingSnap ? c : d;
    if (d <= kMaxToneStep)
      report.margin = std::min(report.margin, std::fabs((c - d) - kClippingCeilingSnap));
    const double v = r < 0.0 ? 0.0 : std::min(kMaxToneStep, r);
    found = true;
    ++report.candidates;
    values.push_back(v);
    if (v > best) {
      best = v;
      bestBin = k;
      report.bestLevelDb = levelDb;
    }
  }
  for (double v : values)
    if (v < best) report.margin = std::min(report.margin, best - v);

  if (found) {
    const int n = static_cast<int>(best);
    const int note = 69 + n;
    mSine.setFrequency(440.0 * std::pow(2.0, (note - 69) / 12.0));
    const double p = bestBin / 1023.0 * 2.0 - 1.0;
    const double theta = p * kPanQuarterAngle;
    mPanLeft = mPanScale * (std::cos(theta) - std::sin(theta));
    mPanRight = mPanScale * (std::cos(theta) + std::sin(theta));
    mEnvelope.keyOn();
    report.semitones = n;
  }
  report.found = found;
  report.best = best;
  report.bestBin = bestBin;
  mFrames.push_back(report);
  mFramePos = 0;
}

void ToneglassModel::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  for (int s = 0; s < nFrames; ++s) {
    const double left = inputs[0][s];
    const double right = inputs[1][s];
    ++mSamplesDone;

    const double mono = (left + right) * 0.5;
    mFrame[mFramePos] = static_cast<double>(mWindow[mFramePos]) * mono;
    if (mFramePos == kFrameSize - 1)
      AnalyseFrame();
    else
      ++mFramePos;

    if (mEnvelope.getState() == stk::ADSR::DECAY) mEnvelope.keyOff();
    const int stage = mEnvelope.getState();
    if (stage == stk::ADSR::ATTACK || stage == stk::ADSR::RELEASE) {
      const double e = mEnvelope.tick();
      const double y = mSine.tick();
      const double t = e * y;
      outputs[0][s] = (left * mDryGain + mToneGain * t) * mPanLeft;
      outputs[1][s] = (right * mDryGain + mToneGain * t) * mPanRight;
    } else {
      outputs[0][s] = left * mDryGain;
      outputs[1][s] = right * mDryGain;
    }
  }
}

// ---- The binding a host talks to -------------------------------------------------------

ReferencePlugin::ReferencePlugin() {
  for (auto& buf : mScratch) buf.assign(mBlockSize, 0.0);
}

void ReferencePlugin::Open() {
  for (int i = 0; i < kNumParams; ++i) mEngine.OnParamChange(i);
}

void ReferencePlugin::SetSampleRate(float rate) {
  mEngine.SetHostSampleRate(static_cast<double>(rate));
  mEngine.Reset();
}

void ReferencePlugin::SetBlockSize(int blockSize) {
  if (blockSize != mBlockSize) {
    mBlockSize = blockSize;
    for (auto& buf : mScratch) buf.assign(std::max(0, blockSize), 0.0);
  }
  mEngine.Reset();
}

void ReferencePlugin::MainsChanged(bool) { mEngine.Reset(); }

void ReferencePlugin::SetParameter(int index, float normalized) {
  if (index < 0 || index >= kNumParams) return;
  mEngine.SetParamValue(index, PlainFromNormalized(index, normalized));
  mEngine.OnParamChange(index);
}

void ReferencePlugin::GrowBlockSize(int nFrames) {
  if (nFrames > mBlockSize) SetBlockSize(nFrames);
}

void ReferencePlugin::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  GrowBlockSize(nFrames);
  if (nFrames <= 0) return;
  if (mBypassed) {
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < nFrames; ++s) outputs[c][s] = inputs[c][s];
    return;
  }
  mEngine.ProcessDoubleReplacing(inputs, outputs, nFrames);
}

void ReferencePlugin::ProcessScratch(float** inputs, int nFrames, bool honourBypass) {
  if (static_cast<int>(mScratch[0].size()) < nFrames)
    for (auto& buf : mScratch) buf.resize(nFrames, 0.0);
  double* in[2] = {mScratch[0].data(), mScratch[1].data()};
  double* out[2] = {mScratch[2].data(), mScratch[3].data()};
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < nFrames; ++s) in[c][s] = inputs[c][s];
  if (honourBypass && mBypassed) {
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < nFrames; ++s) out[c][s] = in[c][s];
  } else {
    mEngine.ProcessDoubleReplacing(in, out, nFrames);
  }
}

void ReferencePlugin::ProcessReplacing(float** inputs, float** outputs, int nFrames) {
  GrowBlockSize(nFrames);
  if (nFrames <= 0) return;
  ProcessScratch(inputs, nFrames, true);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < nFrames; ++s) outputs[c][s] = static_cast<float>(mScratch[2 + c][s]);
}

void ReferencePlugin::ProcessAccumulating(float** inputs, float** outputs, int nFrames) {
  if (nFrames <= 0) return;
  ProcessScratch(inputs, nFrames, false);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < nFrames; ++s) outputs[c][s] += static_cast<float>(mScratch[2 + c][s]);
}

}  // namespace toneglass_ref
