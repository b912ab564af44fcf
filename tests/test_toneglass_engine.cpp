// Behaviour of the analysis and sonification engine: what reaches the outputs, the
// spectrum view and the tone, for signals whose spectra are known in advance.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "FreqView.h"
#include "Toneglass.h"
#include "tone_pitch.h"

namespace {

constexpr int N = Toneglass::kFrameSize;
constexpr double kPi = 3.14159265358979323846;

struct Stereo {
  std::vector<double> left, right;
  explicit Stereo(size_t n = 0) : left(n, 0.0), right(n, 0.0) {}
  size_t size() const { return left.size(); }
};

// The real plug-in object, built as the entry point builds it but without a host.
std::unique_ptr<Toneglass> MakePlug() { return std::make_unique<Toneglass>(IPlugInstanceInfo{nullptr}); }

void SetPlainParam(Toneglass& plug, int idx, double value) {
  plug.GetParam(idx)->Set(value);
  plug.OnParamChange(idx);
}

// An engine as a host leaves it after opening: every parameter delivered, then a reset.
// Dry 0 dB and wet -61 dB (silent) unless a test changes them.
std::unique_ptr<Toneglass> MakeEngine(double sampleRate = 44100.0, double thresholdDb = 0.0,
                                      double selectionStart = 20.0, double selectionSize = 10000.0) {
  auto plug = MakePlug();
  plug->SetSampleRate(sampleRate);
  plug->GetParam(Toneglass::kThreshold)->Set(thresholdDb);
  plug->GetParam(Toneglass::kSelectionStart)->Set(selectionStart);
  plug->GetParam(Toneglass::kSelectionSize)->Set(selectionSize);
  plug->GetParam(Toneglass::kDry)->Set(0.0);
  plug->GetParam(Toneglass::kWet)->Set(-61.0);
  plug->OnParamReset();
  plug->Reset();
  return plug;
}

Stereo Process(Toneglass& plug, const Stereo& in, int blockSize = 512) {
  Stereo out(in.size());
  for (size_t pos = 0; pos < in.size(); pos += blockSize) {
    const int n = static_cast<int>(std::min<size_t>(blockSize, in.size() - pos));
    double* ins[2] = {const_cast<double*>(in.left.data()) + pos, const_cast<double*>(in.right.data()) + pos};
    double* outs[2] = {out.left.data() + pos, out.right.data() + pos};
    plug.ProcessDoubleReplacing(ins, outs, n);
  }
  return out;
}

// A sine that completes a whole number of cycles per frame lands on one bin.
void AddBinSine(Stereo& s, double bin, double amplitude, size_t from = 0, size_t to = SIZE_MAX) {
  to = std::min(to, s.size());
  for (size_t i = from; i < to; ++i) {
    const double v = amplitude * std::sin(2.0 * kPi * bin * static_cast<double>(i) / N);
    s.left[i] += v;
    s.right[i] += v;
  }
}

double Db(double amp) { return 8.685889638065037 * std::log(amp); }

// First and one-past-last index of the non-zero samples of x.
std::pair<size_t, size_t> NonZeroSpan(const std::vector<double>& x) {
  size_t first = x.size(), last = 0;
  for (size_t i = 0; i < x.size(); ++i)
    if (x[i] != 0.0) {
      if (first == x.size()) first = i;
      last = i + 1;
    }
  return {first, last};
}

}  // namespace

// ---- Pass-through and the view hand-off ---------------------------------------------

TEST(ToneglassEngine, SilenceGivesSilenceAndZeroSpectrumEveryFrame) {
  auto plug = MakeEngine();
  FreqViewData* view = plug->GetFreqViewData();
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->mNumPoints, 1024);
  for (int i = 0; i < view->mNumPoints; ++i) view->mSpectrum.Get()[i] = 5.0f;

  Stereo in(N - 1);
  Stereo out = Process(*plug, in);
  EXPECT_EQ(view->mSpectrum.Get()[100], 5.0f) << "the view is fed only when a frame completes";
  EXPECT_FALSE(view->mRedraw);

  out = Process(*plug, Stereo(1));
  for (int i = 0; i < view->mNumPoints; ++i) ASSERT_EQ(view->mSpectrum.Get()[i], 0.0f) << i;
  EXPECT_TRUE(view->mRedraw);
  EXPECT_TRUE(plug->GetFreqView()->IsDirty());
  EXPECT_EQ(plug->GetLastToneStart().frameIndex, -1);
  for (double v : out.left) EXPECT_EQ(v, 0.0);
}

