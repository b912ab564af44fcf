// The sonification tone: STK's sine oscillator and envelope, driven at the instance's
// own sample rate. Every rate is computed here from that rate and handed to STK as a
// per-sample rate, never as a time, so STK's process-wide rate plays no part.
#include <cmath>

#include "Toneglass.h"

namespace {
constexpr double kAttackSeconds = 0.01;
constexpr double kReleaseSeconds = 0.2;
constexpr double kPanQuarterAngle = 0.7853981633974483;  // pi / 4
}  // namespace

Toneglass::Sonification::Sonification() {
  mSine.ignoreSampleRateChange(true);
  mEnvelope.ignoreSampleRateChange(true);
  EndStkConstruction();
}

Toneglass::Sonification::~Sonification() { BeginStkDestruction(); }

void Toneglass::Sonification::reset(double sampleRate) {
  mSine.reset();
  mEnvelope.setValue(0.0);
  // The attack rate is first set at the rate in force so far and then carried over to a
  // new rate as STK carries its live objects over (old * rate / new): the same
  // arithmetic, to the last bit, as one instance running on STK's shared rate.
  double attackRate = 1.0 / (kAttackSeconds * mRate);
  mEnvelope.setSustainLevel(1.0);
  if (sampleRate > 0.0 && sampleRate != mRate) {
    const double oldRate = mRate;
    mRate = sampleRate;
    attackRate = oldRate * attackRate / mRate;
    mSineIncrement = oldRate * mSineIncrement / mRate;
    mSine.setRate(mSineIncrement);
  }
  mEnvelope.setAttackRate(attackRate);
}

void Toneglass::Sonification::start(double frequency, double pan) {
  mSineIncrement = TABLE_SIZE * frequency / mRate;
  mSine.setRate(mSineIncrement);
  const double theta = pan * kPanQuarterAngle;
  mPanLeft = mPanScale * (std::cos(theta) - std::sin(theta));
  mPanRight = mPanScale * (std::cos(theta) + std::sin(theta));
  mEnvelope.keyOn();
}

// Setting the release as a rate makes keyOff keep it, so the fall lasts exactly 0.2 s
// at this instance's rate from wherever the value stands.
void Toneglass::Sonification::releaseFromCurrentValue() {
  mEnvelope.setReleaseRate(mEnvelope.lastOut() / (kReleaseSeconds * mRate));
  mEnvelope.keyOff();
}
