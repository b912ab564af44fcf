// The spectrum view's data and the hand-off of magnitudes from the engine to the drawer.
#include "FreqViewData.h"

#include <algorithm>
#include <cstring>

FreqViewData::FreqViewData(int numPoints) : mNumPoints(numPoints > 0 ? numPoints : 0) {
  if (mSpectrum.Resize(mNumPoints) && mNumPoints > 0)
    memset(mSpectrum.Get(), 0, sizeof(float) * static_cast<size_t>(mNumPoints));
  for (auto& slot : mSlots) slot.assign(static_cast<size_t>(mNumPoints), 0.0f);
  mPeakDecay = mNumPoints / mSampleRate * kPeakDecayRate;
}

void FreqViewData::SetSampleRate(double rate) {
  mSampleRate = rate;
  mNyquist = rate * 0.5;
  mPeakDecay = mNumPoints / rate * kPeakDecayRate;
}

void FreqViewData::PublishSpectrum() {
  const int count = std::min(mNumPoints, mSpectrum.GetSize());
  if (count > 0) memcpy(mSlots[mEngineSlot].data(), mSpectrum.Get(), sizeof(float) * static_cast<size_t>(count));
  mEngineSlot = mSharedSlot.exchange(mEngineSlot | kFresh, std::memory_order_acq_rel) & kSlotMask;
}

const float* FreqViewData::AcquireSpectrum() {
  if (mSharedSlot.load(std::memory_order_relaxed) & kFresh)
    mDrawSlot = mSharedSlot.exchange(mDrawSlot, std::memory_order_acq_rel) & kSlotMask;
  return mSlots[mDrawSlot].data();
}