TEST(ToneglassEngine, FullScaleBinCentredSineReadsAboutOne) {
  auto plug = MakeEngine();
  for (int bin : {10, 200, 1000}) {
    Stereo in(N);
    AddBinSine(in, bin, 1.0);
    Process(*plug, in);
    const float* spectrum = plug->GetFreqViewData()->mSpectrum.Get();
    EXPECT_NEAR(spectrum[bin], 1.0, 2e-3) << bin;
    // The Hann window's neighbours read half, and the far spectrum is empty.
    EXPECT_NEAR(spectrum[bin + 1], 0.5, 2e-3) << bin;
    EXPECT_LT(spectrum[bin + 5], 1e-3) << bin;
  }
}

TEST(ToneglassEngine, LevelParametersScaleAndGoExactlySilentBelowTheFloor) {
  auto plug = MakeEngine();
  Stereo in(300);
  for (size_t i = 0; i < in.size(); ++i) {
    in.left[i] = 0.5 + 0.001 * static_cast<double>(i);
    in.right[i] = -0.25;
  }
  SetPlainParam(*plug, Toneglass::kDry, -6.0);
  Stereo out = Process(*plug, in);
  EXPECT_NEAR(out.left[7], in.left[7] * std::pow(10.0, -6.0 / 20.0), 1e-12);
  EXPECT_NEAR(out.right[7], -0.25 * std::pow(10.0, -6.0 / 20.0), 1e-12);

  for (double db : {-61.0, -60.6}) {
    SetPlainParam(*plug, Toneglass::kDry, db);
    out = Process(*plug, in);
    for (size_t i = 0; i < out.size(); ++i) {
      ASSERT_EQ(out.left[i], 0.0) << db;
      ASSERT_EQ(out.right[i], 0.0) << db;
    }
  }
  SetPlainParam(*plug, Toneglass::kDry, -60.5);
  out = Process(*plug, in);
  EXPECT_NEAR(out.right[0] / -0.25, 0.000944, 1e-6);
}

// ---- The search: threshold, band and ties -------------------------------------------

class ToneglassSemitones : public ::testing::TestWithParam<std::pair<double, int>> {};

