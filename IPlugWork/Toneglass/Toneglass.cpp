// The engine: per-sample pass-through and tone mixing, frame analysis, and the
// derivation of engine state from the sample rate and the parameters.
#include "Toneglass.h"
#include "ToneglassVersion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TONEGLASS_HAVE_AVX 1
#include <immintrin.h>
#endif

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
// Major in bits 16 and up, minor in bits 8 to 15, patch in bits 0 to 7.
constexpr int kVendorVersion =
    (TONEGLASS_VERSION_MAJOR << 16) | (TONEGLASS_VERSION_MINOR << 8) | TONEGLASS_VERSION_PATCH;
static_assert(TONEGLASS_VERSION_MINOR < 256 && TONEGLASS_VERSION_PATCH < 256, "minor and patch take 8 bits each");
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
  mPermute = WDL_fft_permute_tab(kFrameSize);

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
// The editor's threads (the window's and the idle thread) call into the plug-in, so
// they stop before anything of the plug-in is taken apart, also when the instance
// is deleted without effClose.
Toneglass::~Toneglass() {
  if (IPlugEditor* pEditor = GetEditor()) {
    pEditor->CloseWindow();
    pEditor->StopIdleThread();
  }
}

// ---- Rate and parameters ------------------------------------------------------------

void Toneglass::Reset() {
  WDL_MutexLock lock(&mMutex);
  const double rate = GetSampleRate();
  mSonification.reset(rate);
  mBinWidth = rate * kInverseFrameSize;
  mViewData.SetSampleRate(rate);
  UpdateSelectionEnd();
}

void Toneglass::OnParamChange(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  const auto* param = GetParam(paramIdx);
  if (!param) return;
  switch (paramIdx) {
    case kThreshold:
      mThresholdAmp = param->DBToAmp();
      mViewData.mThresholdDB = param->Value();
      break;
    case kSelectionStart:
      mViewData.mSelectionStart = param->Value();
      UpdateSelectionEnd();
      break;
    case kSelectionSize:
      mViewData.mSelectionSize = param->Value();
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

// ---- Display data -----------------------------------------------------------------------

int Toneglass::TakeDisplayData(const float** ppData) {
  if (!ppData || mFramesTaken == mFramesAnalysed) return 0;
  mFramesTaken = mFramesAnalysed;
  *ppData = mViewData.mSpectrum.Get();
  return std::min(kNumBins, mViewData.mSpectrum.GetSize());
}

// The editor's own engine never runs, so its view takes the frame as if it had analysed it.
void Toneglass::ReceiveDisplayData(const float* pData, int n, double sampleRate) {
  if (!pData || n <= 0) return;
  WDL_MutexLock lock(&mMutex);
  if (std::isfinite(sampleRate) && sampleRate > 0.0 && sampleRate != GetSampleRate()) {
    SetSampleRate(sampleRate);
    Reset();
  }
  const int count = std::min({n, kNumBins, mViewData.mSpectrum.GetSize()});
  memcpy(mViewData.mSpectrum.Get(), pData, sizeof(float) * static_cast<size_t>(count));
  mViewData.PublishSpectrum();
  mViewData.mRedraw = true;
}

// The band is at least kMinSelectionSize wide and, when it has its full size, ends no
// higher than the Nyquist frequency.
void Toneglass::UpdateSelectionEnd() {
  const double start = mViewData.mSelectionStart;
  const double minEnd = start + kMinSelectionSize;
  const double end = start + mViewData.mSelectionSize;
  const double nyquist = GetSampleRate() * 0.5;
  if (minEnd > end)
    mSelectionEnd = minEnd;
  else if (end > nyquist)
    mSelectionEnd = nyquist;
  else
    mSelectionEnd = end;
}

namespace {
#if TONEGLASS_HAVE_AVX
bool HaveAvx() {
  static const bool have = (__builtin_cpu_init(), __builtin_cpu_supports("avx"));
  return have;
}

// The resting run four samples at a time; returns how many samples it did.
__attribute__((target("avx"))) int RestingRunAvx(const double* inL, const double* inR, double* outL,
                                                 double* outR, WDL_fft_complex* frame, const float* window,
                                                 double dryGain, double monoMix, int n) {
  const __m256d mix = _mm256_set1_pd(monoMix), dry = _mm256_set1_pd(dryGain), zero = _mm256_setzero_pd();
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m256d l = _mm256_loadu_pd(inL + i), r = _mm256_loadu_pd(inR + i);
    const __m256d w = _mm256_cvtps_pd(_mm_loadu_ps(window + i));
    const __m256d x = _mm256_mul_pd(w, _mm256_mul_pd(_mm256_add_pd(l, r), mix));
    const __m256d even = _mm256_unpacklo_pd(x, zero), odd = _mm256_unpackhi_pd(x, zero);  // (x0, 0, x2, 0), (x1, 0, x3, 0)
    _mm256_storeu_pd(&frame[i].re, _mm256_permute2f128_pd(even, odd, 0x20));
    _mm256_storeu_pd(&frame[i + 2].re, _mm256_permute2f128_pd(even, odd, 0x31));
    _mm256_storeu_pd(outL + i, _mm256_mul_pd(l, dry));
    _mm256_storeu_pd(outR + i, _mm256_mul_pd(r, dry));
  }
  return i;
}
#endif
}  // namespace

// ---- Audio --------------------------------------------------------------------------
//
// Every sample gets the same arithmetic in the same order whichever loop runs it, so
// the vector loops give the per-sample loop's results to the last bit.

namespace {
// Subnormal numbers cost the processor a slow path on every operation that reads or
// makes one, so for the block the SSE control register treats subnormal operands as
// zero and flushes subnormal results to zero; the host's own setting (and its flags)
// comes back when the block ends. Only values below the smallest normal double (about
// 2.2e-308) are affected: audio in either precision never comes near them, and a
// single-precision host's samples convert to normal doubles outside this scope.
class FlushSubnormals {
 public:
#if defined(__SSE2__)
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  FlushSubnormals() : mSaved(_mm_getcsr()) { _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero); }
  ~FlushSubnormals() { _mm_setcsr(mSaved); }

 private:
  const unsigned mSaved;
#endif
};
}  // namespace

