// IPlugBase: construction and teardown, identity and versions, channel configuration
// and connections, labels, the parameter roads from the editor, and the editor hand-over.
// The audio path lives in IPlugBase_process.cpp, state in IPlugBase_state.cpp and the
// preset slots in IPlugBase_presets.cpp.
#include "IPlugBase.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Log.h"

// ---- Versions ---------------------------------------------------------------------------

void GetVersionParts(int version, int* pMajor, int* pMinor, int* pPatch) {
  // Unsigned, so that a negative version cannot give a negative major number.
  const uint32_t v = static_cast<uint32_t>(version);
  if (pMajor) *pMajor = static_cast<int>(v >> 16);
  if (pMinor) *pMinor = static_cast<int>((v >> 8) & 0xFF);
  if (pPatch) *pPatch = static_cast<int>(v & 0xFF);
}

int GetDecimalVersion(int version) {
  int major, minor, patch;
  GetVersionParts(version, &major, &minor, &patch);
  return major * 1000 + minor * 100 + patch;
}

void GetVersionStr(int version, char* str) {
  if (!str) return;
  int major, minor, patch;
  GetVersionParts(version, &major, &minor, &patch);
  snprintf(str, MAX_VERSION_STR_LEN, "v%d.%d.%d", major, minor, patch);
}

// ---- Construction -------------------------------------------------------------------------

IPlugBase::IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
                     const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
                     int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                     EAPI plugAPI)
    : mUniqueID(uniqueID),
      mMfrID(mfrID),
      mVersion(vendorVersion),
      mAPI(plugAPI),
      mStateChunks(plugDoesChunks),
      mIsInst(plugIsInst),
      mDoesMIDI(plugDoesMidi),
      mLatency(latency),
      // Idle would otherwise reset the constructor's latency to 0.
      mLatencyRequested(latency) {
  Trace(TRACELOC, "%s:%s", effectName ? effectName : "", CurrentTime());
  mHoldParamNotifications = false;

  for (int i = 0; i < nParams; ++i) mParams.Add(new IParam());
  for (int i = 0; i < nPresets; ++i) mPresets.Add(new IPreset(i));

  CopyTextTruncated(mEffectName, effectName, MAX_EFFECT_NAME_LEN);
  CopyTextTruncated(mProductName, productName, MAX_EFFECT_NAME_LEN);
  CopyTextTruncated(mMfrName, mfrName, MAX_EFFECT_NAME_LEN);

  int nInputs = 0, nOutputs = 0;
  ParseChannelIOStr(channelIOStr, &nInputs, &nOutputs);

  // The pointer arrays never move after this: each channel keeps the address of its slot.
  if (!mInData.Resize(nInputs)) nInputs = 0;
  if (!mOutData.Resize(nOutputs)) nOutputs = 0;
  if (!mBypassData.Resize(nInputs + nOutputs)) nInputs = nOutputs = 0;
  for (int i = 0; i < nInputs; ++i) {
    InChannel* ch = new InChannel;
    ch->mSrc = mInData.Get() + i;
    *ch->mSrc = ch->mScratchBuf.Get();
    mInChannels.Add(ch);
  }
  for (int i = 0; i < nOutputs; ++i) {
    OutChannel* ch = new OutChannel;
    ch->mDest = mOutData.Get() + i;
    *ch->mDest = ch->mScratchBuf.Get();
    mOutChannels.Add(ch);
  }
}

IPlugBase::~IPlugBase() {
  if (mGraphics) delete mEditor;
  mGraphics = nullptr;
  mEditor = nullptr;
  mParams.Empty(true);
  mPresets.Empty(true);
  mInChannels.Empty(true);
  mOutChannels.Empty(true);
  mIOConfigs.Empty(true);
  mInputBusLabels.Empty(true);
  mOutputBusLabels.Empty(true);
  delete mDelay;
  mDelay = nullptr;
  mInData.Free();
  mOutData.Free();
  mBypassData.Free();
}

// Tokens "in-out" separated by single spaces; an unreadable number counts as 0.
void IPlugBase::ParseChannelIOStr(const char* channelIOStr, int* pMaxNIn, int* pMaxNOut) {
  *pMaxNIn = *pMaxNOut = 0;
  const char* token = channelIOStr;
  while (token && *token) {
    int nIn = 0, nOut = 0;
    sscanf(token, "%d-%d", &nIn, &nOut);
    IOConfig* config = new IOConfig{nIn, nOut};
    if (!mIOConfigs.Add(config)) {
      delete config;
      break;
    }
    if (nIn > *pMaxNIn) *pMaxNIn = nIn;
    if (nOut > *pMaxNOut) *pMaxNOut = nOut;
    token = strchr(token, ' ');
    if (token) ++token;
  }
}

// ---- Operations a plug-in specialises ----------------------------------------------------------