TEST_P(ToneglassSemitones, DecibelsAboveThresholdPickThePitch) {
  const double above = GetParam().first;
  const int semitones = GetParam().second;
  auto plug = MakeEngine(44100.0, -60.0);
  Stereo in(N);
  AddBinSine(in, 300, 0.5);
  Process(*plug, in);
  const double levelDb = Db(plug->GetFreqViewData()->mSpectrum.Get()[300]);

  // The same frame again, with the threshold placed exactly `above` dB below its level.
  SetPlainParam(*plug, Toneglass::kThreshold, levelDb - above);
  Process(*plug, in);
  const Toneglass::ToneStart& tone = plug->GetLastToneStart();
  ASSERT_EQ(tone.frameIndex, 1);
  EXPECT_EQ(tone.bin, 300);
  EXPECT_EQ(tone.semitones, semitones);
  EXPECT_NEAR(tone.frequency, 440.0 * std::pow(2.0, semitones / 12.0), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Table, ToneglassSemitones,
                         ::testing::Values(std::make_pair(0.5, 0), std::make_pair(5.94, 5),
                                           std::make_pair(5.97, 6), std::make_pair(11.96, 12),
                                           std::make_pair(15.0, 12)));

TEST(ToneglassEngine, ThresholdIsStrict) {
  auto plug = MakeEngine(44100.0, -60.0);
  Stereo in(N);
  AddBinSine(in, 300, 0.5);
  Process(*plug, in);
  const float level = plug->GetFreqViewData()->mSpectrum.Get()[300];

  // Look for a threshold in dB whose gain equals the bin's magnitude exactly.
  double exactDb = std::nan("");
  double up = Db(level), down = Db(level);
  for (int step = 0; step < 4000 && std::isnan(exactDb); ++step) {
    if (std::exp(up * 0.1151292546497) == static_cast<double>(level)) exactDb = up;
    if (std::exp(down * 0.1151292546497) == static_cast<double>(level)) exactDb = down;
    up = std::nextafter(up, 1e9);
    down = std::nextafter(down, -1e9);
  }
  // Whatever the search gave, a threshold just above the level starts nothing and one
  // just below does; an exactly equal one, when found, starts nothing either.
  ASSERT_EQ(plug->GetLastToneStart().frameIndex, 0);
  SetPlainParam(*plug, Toneglass::kThreshold, Db(level) + 1e-9);
  Process(*plug, in);
  EXPECT_EQ(plug->GetLastToneStart().frameIndex, 0);
  if (!std::isnan(exactDb)) {
    SetPlainParam(*plug, Toneglass::kThreshold, exactDb);
    Process(*plug, in);
    EXPECT_EQ(plug->GetLastToneStart().frameIndex, 0);
  }
  SetPlainParam(*plug, Toneglass::kThreshold, Db(level) - 1e-9);
  Process(*plug, in);
  EXPECT_GT(plug->GetLastToneStart().frameIndex, 0);
  EXPECT_EQ(plug->GetLastToneStart().semitones, 0);
  EXPECT_EQ(plug->GetLastToneStart().bin, 300);
}

TEST(ToneglassEngine, BandEdgesAreExclusive) {
  // At 44.1 kHz a bin is exactly 44100 / 2048 Hz wide, so bin frequencies are exact.
  const double width = 44100.0 / 2048.0;
  struct Case {
    double start, size;
    bool sounds;
  };
  // A sine on bin 50; its neighbours read -6 dB, below the -3 dB threshold.
  const Case cases[] = {
      {50 * width, 100.0 * width, false},         // starts exactly at the bin
      {50 * width - 1e-6, 100.0 * width, true},   // starts just below it
      {20 * width, 30 * width, false},            // ends exactly at the bin
      {20 * width, 30 * width + 1e-6, true},      // ends just above it
  };
  for (const Case& c : cases) {
    auto plug = MakeEngine(44100.0, -3.0, c.start, c.size);
    Stereo in(N);
    AddBinSine(in, 50, 1.0);
    Process(*plug, in);
    EXPECT_EQ(plug->GetLastToneStart().frameIndex >= 0, c.sounds) << c.start << " " << c.size;
    if (c.sounds) {
      EXPECT_EQ(plug->GetLastToneStart().bin, 50);
    }
  }
}

TEST(ToneglassEngine, NarrowDefaultBandSearchesBinsOneToThree) {
  // Selection 20 Hz + 50 Hz: 20 < k x 21.53 < 70 holds for bins 1 to 3. A spectrum that
  // rises with frequency (a differentiated impulse) makes the highest candidate the
  // strongest, and its bin is the band's top.
  auto plug = MakeEngine(44100.0, -6.0, 20.0, 50.0);
  Stereo in(N);
  in.left[1024] = in.right[1024] = 1e5;
  in.left[1025] = in.right[1025] = -1e5;
  Process(*plug, in);
  const float* spectrum = plug->GetFreqViewData()->mSpectrum.Get();
  ASSERT_GT(spectrum[4], spectrum[3]);
  ASSERT_EQ(plug->GetLastToneStart().frameIndex, 0);
  EXPECT_EQ(plug->GetLastToneStart().bin, 3);
}

TEST(ToneglassEngine, BandIsFiftyHertzUntilTheSizeArrives) {
  auto plug = MakePlug();
  ASSERT_EQ(plug->GetFreqViewData()->mSelectionSize, 1.0);
  plug->GetParam(Toneglass::kThreshold)->Set(-3.0);
  plug->GetParam(Toneglass::kSelectionStart)->Set(1015.0);
  plug->GetParam(Toneglass::kDry)->Set(0.0);
  for (int i : {Toneglass::kThreshold, Toneglass::kSelectionStart, Toneglass::kDry}) plug->OnParamChange(i);
  plug->Reset();
  // 1015 to 1065 Hz holds bins 48 (1033.6 Hz) and 49 (1055.1 Hz); the full 10 kHz
  // size would take bin 50 (1076.7 Hz) too.
  for (int bin : {47, 48, 49, 50}) {
    Stereo in(N);
    AddBinSine(in, bin, 1.0);
    const long long before = plug->GetLastToneStart().frameIndex;
    Process(*plug, in);
    const bool started = plug->GetLastToneStart().frameIndex != before;
    EXPECT_EQ(started, bin == 48 || bin == 49) << bin;
  }
}

TEST(ToneglassEngine, StartAboveNyquistFindsNothing) {
  auto plug = MakeEngine(44100.0, -60.0, 22050.0, 1000.0);
  SetPlainParam(*plug, Toneglass::kSelectionStart, 30000.0);
  Stereo in(N);
  AddBinSine(in, 1023, 1.0);
  Process(*plug, in);
  EXPECT_EQ(plug->GetLastToneStart().frameIndex, -1);
}

TEST(ToneglassEngine, TiesGoToTheLowerBinAndAStrictlyLouderBinWins) {
  // Two equal sines whose levels both snap to 4 dB above the threshold.
  auto probe = MakeEngine(44100.0, -60.0);
  Stereo in(N);
  AddBinSine(in, 100, 0.25);
  AddBinSine(in, 300, 0.25);
  Process(*probe, in);
  const double levelDb = Db(probe->GetFreqViewData()->mSpectrum.Get()[300]);

  auto plug = MakeEngine(44100.0, levelDb - 3.98);
  Process(*plug, in);
  ASSERT_EQ(plug->GetLastToneStart().frameIndex, 0);
  EXPECT_EQ(plug->GetLastToneStart().bin, 100);
  EXPECT_EQ(plug->GetLastToneStart().semitones, 4);

  Stereo louder(N);
  AddBinSine(louder, 100, 0.25);
  AddBinSine(louder, 300, 0.25 * 1.05);
  Process(*plug, louder);
  EXPECT_EQ(plug->GetLastToneStart().bin, 300);
}

// ---- Pan, timing and the dry signal -------------------------------------------------

// With the tone silent and the dry level at 0 dB, output / input is the pan gain while
// a blip sounds and exactly 1 otherwise.
TEST(ToneglassEngine, PanGainsAtBottomMiddleAndTopBins) {
  const double width = 44100.0 / 2048.0;
  struct Case {
    int bin;
    double left, right;
  };
  // Bin 0 qualifies only with a start below 0 Hz (a constant signal): fully left. Bins
  // 511 and 512 straddle the middle, 1023 is fully right.
  const Case cases[] = {{0, 1.0, 0.0}, {511, 0.707649, 0.706564}, {512, 0.706564, 0.707649}, {1023, 0.0, 1.0}};
  for (const Case& c : cases) {
    auto plug = MakeEngine(44100.0, c.bin ? -3.0 : 0.0, c.bin ? (c.bin - 2) * width : -10.0, c.bin ? 10000.0 : 100.0);
    Stereo in(N + 100);
    if (c.bin) AddBinSine(in, c.bin, 1.0);
    else
      for (size_t i = 0; i < in.size(); ++i) in.left[i] = in.right[i] = 1.0;
    Stereo out = Process(*plug, in);
    ASSERT_EQ(plug->GetLastToneStart().bin, c.bin);
    for (size_t i = N; i < in.size(); ++i) {
      if (std::fabs(in.left[i]) < 0.1) continue;
      ASSERT_NEAR(out.left[i] / in.left[i], c.left, 1e-5) << c.bin;
      ASSERT_NEAR(out.right[i] / in.right[i], c.right, 1e-5) << c.bin;
    }
  }
}

TEST(ToneglassEngine, DryIsPannedFromTheFrameSampleUntilTheReleaseEnds) {
  // One frame of an in-band sine, then an out-of-band one that keeps the dry signal
  // non-zero without starting more blips.
  const double width = 44100.0 / 2048.0;
  auto plug = MakeEngine(44100.0, -3.0, 500 * width, 20 * width);
  Stereo in(6 * N);
  AddBinSine(in, 511, 1.0, 0, N);
  AddBinSine(in, 40, 1.0, N);
  Stereo out = Process(*plug, in, 333);
  ASSERT_EQ(plug->GetLastToneStart().frameIndex, 0);

  // 10 ms rise and 200 ms fall: about 441 + 8820 panned samples from sample N - 1.
  size_t lastPanned = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in.left[i] == 0.0) continue;
    const bool panned = out.left[i] != in.left[i];
    if (i < N - 1) {
      ASSERT_FALSE(panned) << i;
    }
    if (panned) lastPanned = i;
    if (i == N - 1) {
      EXPECT_TRUE(panned) << "the tone starts on the sample that completes the frame";
    }
  }
  const double panned = static_cast<double>(lastPanned - (N - 1) + 1);
  EXPECT_NEAR(panned, 0.21 * 44100.0, 4.0);
  for (size_t i = lastPanned + 2; i < in.size(); ++i) ASSERT_EQ(out.left[i], in.left[i]) << i;
}