void Toneglass::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  if (nFrames <= 0 || !outputs) return;
  if (!inputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) {
    // A channel is missing: the block is not analysed, and the outputs that exist get
    // silence rather than whatever their buffers held.
    for (int c = 0; c < 2; ++c)
      if (outputs[c]) memset(outputs[c], 0, static_cast<size_t>(nFrames) * sizeof(double));
    return;
  }
  const FlushSubnormals flush;
  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  for (int s = 0; s < nFrames;) {
    // Up to the frame's last sample the work is a run: mostly the tone rests, and then
    // it is a plain vector loop; while it sounds, the run lasts until it comes to rest.
    const int n = std::min(nFrames - s, kFrameSize - 1 - mFramePos);
    if (n > 0) {
      if (mSonification.resting()) {
        ProcessRestingRun(inL + s, inR + s, outL + s, outR + s, n);
        s += n;
      } else {
        s += ProcessSoundingRun(inL + s, inR + s, outL + s, outR + s, n);
      }
      continue;
    }
    // Both inputs are read before either output is written: outputs may alias inputs.
    ProcessSample(inL[s], inR[s], outL + s, outR + s);
    ++s;
  }
}

inline void Toneglass::ProcessSample(double left, double right, double* outL, double* outR) {
  mFFTBuffer[mFramePos].re = static_cast<double>(mWindow[mFramePos]) * ((left + right) * kMonoMix);
  mFFTBuffer[mFramePos].im = 0.0;
  if (mFramePos == kFrameSize - 1)
    AnalyseFrame();  // may start a tone that sounds from this very sample
  else
    ++mFramePos;

  double tone;
  if (mSonification.tick(tone)) {
    // While the blip sounds the pan gains scale the dry signal as well.
    *outL = (left * mDryGain + mToneGain * tone) * mSonification.mPanLeft;
    *outR = (right * mDryGain + mToneGain * tone) * mSonification.mPanRight;
  } else {
    *outL = left * mDryGain;
    *outR = right * mDryGain;
  }
}

