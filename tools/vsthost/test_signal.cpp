#include "test_signal.h"

#include <algorithm>
#include <cmath>

namespace vsthost {

namespace {

constexpr double kPhraseSeconds = 2.0;
constexpr double kToneSeconds = 1.6;  // then silence until the next phrase
constexpr double kFadeSeconds = 0.02;
constexpr double kFirstStepDb = 1.0;
constexpr double kStepDb = 3.0;  // phrases at 1, 4, 7, 10, 13 dB above the threshold
constexpr double kTwoPi = 6.283185307179586;

}  // namespace

TestSignalSource::TestSignalSource(double sampleRate, double seconds)
    : mSampleRate(sampleRate), mFrames(static_cast<int64_t>(std::llround(sampleRate * seconds))) {}

void TestSignalSource::ToneAt(int64_t frame, double* amplitude, double* frequency) const {
  const double t = static_cast<double>(frame) / mSampleRate;
  const int phrase = static_cast<int>(t / kPhraseSeconds);
  const double inPhrase = t - phrase * kPhraseSeconds;
  *amplitude = 0.0;
  *frequency = 0.0;
  if (frame < 0 || frame >= mFrames) return;
  // The last phrase has no pause: its glide ends with the signal.
  const double phraseStart = phrase * kPhraseSeconds;
  const double end = static_cast<double>(mFrames) / mSampleRate;
  const bool last = phraseStart + kPhraseSeconds >= end - 1e-9;
  const double toneSeconds = last ? end - phraseStart : kToneSeconds;
  if (inPhrase >= toneSeconds) return;
  // A logarithmic glide: equal time per octave across the band.
  *frequency = kDemoToneLowHz * std::pow(kDemoToneHighHz / kDemoToneLowHz, inPhrase / toneSeconds);
  const double levelDb = kDemoThresholdDb + kFirstStepDb + kStepDb * phrase;
  const double fade = std::min({1.0, inPhrase / kFadeSeconds, (toneSeconds - inPhrase) / kFadeSeconds});
  *amplitude = std::pow(10.0, levelDb / 20.0) * fade;
}

double TestSignalSource::NextNoise() {
  // A small linear congruential generator: the demo is the same on every run.
  mNoiseState = mNoiseState * 1664525u + 1013904223u;
  const double uniform = static_cast<double>(mNoiseState >> 8) / 16777216.0;  // [0, 1)
  return (uniform * 2.0 - 1.0) * kDemoNoiseRms * std::sqrt(3.0);              // uniform noise of that RMS
}

int64_t TestSignalSource::Read(double* interleaved, int64_t frames, std::string* /*error*/) {
  const int64_t n = std::max<int64_t>(0, std::min(frames, mFrames - mPosition));
  for (int64_t i = 0; i < n; ++i) {
    double amplitude = 0.0, frequency = 0.0;
    ToneAt(mPosition + i, &amplitude, &frequency);
    mPhase += kTwoPi * frequency / mSampleRate;
    if (mPhase >= kTwoPi) mPhase -= kTwoPi;
    const double tone = amplitude * std::sin(mPhase);
    interleaved[2 * i] = tone + NextNoise();
    interleaved[2 * i + 1] = tone + NextNoise();
  }
  mPosition += n;
  return n;
}

}  // namespace vsthost