// ---- Tone timing and pitch ----------------------------------------------------------

namespace {
struct BlipShape {
  size_t start, peak, end;  // tone start, loudest sample, one past the last sounding sample
  double pitch;
};

// One blip from one frame of a sine on `bin`, tone alone at 0 dB.
BlipShape MeasureBlip(Toneglass& plug, double sampleRate, int bin, double aboveDb) {
  SetPlainParam(plug, Toneglass::kDry, -61.0);
  SetPlainParam(plug, Toneglass::kWet, 0.0);
  SetPlainParam(plug, Toneglass::kThreshold, Db(1.0) - aboveDb);
  // Whole frames, so that the next measurement starts on a frame boundary too.
  Stereo in(N * (1 + static_cast<size_t>(0.3 * sampleRate) / N + 1));
  AddBinSine(in, bin, 1.0, 0, N);
  Stereo out = Process(plug, in, 256);
  BlipShape shape{};
  auto span = NonZeroSpan(out.left);
  shape.start = span.first;
  shape.end = span.second;
  // The envelope peaks where |tone| / |sine| is largest; the sine is sampled at the
  // tone's own frequency, so look at its upper envelope instead.
  double best = 0.0;
  for (size_t i = span.first; i < span.second; ++i)
    if (std::fabs(out.left[i]) > best) {
      best = std::fabs(out.left[i]);
      shape.peak = i;
    }
  shape.pitch = ZeroCrossingFrequency(out.left, span.first, span.second, sampleRate);
  return shape;
}
}  // namespace

