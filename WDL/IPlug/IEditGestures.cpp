#include "IEditGestures.h"

#include <algorithm>

#include "IPlugBase.h"

namespace {

WDL_Mutex* MutexOf(IPlugBase* pPlug) { return pPlug ? pPlug->GetMutex() : nullptr; }

}  // namespace

void IEditGestures::Enter(bool endsWheel) {
  WDL_MutexLock lock(MutexOf(mPlug));
  if (endsWheel && mKind == kWheel) EndAll();
  ++mDepth;
}

void IEditGestures::Leave() {
  WDL_MutexLock lock(MutexOf(mPlug));
  if (mDepth > 0) --mDepth;
  if (mDepth == 0 && mKind == kOneEvent) EndAll();
}

void IEditGestures::BeginPress(int paramIdx) {
  WDL_MutexLock lock(MutexOf(mPlug));
  EndAll();
  mKind = kPress;
  if (paramIdx >= 0) BeginParam(paramIdx);
}

void IEditGestures::EndPress() {
  WDL_MutexLock lock(MutexOf(mPlug));
  if (mKind == kPress) EndAll();
}

void IEditGestures::WheelNotch(int controlIdx, long long nowMs) {
  WDL_MutexLock lock(MutexOf(mPlug));
  if (mKind == kPress) return;  // wheeling while holding a button: part of the press
  if (mKind != kWheel || mWheelControl != controlIdx) {
    EndAll();
    mKind = kWheel;
    mWheelControl = controlIdx;
  }
  mLastNotchMs = nowMs;
}

void IEditGestures::Poll(long long nowMs) {
  WDL_MutexLock lock(MutexOf(mPlug));
  if (mKind == kWheel && mDepth == 0 && nowMs - mLastNotchMs >= kWheelPauseMs) EndAll();
}

bool IEditGestures::Touch(int paramIdx) {
  WDL_MutexLock lock(MutexOf(mPlug));
  if (paramIdx < 0) return true;
  if (mKind == kNone) {
    if (mDepth == 0) return true;  // the plug-in's own push, not the user's
    mKind = kOneEvent;
  }
  if (std::find(mOpen.begin(), mOpen.end(), paramIdx) != mOpen.end()) return true;
  BeginParam(paramIdx);
  // The host may have ended it again from inside its begin callback (closing the
  // editor): then the value must not follow the end.
  return std::find(mOpen.begin(), mOpen.end(), paramIdx) != mOpen.end();
}

void IEditGestures::BeginParam(int paramIdx) {
  mOpen.push_back(paramIdx);
  if (mPlug) mPlug->BeginInformHostOfParamChange(paramIdx);
}

void IEditGestures::EndAll() {
  WDL_MutexLock lock(MutexOf(mPlug));
  mKind = kNone;
  mWheelControl = -1;
  // Taken out first: the host may answer an end by closing the editor, which ends
  // everything again (and must then find nothing left).
  std::vector<int> open;
  open.swap(mOpen);
  for (int paramIdx : open)
    if (mPlug) mPlug->EndInformHostOfParamChange(paramIdx);
}

bool IEditGestures::IsOpen(int paramIdx) {
  WDL_MutexLock lock(MutexOf(mPlug));
  return std::find(mOpen.begin(), mOpen.end(), paramIdx) != mOpen.end();
}

int IEditGestures::NOpen() {
  WDL_MutexLock lock(MutexOf(mPlug));
  return static_cast<int>(mOpen.size());
}

bool IEditGestures::WheelRunning() {
  WDL_MutexLock lock(MutexOf(mPlug));
  return mKind == kWheel;
}