int Toneglass::ProcessSoundingRun(const double* inL, const double* inR, double* outL, double* outR, int n) {
  WDL_fft_complex* frame = mFFTBuffer + mFramePos;
  const float* window = mWindow + mFramePos;
  const double dry = mDryGain, toneGain = mToneGain;
  const double panLeft = mSonification.mPanLeft, panRight = mSonification.mPanRight;  // only a start changes them
  int i = 0;
  for (; i < n; ++i) {
    double tone;
    // Once the envelope rests nothing changes until the next frame ends: the rest of
    // the run is a resting one.
    if (!mSonification.tick(tone)) break;
    const double left = inL[i], right = inR[i];
    frame[i].re = static_cast<double>(window[i]) * ((left + right) * kMonoMix);
    frame[i].im = 0.0;
    outL[i] = (left * dry + toneGain * tone) * panLeft;
    outR[i] = (right * dry + toneGain * tone) * panRight;
  }
  mFramePos += i;
  return i;
}

// Each step reads both channels of its samples before writing either output, as the
// per-sample loop does, so outputs on the inputs (either channel) give the same result.
void Toneglass::ProcessRestingRun(const double* inL, const double* inR, double* outL, double* outR, int n) {
  WDL_fft_complex* frame = mFFTBuffer + mFramePos;
  const float* window = mWindow + mFramePos;
  int i = 0;
#if TONEGLASS_HAVE_AVX
  if (HaveAvx()) i = RestingRunAvx(inL, inR, outL, outR, frame, window, mDryGain, kMonoMix, n);
#endif
#if defined(__SSE2__)
  const __m128d mix = _mm_set1_pd(kMonoMix), dry = _mm_set1_pd(mDryGain), zero = _mm_setzero_pd();
  for (; i + 2 <= n; i += 2) {
    const __m128d l = _mm_loadu_pd(inL + i), r = _mm_loadu_pd(inR + i);
    const __m128d w = _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(window + i))));
    const __m128d x = _mm_mul_pd(w, _mm_mul_pd(_mm_add_pd(l, r), mix));
    _mm_storeu_pd(&frame[i].re, _mm_unpacklo_pd(x, zero));
    _mm_storeu_pd(&frame[i + 1].re, _mm_unpackhi_pd(x, zero));
    _mm_storeu_pd(outL + i, _mm_mul_pd(l, dry));
    _mm_storeu_pd(outR + i, _mm_mul_pd(r, dry));
  }
#endif
  for (; i < n; ++i) {
    const double left = inL[i], right = inR[i];
    frame[i].re = static_cast<double>(window[i]) * ((left + right) * kMonoMix);
    frame[i].im = 0.0;
    outL[i] = left * mDryGain;
    outR[i] = right * mDryGain;
  }
  mFramePos += n;
}

namespace {
#if TONEGLASS_HAVE_AVX
// Four bins at a time where the processor has AVX: the square roots and divisions,
// which dominate, take half the steps. No fused multiply-add: the products and sums
// round as they do one at a time.
__attribute__((target("avx"))) int MagnitudesAvx(const WDL_fft_complex* spectrum, const int* permute,
                                                 double windowSum, float* out, int n) {
  const __m256d two = _mm256_set1_pd(2.0), sum = _mm256_set1_pd(windowSum);
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    const __m256d ac = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&spectrum[permute[k]].re)),
                                            _mm_loadu_pd(&spectrum[permute[k + 2]].re), 1);
    const __m256d bd = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&spectrum[permute[k + 1]].re)),
                                            _mm_loadu_pd(&spectrum[permute[k + 3]].re), 1);
    const __m256d ac2 = _mm256_mul_pd(ac, ac), bd2 = _mm256_mul_pd(bd, bd);
    const __m256d power = _mm256_add_pd(_mm256_unpacklo_pd(ac2, bd2), _mm256_unpackhi_pd(ac2, bd2));
    const __m256d mag = _mm256_div_pd(_mm256_mul_pd(two, _mm256_sqrt_pd(power)), sum);
    _mm_storeu_ps(out + k, _mm256_cvtpd_ps(mag));
  }
  return k;
}