TEST(ToneglassEngine, BlipRisesTenAndFallsTwoHundredMilliseconds) {
  auto plug = MakeEngine(48000.0, 0.0, 20.0, 20000.0);
  const BlipShape blip = MeasureBlip(*plug, 48000.0, 400, 3.0);
  // The first tone sample is sin(0) = 0, so sound is seen one sample after the start.
  EXPECT_EQ(blip.start, static_cast<size_t>(N));
  EXPECT_NEAR(static_cast<double>(blip.end - (N - 1)), 0.21 * 48000.0, 3.0);
  // A 523 Hz sine peaks within half a period of the envelope's top.
  EXPECT_NEAR(static_cast<double>(blip.peak - (N - 1)), 0.01 * 48000.0, 48000.0 / 523.0 / 2.0 + 2.0);
  EXPECT_NEAR(blip.pitch, 440.0 * std::pow(2.0, 3.0 / 12.0), 0.5);
}

TEST(ToneglassEngine, TwoInstancesAtDifferentRatesKeepTheirOwnTimingAndPitch) {
  auto slow = MakeEngine(44100.0, 0.0, 20.0, 20000.0);
  auto fast = MakeEngine(96000.0, 0.0, 20.0, 20000.0);
  // Another STK user in the process changing the shared rate must not matter either.
  stk::Stk::setSampleRate(22050.0);
  slow->Reset();

  for (int round = 0; round < 2; ++round) {
    const BlipShape a = MeasureBlip(*slow, 44100.0, 300, 7.0);
    const BlipShape b = MeasureBlip(*fast, 96000.0, 300, 7.0);
    EXPECT_NEAR(static_cast<double>(a.end - (N - 1)), 0.21 * 44100.0, 3.0) << round;
    EXPECT_NEAR(static_cast<double>(b.end - (N - 1)), 0.21 * 96000.0, 3.0) << round;
    EXPECT_NEAR(static_cast<double>(a.peak - (N - 1)), 441.0, 44100.0 / 659.0 / 2.0 + 2.0) << round;
    EXPECT_NEAR(static_cast<double>(b.peak - (N - 1)), 960.0, 96000.0 / 659.0 / 2.0 + 2.0) << round;
    EXPECT_NEAR(a.pitch, 659.255, 0.5) << round;
    EXPECT_NEAR(b.pitch, 659.255, 0.5) << round;
    fast->Reset();
    slow->Reset();
  }
  stk::Stk::setSampleRate(44100.0);
}

namespace {
// The tone as one instance alone in a process would make it: STK's own objects on STK's
// shared rate, driven step by step through reset, tone start and per-sample tick.
struct SharedRateTone {
  stk::SineWave sine;
  stk::ADSR envelope;
  double panLeft = 0.0;

  void reset(double rate) {
    sine.reset();
    envelope.setValue(0.0);
    envelope.setReleaseTime(0.2);
    envelope.setAttackTime(0.01);
    envelope.setSustainLevel(1.0);
    if (rate > 0.0) stk::Stk::setSampleRate(rate);
  }
  void start(double frequency, double pan) {
    sine.setFrequency(frequency);
    const double theta = pan * 0.7853981633974483;
    panLeft = 0.7071067811865476 * (std::cos(theta) - std::sin(theta));
    envelope.keyOn();
  }
  bool tick(double& tone) {
    if (envelope.getState() == stk::ADSR::DECAY) envelope.keyOff();
    const int stage = envelope.getState();
    if (stage != stk::ADSR::ATTACK && stage != stk::ADSR::RELEASE) return false;
    const double e = envelope.tick();
    tone = e * sine.tick();
    return true;
  }
};
}  // namespace

