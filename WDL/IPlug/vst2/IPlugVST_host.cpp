// The plug-in's calls back to the host: automation and program notifications, transport
// queries, latency and editor-size changes, outgoing MIDI.
#include <cmath>
#include <cstring>

#include "IPlugVST.h"

namespace {
// Time-info fields GetTime asks for: PPQ, tempo, bars, cycle and time signature.
constexpr VstIntPtr kTimeInfoRequest =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
}  // namespace

// ---- Host services ------------------------------------------------------------------------

void IPlugVST::BeginInformHostOfParamChange(int idx) {
  if (mHostCallback) mHostCallback(&mAEffect, audioMasterBeginEdit, idx, 0, nullptr, 0.0f);
}

void IPlugVST::InformHostOfParamChange(int idx, double normalizedValue) {
  if (mHostCallback)
    mHostCallback(&mAEffect, audioMasterAutomate, idx, 0, nullptr, static_cast<float>(normalizedValue));
}

void IPlugVST::EndInformHostOfParamChange(int idx) {
  if (mHostCallback) mHostCallback(&mAEffect, audioMasterEndEdit, idx, 0, nullptr, 0.0f);
}

void IPlugVST::InformHostOfProgramChange() {
  if (mHostCallback) mHostCallback(&mAEffect, audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f);
}

bool IPlugVST::IsRenderingOffline() {
  if (!mHostCallback) return false;
  return mHostCallback(&mAEffect, audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f) ==
         kVstProcessLevelOffline;
}

VstTimeInfo* IPlugVST::HostTimeInfo(VstIntPtr filter) {
  if (!mHostCallback) return nullptr;
  return reinterpret_cast<VstTimeInfo*>(mHostCallback(&mAEffect, audioMasterGetTime, 0, filter, nullptr, 0.0f));
}

double IPlugVST::GetSamplePos() {
  const VstTimeInfo* t = HostTimeInfo(0);
  // Rounded in double precision: a position past 2^31 samples (13.5 hours at 44.1 kHz)
  // does not fit an int.
  if (t && t->samplePos >= 0.0) return std::floor(t->samplePos + 0.5);
  return 0.0;
}

double IPlugVST::GetTempo() {
  const VstTimeInfo* t = HostTimeInfo(kVstTempoValid);
  if (t && (t->flags & kVstTempoValid) && t->tempo >= 0.0) return t->tempo;
  return 0.0;
}

void IPlugVST::GetTimeSig(int* pNum, int* pDenom) {
  int num = 0, denom = 0;
  const VstTimeInfo* t = HostTimeInfo(kVstTimeSigValid);
  if (t && (t->flags & kVstTimeSigValid) && t->timeSigNumerator >= 0 && t->timeSigDenominator >= 0) {
    num = t->timeSigNumerator;
    denom = t->timeSigDenominator;
  }
  if (pNum) *pNum = num;
  if (pDenom) *pDenom = denom;
}

void IPlugVST::GetTime(ITimeInfo* pTimeInfo) {
  if (!pTimeInfo) return;
  const VstTimeInfo* t = HostTimeInfo(kTimeInfoRequest);
  if (!t || !(t->flags & kTimeInfoRequest)) return;

  pTimeInfo->mSamplePos = t->samplePos;
  if ((t->flags & kVstPpqPosValid) && t->ppqPos >= 0.0) pTimeInfo->mPPQPos = t->ppqPos;
  if ((t->flags & kVstTempoValid) && t->tempo > 0.0) pTimeInfo->mTempo = t->tempo;
  if ((t->flags & kVstBarsValid) && t->barStartPos >= 0.0) pTimeInfo->mLastBar = t->barStartPos;
  if ((t->flags & kVstCyclePosValid) && t->cycleStartPos >= 0.0 && t->cycleEndPos >= 0.0) {
    pTimeInfo->mCycleStart = t->cycleStartPos;
    pTimeInfo->mCycleEnd = t->cycleEndPos;
  }
  if ((t->flags & kVstTimeSigValid) && t->timeSigNumerator > 0 && t->timeSigDenominator > 0) {
    pTimeInfo->mNumerator = t->timeSigNumerator;
    pTimeInfo->mDenominator = t->timeSigDenominator;
  }
  pTimeInfo->mTransportIsRunning = (t->flags & kVstTransportPlaying) != 0;
  pTimeInfo->mTransportLoopEnabled = (t->flags & kVstTransportCycleActive) != 0;
}

void IPlugVST::SetLatency(int samples) {
  IPlugBase::SetLatency(samples > 0 ? samples : 0);
  InformHostOfLatencyChange();
}

void IPlugVST::InformHostOfLatencyChange() {
  {
    WDL_MutexLock lock(&mMutex);
    const int latency = GetLatency();
    mAEffect.initialDelay = latency > 0 ? latency : 0;
  }
  if (mHostCallback) mHostCallback(&mAEffect, audioMasterIOChanged, 0, 0, nullptr, 0.0f);
}

void IPlugVST::ResizeGraphics(int /*w*/, int /*h*/, int keepControls) {
  IPlugEditor* pEditor = GetEditor();
  if (!pEditor) return;
  SetEditRectFromGraphics(pEditor);
  if (mHostCallback)
    mHostCallback(&mAEffect, audioMasterSizeWindow, pEditor->Width(), pEditor->Height(), nullptr, 0.0f);
  OnWindowResize(keepControls);
}

// ---- Outgoing events --------------------------------------------------------------------

bool IPlugVST::SendVSTEvent(VstEvent* pEvent) {
  if (!mHostCallback || !pEvent) return false;
  VstEvents events;
  memset(&events, 0, sizeof(events));
  events.numEvents = 1;
  events.events[0] = pEvent;
  return mHostCallback(&mAEffect, audioMasterProcessEvents, 0, 0, &events, 0.0f) == 1;
}

bool IPlugVST::SendMidiMsg(IMidiMsg* pMsg) {
  if (!pMsg) return false;
  VstMidiEvent midiEvent;
  memset(&midiEvent, 0, sizeof(midiEvent));
  midiEvent.type = kVstMidiType;
  midiEvent.byteSize = sizeof(VstMidiEvent);
  midiEvent.deltaFrames = pMsg->mOffset;
  midiEvent.midiData[0] = static_cast<char>(pMsg->mStatus);
  midiEvent.midiData[1] = static_cast<char>(pMsg->mData1);
  midiEvent.midiData[2] = static_cast<char>(pMsg->mData2);
  return SendVSTEvent(reinterpret_cast<VstEvent*>(&midiEvent));
}

bool IPlugVST::SendSysEx(ISysEx* pSysEx) {
  if (!pSysEx) return false;
  VstMidiSysexEvent sysexEvent;
  memset(&sysexEvent, 0, sizeof(sysexEvent));
  sysexEvent.type = kVstSysExType;
  sysexEvent.byteSize = sizeof(VstMidiSysexEvent);
  sysexEvent.deltaFrames = pSysEx->mOffset;
  sysexEvent.dumpBytes = pSysEx->mSize;
  // The host reads the caller's bytes during the call; nothing is copied.
  sysexEvent.sysexDump = reinterpret_cast<char*>(const_cast<uint8_t*>(pSysEx->mData));
  return SendVSTEvent(reinterpret_cast<VstEvent*>(&sysexEvent));
}