void IPlugBase::Reset() {
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::OnParamChange(int) {
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::OnActivate(bool) {
  WDL_MutexLock lock(&mMutex);
}

void IPlugBase::OnPlugIdle() {
  if (ApplyRequestedLatency()) InformHostOfLatencyChange();
}

// The request stays as it is: one made while this runs is applied next time.
bool IPlugBase::ApplyRequestedLatency() {
  WDL_MutexLock lock(&mMutex);
  const int requested = mLatencyRequested;
  if (mLatency == requested) return false;
  mLatency = requested;
  if (mDelay) mDelay->SetDelay(requested > 0 ? requested : 0);
  return true;
}

void IPlugBase::ProcessMidiMsg(IMidiMsg* pMsg) {
  SendMidiMsg(pMsg);
}

bool IPlugBase::MidiNoteName(int, char* name) {
  if (name) name[0] = 0;
  return false;
}

// ---- Identity -------------------------------------------------------------------------------

void IPlugBase::SetHost(const char* host, int version) {
  mHost = LookUpHost(host);
  mHostVersion = version;
  char versionStr[MAX_VERSION_STR_LEN];
  GetVersionStr(version, versionStr);
  Trace(TRACELOC, "host_%sknown:%s:%s", mHost == kHostUnknown ? "un" : "", host ? host : "", versionStr);
}

int IPlugBase::GetHostVersion(bool decimal) {
  GetHost();
  return decimal ? GetDecimalVersion(mHostVersion) : mHostVersion;
}

void IPlugBase::GetHostVersionStr(char* str) {
  GetHost();
  GetVersionStr(mHostVersion, str);
}

int IPlugBase::GetEffectVersion(bool decimal) {
  return decimal ? GetDecimalVersion(mVersion) : mVersion;
}

void IPlugBase::GetEffectVersionStr(char* str) {
  GetVersionStr(mVersion, str);
}

const char* IPlugBase::GetAPIString() {
  switch (GetAPI()) {
    case kAPIVST2: return "VST2";
    case kAPIVST3: return "VST3";
    case kAPIAU: return "AU";
    case kAPIRTAS: return "RTAS";
    case kAPIAAX: return "AAX";
    case kAPISA: return "App";
  }
  return "";
}

double IPlugBase::GetSamplesPerBeat() {
  const double tempo = GetTempo();
  // Written so that a NaN tempo also gives 0.
  if (!(tempo > 0.0)) return 0.0;
  return mSampleRate * 60.0 / tempo;
}

// ---- Channel configuration and connections -----------------------------------------------------

bool IPlugBase::LegalIO(int nIn, int nOut) {
  bool legal = false;
  for (int i = 0; i < mIOConfigs.GetSize() && !legal; ++i) {
    const IOConfig* c = mIOConfigs.Get(i);
    legal = (nIn < 0 || nIn == c->mNIn) && (nOut < 0 || nOut == c->mNOut);
  }
  Trace(TRACELOC, "%d:%d:%s", nIn, nOut, legal ? "legal" : "illegal");
  return legal;
}

void IPlugBase::LimitToStereoIO() {
  const int nIn = NInChannels(), nOut = NOutChannels();
  if (nIn > 2) SetInputChannelConnections(2, nIn - 2, false);
  if (nOut > 2) SetOutputChannelConnections(2, nOut - 2, true);
}

void IPlugBase::CutChannelRange(int idx, int n, int count, int* pBegin, int* pEnd) {
  int64_t begin = idx, end = static_cast<int64_t>(idx) + n;
  if (begin < 0) begin = 0;
  if (end > count) end = count;
  *pBegin = static_cast<int>(begin);
  *pEnd = static_cast<int>(end > begin ? end : begin);
}

void IPlugBase::SetInputChannelConnections(int idx, int n, bool connected) {
  int begin, end;
  CutChannelRange(idx, n, NInChannels(), &begin, &end);
  for (int i = begin; i < end; ++i) {
    InChannel* ch = mInChannels.Get(i);
    ch->mConnected = connected;
    if (!connected) *ch->mSrc = ch->mScratchBuf.Get();
  }
}

void IPlugBase::SetOutputChannelConnections(int idx, int n, bool connected) {
  int begin, end;
  CutChannelRange(idx, n, NOutChannels(), &begin, &end);
  for (int i = begin; i < end; ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    ch->mConnected = connected;
    if (!connected) *ch->mDest = ch->mScratchBuf.Get();
  }
}

bool IPlugBase::IsInChannelConnected(int chIdx) const {
  const InChannel* ch = mInChannels.Get(chIdx);
  return ch && ch->mConnected;
}

bool IPlugBase::IsOutChannelConnected(int chIdx) const {
  const OutChannel* ch = mOutChannels.Get(chIdx);
  return ch && ch->mConnected;
}

// ---- Labels -----------------------------------------------------------------------------------

void IPlugBase::SetInputLabel(int idx, const char* label) {
  if (InChannel* ch = mInChannels.Get(idx)) ch->mLabel.Set(label ? label : "");
}

void IPlugBase::SetOutputLabel(int idx, const char* label) {
  if (OutChannel* ch = mOutChannels.Get(idx)) ch->mLabel.Set(label ? label : "");
}

const char* IPlugBase::GetInputLabel(int idx) const {
  const InChannel* ch = mInChannels.Get(idx);
  return ch ? ch->mLabel.Get() : "";
}

const char* IPlugBase::GetOutputLabel(int idx) const {
  const OutChannel* ch = mOutChannels.Get(idx);
  return ch ? ch->mLabel.Get() : "";
}

// Replaces the label at idx (inserted at the end when idx is past it).
static void ReplaceBusLabel(WDL_PtrList<WDL_String>* labels, int idx, const char* label) {
  WDL_String* copy = new WDL_String;
  copy->Set(label ? label : "");
  labels->Delete(idx, true);
  labels->Insert(idx, copy);
}

void IPlugBase::SetInputBusLabel(int idx, const char* label) {
  if (idx < 0 || idx > 1) return;
  ReplaceBusLabel(&mInputBusLabels, idx, label);
}

void IPlugBase::SetOutputBusLabel(int idx, const char* label) {
  if (idx < 0) return;
  ReplaceBusLabel(&mOutputBusLabels, idx, label);
}

// ---- Parameter roads --------------------------------------------------------------------------

void IPlugBase::SetParameterFromGUI(int paramIdx, double normalizedValue) {
  Trace(TRACELOC, "%d:%f", paramIdx, normalizedValue);
  WDL_MutexLock lock(&mMutex);
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  param->SetNormalized(normalizedValue);
  // A user's change reaches the host inside a begin/end pair (see IEditGestures).
  if (!mGraphics || mEditor->TouchEditGesture(paramIdx)) InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx);
}

void IPlugBase::SetParameterFromGUI1(int paramIdx, double value, bool normalized) {
  IParam* param = GetParam(paramIdx);
  if (param && !normalized) value = param->GetNormalized(value);
  Trace(TRACELOC, "%d:%f", paramIdx, value);
  WDL_MutexLock lock(&mMutex);
  if (!param) return;
  param->SetNormalized(value);
  if (!mGraphics || mEditor->TouchEditGesture(paramIdx)) InformHostOfParamChange(paramIdx, value);
}

void IPlugBase::OnParamReset() {
  for (int i = 0; i < NParams(); ++i) OnParamChange(i);
}

void IPlugBase::DirtyParameters() {
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NParams(); ++i) InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

bool IPlugBase::SendMidiMsgs(WDL_TypedBuf<IMidiMsg>* pMsgs) {
  if (!pMsgs) return true;
  bool allSent = true;
  IMidiMsg* msgs = pMsgs->Get();
  for (int i = 0; i < pMsgs->GetSize(); ++i) allSent &= SendMidiMsg(msgs + i);
  return allSent;
}

// ---- Editor --------------------------------------------------------------------------------------

void IPlugBase::AdoptEditor(IGraphics* pGraphics, IPlugEditor* pEditor) {
  if (!pGraphics || !pEditor) return;
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NParams(); ++i) pEditor->SetParameterFromPlug(i, GetParam(i)->GetNormalized(), true);
  pEditor->PrepDraw();
  // A second editor replaces the first, which the base owns and so must free.
  if (IPlugEditor* pOld = GetEditor(); pOld && pOld != pEditor) delete pOld;
  mGraphics = pGraphics;
  mEditor = pEditor;
}

void IPlugBase::RedrawParamControls() {
  IPlugEditor* pEditor = GetEditor();
  if (!pEditor) return;
  for (int i = 0; i < NParams(); ++i) pEditor->SetParameterFromPlug(i, GetParam(i)->Value(), false);
}

// ---- Latency ----------------------------------------------------------------------------------

void IPlugBase::SetLatency(int samples) {
  // The audio path reads the delay line under the mutex for the whole block.
  WDL_MutexLock lock(&mMutex);
  mLatency = samples;
  // Idle applies the request whenever it differs, so it must follow a direct change.
  mLatencyRequested = samples;
  if (mDelay) mDelay->SetDelay(samples > 0 ? samples : 0);
}

void IPlugBase::CreateDelayLine(int nInputChans, int nOutputChans) {
  // The line indexes the channel pointer arrays, so it never spans more channels than exist.
  if (nInputChans > NInChannels()) nInputChans = NInChannels();
  if (nOutputChans > NOutChannels()) nOutputChans = NOutChannels();
  delete mDelay;
  mDelay = new NChanDelayLine(nInputChans, nOutputChans);
  const int latency = mLatency;
  mDelay->SetDelay(latency > 0 ? latency : 0);
}