// Isolated rates must not change the arithmetic: across resets that change the rate,
// keep it, or pass none, every tone sample equals the shared-rate one to the last bit.
// (At 44003 Hz, or from 44056 Hz to 48000 Hz, an attack rate set at the old rate and
// carried over differs in its last bit from one set at the new rate directly.)
TEST(ToneglassEngine, ToneMatchesStkOnItsSharedRateBitForBit) {
  stk::Stk::setSampleRate(44100.0);
  SharedRateTone reference;
  Toneglass::Sonification tone;
  struct Step {
    double rate, frequency, pan;
    int samples, restartAt;  // restartAt: a second start while the first blip falls
  };
  const Step steps[] = {{44003.0, 659.2551138257398, -0.2, 10000, 0},
                        {44003.0, 440.0, 1.0, 13000, 3000},
                        {0.0, 880.0, 0.5, 10000, 0},
                        {44056.0, 523.2511306011972, -1.0, 10000, 0},
                        {48000.0, 493.8833012561241, 0.1, 14000, 4000},
                        {-5.0, 587.3295358348151, 0.0, 11000, 0},
                        {96000.0, 830.6093951598903, 0.7, 21000, 0}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.rate);
    reference.reset(step.rate);
    tone.reset(step.rate);
    for (int s = 0; s < step.samples; ++s) {
      if (s == 0 || (step.restartAt > 0 && s == step.restartAt)) {
        reference.start(step.frequency, step.pan);
        tone.start(step.frequency, step.pan);
        ASSERT_EQ(tone.mPanLeft, reference.panLeft);
      }
      double expect = 0.0, got = 0.0;
      const bool sounding = reference.tick(expect);
      ASSERT_EQ(tone.tick(got), sounding) << s;
      if (sounding) {
        ASSERT_EQ(got, expect) << s;
      }
    }
    double rest = 0.0;
    EXPECT_FALSE(tone.tick(rest)) << "the blip has ended";
  }
  stk::Stk::setSampleRate(44100.0);
}

// ---- What the engine writes into the view -------------------------------------------

// Reset derives the view's rates and the curve's fall per redraw (1024 / rate) from the
// host rate, and leaves the threshold and band the parameters set.
TEST(ToneglassEngine, ResetWritesTheRateNyquistAndPeakDecayIntoTheView) {
  auto plug = MakeEngine(44100.0, -12.5, 300.0, 2000.0);
  FreqViewData* view = plug->GetFreqViewData();
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->mNumPoints, 1024);
  for (double rate : {44100.0, 192000.0, 44100.7, 1.0}) {
    plug->SetSampleRate(rate);
    plug->Reset();
    EXPECT_EQ(view->mSampleRate, rate);
    EXPECT_EQ(view->mNyquist, rate / 2);
    EXPECT_DOUBLE_EQ(view->mPeakDecay, 1024.0 / rate) << rate;
    EXPECT_EQ(view->mThresholdDB, -12.5) << rate;
    EXPECT_EQ(view->mSelectionStart, 300.0);
    EXPECT_EQ(view->mSelectionSize, 2000.0);
  }
  // A rate of zero or below still reaches the view as it is (the editor draws no grid).
  for (double rate : {0.0, -48000.0}) {
    plug->SetSampleRate(rate);
    plug->Reset();
    EXPECT_EQ(view->mSampleRate, rate);
    EXPECT_EQ(view->mNyquist, rate / 2);
  }
  // Only Reset writes the rates: a rate change alone leaves the view as it was.
  plug->SetSampleRate(96000.0);
  plug->Reset();
  plug->SetSampleRate(48000.0);
  EXPECT_EQ(view->mSampleRate, 96000.0);
  EXPECT_DOUBLE_EQ(view->mPeakDecay, 1024.0 / 96000.0);
}

// A parameter change reaches the view at once, without waiting for a reset.
TEST(ToneglassEngine, ThresholdAndBandParametersReachTheViewAsPlainValues) {
  auto plug = MakeEngine();
  FreqViewData* view = plug->GetFreqViewData();
  SetPlainParam(*plug, Toneglass::kThreshold, -33.3);
  SetPlainParam(*plug, Toneglass::kSelectionStart, 1234.0);
  SetPlainParam(*plug, Toneglass::kSelectionSize, 777.0);
  EXPECT_EQ(view->mThresholdDB, -33.3);
  EXPECT_EQ(view->mSelectionStart, 1234.0);
  EXPECT_EQ(view->mSelectionSize, 777.0);
}

TEST(ToneglassEngine, ZeroRateResetFindsNothingAndALaterResetRecovers) {
  auto plug = MakeEngine(44100.0, -20.0);
  plug->SetSampleRate(0.0);
  plug->Reset();
  Stereo in(N);
  AddBinSine(in, 200, 1.0);
  Process(*plug, in);
  EXPECT_EQ(plug->GetLastToneStart().frameIndex, -1);

  plug->SetSampleRate(44100.0);
  plug->Reset();
  Process(*plug, in);
  EXPECT_EQ(plug->GetLastToneStart().frameIndex, 1);
}

// ---- Reset, blocks and buffers ------------------------------------------------------