#endif

// 2 |X| / (window sum) for the bins in natural order, read from their permuted places.
void Magnitudes(const WDL_fft_complex* spectrum, const int* permute, double windowSum, float* out, int n) {
  int k = 0;
#if TONEGLASS_HAVE_AVX
  if (HaveAvx()) k = MagnitudesAvx(spectrum, permute, windowSum, out, n);
#endif
#if defined(__SSE2__)
  const __m128d two = _mm_set1_pd(2.0), sum = _mm_set1_pd(windowSum);
  for (; k + 2 <= n; k += 2) {
    const __m128d a = _mm_loadu_pd(&spectrum[permute[k]].re), b = _mm_loadu_pd(&spectrum[permute[k + 1]].re);
    const __m128d a2 = _mm_mul_pd(a, a), b2 = _mm_mul_pd(b, b);
    const __m128d power = _mm_add_pd(_mm_unpacklo_pd(a2, b2), _mm_unpackhi_pd(a2, b2));
    const __m128d mag = _mm_div_pd(_mm_mul_pd(two, _mm_sqrt_pd(power)), sum);
    _mm_storel_pi(reinterpret_cast<__m64*>(out + k), _mm_cvtpd_ps(mag));
  }
#endif
  for (; k < n; ++k) {
    const WDL_fft_complex& bin = spectrum[permute[k]];
    out[k] = static_cast<float>(2.0 * std::sqrt(bin.re * bin.re + bin.im * bin.im) / windowSum);
  }
}

// The first k in [lo, hi) for which pass(k) holds, for a pass that, once true, stays true.
template <class Pred>
int FirstPassing(int lo, int hi, Pred pass) {
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (pass(mid))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}
}  // namespace

void Toneglass::AnalyseFrame() {
  WDL_fft(mFFTBuffer, kFrameSize, 0);

  float magnitudes[kNumBins];
  Magnitudes(mFFTBuffer, mPermute, mWindowSum, magnitudes, kNumBins);

  double best = 0.0;
  int bestBin = 0;
  bool found = false;
  const double selectionStart = mViewData.mSelectionStart;
  const double selectionEnd = mSelectionEnd;
  const double binWidth = mBinWidth;
  const auto inBand = [&](int k) {
    const double freq = k * binWidth;
    return freq > selectionStart && selectionEnd > freq;
  };
  // A bin's frequency rises with k for a positive, finite bin width, so the band is one
  // run of bins, found with the same comparisons; otherwise every bin is asked.
  int first = 0, last = kNumBins;
  if (binWidth > 0.0 && binWidth < HUGE_VAL) {
    first = FirstPassing(0, kNumBins, [&](int k) { return k * binWidth > selectionStart; });
    last = FirstPassing(first, kNumBins, [&](int k) { return !(selectionEnd > k * binWidth); });
  }
  double thresholdDb = 0.0;
  for (int k = first; k < last; ++k) {
    const float mag = magnitudes[k];
    // A NaN magnitude fails the comparison and is never a candidate.
    if (!(inBand(k) && static_cast<double>(mag) > mThresholdAmp)) continue;

    // Logarithms only for candidates.
    const double levelDb = kDbPerNeper * std::log(std::fabs(static_cast<double>(mag)));
    if (!found) thresholdDb = kDbPerNeper * std::log(std::fabs(mThresholdAmp));
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
  const int count = std::min({mViewData.mNumPoints, kNumBins, mViewData.mSpectrum.GetSize()});
  if (count > 0) memcpy(mViewData.mSpectrum.Get(), magnitudes, sizeof(float) * static_cast<size_t>(count));
  mViewData.PublishSpectrum();
  mViewData.mRedraw = true;

  ++mFramesAnalysed;
  mFramePos = 0;
}