TEST(ToneglassEngine, ResetMidFrameKeepsTheFrameAndSilencesTheTone) {
  Stereo in(N);
  AddBinSine(in, 300, 1.0);
  auto straight = MakeEngine(44100.0, -10.0);
  auto interrupted = MakeEngine(44100.0, -10.0);
  Process(*straight, in);

  Stereo head(1000), tail(N - 1000);
  std::copy(in.left.begin(), in.left.begin() + 1000, head.left.begin());
  std::copy(in.right.begin(), in.right.begin() + 1000, head.right.begin());
  std::copy(in.left.begin() + 1000, in.left.end(), tail.left.begin());
  std::copy(in.right.begin() + 1000, in.right.end(), tail.right.begin());
  Process(*interrupted, head);
  interrupted->Reset();
  Process(*interrupted, tail);

  const float* a = straight->GetFreqViewData()->mSpectrum.Get();
  const float* b = interrupted->GetFreqViewData()->mSpectrum.Get();
  for (int k = 0; k < 1024; ++k) ASSERT_EQ(a[k], b[k]) << k;
  ASSERT_EQ(interrupted->GetLastToneStart().frameIndex, 0);
  EXPECT_EQ(interrupted->GetLastToneStart().bin, 300);

  // A reset while the blip sounds: from the next sample on, unpanned dry signal.
  Stereo more(700);
  AddBinSine(more, 40, 1.0);
  Stereo out = Process(*interrupted, more);
  ASSERT_NE(out.left[600], more.left[600]) << "the blip is sounding";
  interrupted->Reset();
  out = Process(*interrupted, more);
  for (size_t i = 0; i < more.size(); ++i) ASSERT_EQ(out.left[i], more.left[i]) << i;
}

// A block with a channel missing is not processed; the outputs that exist get silence.
TEST(ToneglassEngine, MissingBuffersSilenceTheOutputsThatExist) {
  auto plug = MakeEngine();
  double left[4], right[4], outL[4], outR[4];
  double* ins[2] = {left, right};
  double* outs[2] = {outL, outR};
  auto refill = [&] {
    for (int i = 0; i < 4; ++i) {
      left[i] = right[i] = i + 1;
      outL[i] = outR[i] = 9.0;
    }
  };
  auto outputsAre = [&](double v) {
    for (int i = 0; i < 4; ++i)
      if (outL[i] != v || outR[i] != v) return false;
    return true;
  };
  refill();
  plug->ProcessDoubleReplacing(ins, outs, 0);
  plug->ProcessDoubleReplacing(ins, outs, -5);
  plug->ProcessDoubleReplacing(ins, nullptr, 4);
  EXPECT_TRUE(outputsAre(9.0)) << "no frames, or nowhere to write";

  double* missingIn[2] = {left, nullptr};
  for (double** in : {missingIn, static_cast<double**>(nullptr)}) {
    refill();
    plug->ProcessDoubleReplacing(in, outs, 4);
    EXPECT_TRUE(outputsAre(0.0));
  }
  refill();
  double* missingOut[2] = {nullptr, outR};
  plug->ProcessDoubleReplacing(ins, missingOut, 4);
  EXPECT_EQ(outL[0], 9.0);
  for (double v : outR) EXPECT_EQ(v, 0.0);
  refill();
  double* inPlace[2] = {outL, nullptr};
  plug->ProcessDoubleReplacing(inPlace, outs, 4);
  EXPECT_TRUE(outputsAre(0.0));

  plug->OnParamChange(-1);
  plug->OnParamChange(5);
  refill();
  plug->ProcessDoubleReplacing(ins, outs, 4);
  EXPECT_EQ(outL[3], 4.0);
}

TEST(ToneglassEngine, InstancesCreatedOnTwoThreadsAtOnce) {
  // STK's process-wide list of live objects is edited by every tone generator that is
  // built or destroyed; hammer it from two threads, then whole engines.
  auto churnTones = [] {
    for (int i = 0; i < 20000; ++i) {
      Toneglass::Sonification tone;
      tone.reset(i % 2 ? 48000.0 : 44100.0);
    }
  };
  std::thread t1(churnTones), t2(churnTones);
  t1.join();
  t2.join();

  auto churn = [] {
    for (int i = 0; i < 40; ++i) {
      auto plug = MakeEngine(i % 2 ? 48000.0 : 44100.0);
      Stereo in(64);
      Process(*plug, in);
    }
  };
  std::thread a(churn), b(churn);
  a.join();
  b.join();
  // The shared sine table is intact: a fresh instance still plays the right pitch.
  auto plug = MakeEngine(44100.0, 0.0, 20.0, 20000.0);
  EXPECT_NEAR(MeasureBlip(*plug, 44100.0, 300, 0.5).pitch, 440.0, 0.5);
}

// ---- Subnormal numbers ----------------------------------------------------------------

#if defined(__SSE2__)
#include <xmmintrin.h>

namespace {
constexpr unsigned kFtz = 0x8000, kDaz = 0x0040, kRoundingMask = 0x6000, kRoundUp = 0x4000;

// Restores the test thread's control register whatever a test leaves behind.
struct CsrGuard {
  unsigned saved = _mm_getcsr();
  ~CsrGuard() { _mm_setcsr(saved); }
};
}  // namespace

// The block runs with subnormals flushed, and every host setting, including its
// rounding mode and its sticky exception flags, is exactly what the host had after.
TEST(ToneglassEngine, TheHostsFloatingPointControlComesBackAfterEveryBlock) {
  CsrGuard guard;
  auto plug = MakeEngine(44100.0, -60.0, 20.0, 10000.0);
  SetPlainParam(*plug, Toneglass::kWet, 0.0);
  Stereo in(N + 100);
  AddBinSine(in, 40, 0.5);
  const unsigned base = guard.saved & ~(kFtz | kDaz | kRoundingMask | 0x3Fu);
  for (unsigned host : {base, base | kFtz, base | kDaz, base | kFtz | kDaz, base | 0x3Fu}) {
    _mm_setcsr(host);
    // Blocks of one sample, a frame end with a tone start, and a long run.
    for (int n : {1, 2047, 100, 1}) {
      Stereo part(n);
      for (int i = 0; i < n; ++i) part.left[i] = part.right[i] = in.left[i];
      Process(*plug, part, n);
      ASSERT_EQ(_mm_getcsr(), host) << "host register 0x" << std::hex << host << ", block of " << std::dec << n;
    }
  }
  EXPECT_GE(plug->GetLastToneStart().frameIndex, 0) << "the blocks reached a tone start";
}

// A subnormal sample on the double path reads as zero; every other sample is untouched,
// including the smallest normal numbers and those whose products stay normal.
TEST(ToneglassEngine, SubnormalInputGivesSignedZeroAndNormalInputIsUnchanged) {
  CsrGuard guard;
  _mm_setcsr(guard.saved & ~(kFtz | kDaz));
  auto plug = MakeEngine();  // dry 0 dB: the outputs are the inputs
  const double tiny = 4.9e-324, sub = 1.5e-310, smallest = 2.2250738585072014e-308;
  Stereo in(N + 8);
  for (size_t i = 0; i < in.size(); ++i) {
    const double values[] = {tiny, -sub, smallest, -smallest * 4.0, 0.25, -0.0};
    in.left[i] = values[i % 6];
    in.right[i] = values[(i + 3) % 6];
  }
  for (int block : {1, 512, N + 8}) {
    Stereo out = Process(*plug, in, block);
    for (size_t i = 0; i < in.size(); ++i) {
      for (int c = 0; c < 2; ++c) {
        const double x = (c ? in.right : in.left)[i], y = (c ? out.right : out.left)[i];
        if (std::fpclassify(x) == FP_SUBNORMAL) {
          ASSERT_EQ(y, 0.0) << "block " << block << ", sample " << i;
          ASSERT_EQ(std::signbit(y), std::signbit(x)) << "block " << block << ", sample " << i;
        } else {
          ASSERT_EQ(y, x) << "block " << block << ", sample " << i;
        }
      }
    }
  }
  // (The comparisons above raise the denormal-operand flag themselves.)
  EXPECT_EQ(_mm_getcsr() & ~0x3Fu, guard.saved & ~(kFtz | kDaz | 0x3Fu));
}

// The flush changes nothing that rounds: a host running with rounding towards +inf
// gets the results that mode gives, as before.
TEST(ToneglassEngine, TheHostsRoundingModeStillApplies) {
  CsrGuard guard;
  auto plug = MakeEngine();
  SetPlainParam(*plug, Toneglass::kDry, -6.0);
  Stereo in(64);
  for (size_t i = 0; i < in.size(); ++i) in.left[i] = in.right[i] = 0.1 + 1e-3 * static_cast<double>(i);
  const double gain = std::exp(-6.0 * 0.1151292546497);  // as the engine derived it
  _mm_setcsr((guard.saved & ~kRoundingMask) | kRoundUp);
  std::vector<double> expected(in.size());
  for (size_t i = 0; i < in.size(); ++i) expected[i] = in.left[i] * gain;  // rounded up as well
  Stereo out = Process(*plug, in);
  _mm_setcsr(guard.saved);
  int differFromNearest = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    ASSERT_EQ(out.left[i], expected[i]) << i;
    differFromNearest += out.left[i] != in.left[i] * gain ? 1 : 0;
  }
  EXPECT_GT(differFromNearest, 0) << "the signal tells the rounding modes apart";
}
#endif
