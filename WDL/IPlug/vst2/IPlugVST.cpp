// The VST 2.4 binding: construction of the AEffect, host set-up and the dispatcher.
// Processing and parameter callbacks are in IPlugVST_process.cpp, the calls back to the
// host in IPlugVST_host.cpp.
//
// Everything the host hands us (indices, pointers, sizes, texts) is checked before use:
// a bad request answers 0 and changes nothing. Texts copied into host buffers are cut to
// the sizes listed under "Host buffer sizes" below.
#include "IPlugVST.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Log.h"

namespace {

// ---- Host buffer sizes ------------------------------------------------------------------
// Bytes we write at most into a host's text buffer, terminating NUL included.
// - Effect name, vendor and product strings, program names, pin labels and MIDI key
//   names: the sizes the VST 2.4 interface fixes for them.
// - Parameter name, label and display text: the interface's nominal 8 bytes is ignored
//   by hosts and plug-ins alike ("Selection Start" needs 16); we write at most the
//   framework's own 32-byte field size, which every host we know of provides.
constexpr int kHostEffectNameSize = kVstMaxEffectNameLen;  // 32
constexpr int kHostVendorSize = kVstMaxVendorStrLen;       // 64
constexpr int kHostProductSize = kVstMaxProductStrLen;     // 64
constexpr int kHostProgramNameSize = kVstMaxProgNameLen;   // 24
constexpr int kHostPinLabelSize = kVstMaxLabelLen;         // 64
constexpr int kHostKeyNameSize = kVstMaxNameLen;           // 64
constexpr int kHostParamTextSize = 32;
// The host's product string, as we ask for it when identifying the host.
constexpr int kHostProductQuerySize = 256;

constexpr VstIntPtr kIdentifyAnswer = CCONST('N', 'v', 'E', 'f');
constexpr VstIntPtr kCockosExtensionsAnswer = static_cast<VstIntPtr>(0xBEEF0000u);
constexpr VstIntPtr kVendorSpecificHandled = 0xBEEF;
constexpr VstInt32 kVendorPreS = CCONST('P', 'r', 'e', 'S');
constexpr VstIntPtr kVendorGRdB = CCONST('G', 'R', 'd', 'B');
constexpr int kChunkVersionWithBank = 0x10000;
constexpr int kInitialBlockSize = 1024;

// Copies a text into a host buffer of size bytes, cut and always terminated.
void CopyToHost(void* ptr, const char* text, int size) {
  if (ptr) CopyTextTruncated(static_cast<char*>(ptr), text, size);
}

int16_t ClampTo16Bits(int v) {
  if (v > INT16_MAX) return INT16_MAX;
  if (v < INT16_MIN) return INT16_MIN;
  return static_cast<int16_t>(v);
}

}  // namespace

int VSTSpkrArrType(int nchan) {
  if (nchan == 0) return kSpeakerArrEmpty;
  if (nchan == 1) return kSpeakerArrMono;
  if (nchan == 2) return kSpeakerArrStereo;
  return kSpeakerArrUserDefined;
}

// ---- Construction -----------------------------------------------------------------------

IPlugVST::IPlugVST(IPlugInstanceInfo instanceInfo, int nHostParams, int nParams,
                   const char* channelIOStr, int nPresets, const char* effectName,
                   const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
                   int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                   int /*plugScChans*/)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPIVST2),
      mHostCallback(instanceInfo.mVSTHostCallback),
      mHostSpecificInitDone(false),
      // A host index must also be a valid parameter index, whatever the plug-in declared.
      mNHostParams(nHostParams < 0 ? 0 : (nHostParams > NParams() ? NParams() : nHostParams)) {
  Trace(TRACELOC, "%s", effectName ? effectName : "");

  memset(&mAEffect, 0, sizeof(mAEffect));
  mAEffect.magic = kEffectMagic;
  mAEffect.dispatcher = VSTDispatcher;
  mAEffect.process = VSTProcess;
  mAEffect.setParameter = VSTSetParameter;
  mAEffect.getParameter = VSTGetParameter;
  mAEffect.processReplacing = VSTProcessReplacing;
  mAEffect.processDoubleReplacing = VSTProcessDoubleReplacing;
  mAEffect.numPrograms = nPresets;
  mAEffect.numParams = mNHostParams;
  mAEffect.numInputs = NInChannels();
  mAEffect.numOutputs = NOutChannels();
  mAEffect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (plugDoesChunks) mAEffect.flags |= effFlagsProgramChunks;
  if (LegalIO(1, -1)) mAEffect.flags |= effFlagsCanMono;
  if (plugIsInst) mAEffect.flags |= effFlagsIsSynth;
  mAEffect.initialDelay = latency;
  mAEffect.ioRatio = 1.0f;
  mAEffect.object = this;
  mAEffect.uniqueID = uniqueID;
  mAEffect.version = GetEffectVersion(true);

  memset(&mEditRect, 0, sizeof(mEditRect));
  memset(&mInputSpkrArr, 0, sizeof(mInputSpkrArr));
  memset(&mOutputSpkrArr, 0, sizeof(mOutputSpkrArr));
  mInputSpkrArr.numChannels = NInChannels();
  mOutputSpkrArr.numChannels = NOutChannels();
  mInputSpkrArr.type = VSTSpkrArrType(NInChannels());
  mOutputSpkrArr.type = VSTSpkrArrType(NOutChannels());

  SetInputChannelConnections(0, NInChannels(), true);
  SetOutputChannelConnections(0, NOutChannels(), true);

  SetBlockSize(kInitialBlockSize);

  if (NInChannels() > 0) CreateDelayLine(NInChannels(), NOutChannels());

  mPieceFloat.Resize(NInChannels() + NOutChannels());
  mPieceDouble.Resize(NInChannels() + NOutChannels());
}

IPlugVST::~IPlugVST() {
  mState.Clear();
  mBankState.Clear();
}

// ---- Identity and set-up ------------------------------------------------------------------

EHost IPlugVST::GetHost() {
  EHost host = IPlugBase::GetHost();
  if (host != kHostUninit || !mHostCallback) return host;

  char productStr[kHostProductQuerySize];
  memset(productStr, 0, sizeof(productStr));
  mHostCallback(&mAEffect, audioMasterGetProductString, 0, 0, productStr, 0.0f);
  productStr[sizeof(productStr) - 1] = 0;  // a host that fills the buffer leaves no NUL

  int version = 0;
  if (productStr[0]) {
    const VstIntPtr decVer = mHostCallback(&mAEffect, audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f);
    // Decimal ABBCC (major, minor, patch) to the packed form; a nonsensical answer
    // (negative or beyond 32 bits) counts as unknown.
    if (decVer > 0 && decVer <= INT32_MAX) {
      const int64_t d = decVer;
      const int64_t packed = ((d / 10000) << 16) + (((d / 100) % 100) << 8) + (d % 100);
      version = packed <= INT32_MAX ? static_cast<int>(packed) : 0;
    }
  }
  SetHost(productStr, version);
  return IPlugBase::GetHost();
}

void IPlugVST::HostSpecificInit() {
  if (mHostSpecificInitDone) return;
  mHostSpecificInitDone = true;
  const EHost host = GetHost();
  switch (host) {
    case kHostForte:
    case kHostAudition:
    case kHostOrion:
    case kHostSAWStudio:
      LimitToStereoIO();
      break;
    default:
      break;
  }
  mInputSpkrArr.numChannels = mAEffect.numInputs = NInChannels();
  mOutputSpkrArr.numChannels = mAEffect.numOutputs = NOutChannels();
  OnHostIdentified();
}

void IPlugVST::AdoptEditor(IGraphics* pGraphics, IPlugEditor* pEditor) {
  if (!pGraphics || !pEditor) return;
  IPlugBase::AdoptEditor(pGraphics, pEditor);
  mAEffect.flags |= effFlagsHasEditor;
  SetEditRectFromGraphics(pEditor);
}

void IPlugVST::SetEditRectFromGraphics(const IPlugEditor* pEditor) {
  mEditRect.top = mEditRect.left = 0;
  mEditRect.bottom = ClampTo16Bits(pEditor->Height());
  mEditRect.right = ClampTo16Bits(pEditor->Width());
}

// ---- Dispatcher -------------------------------------------------------------------------

VstIntPtr IPlugVST::VSTDispatcher(AEffect* pEffect, VstInt32 opCode, VstInt32 idx, VstIntPtr value,
                                  void* ptr, float opt) {
  IPlugVST* _this = FromEffect(pEffect);
  if (!_this) return 0;

  _this->mMutex.Enter();
  if (opCode == effEditIdle || opCode == effIdle) {
    _this->OnIdle();
    _this->mMutex.Leave();
    // The editor's events and redraw run outside the mutex, so drawing never holds up
    // the audio thread; the editor takes the mutex itself where a gesture needs it.
    if (opCode == effEditIdle && _this->GetEditor()) _this->GetEditor()->OnEditorIdle();
    return 0;
  }
  Trace(TRACELOC, "%d(%s):%d:%d", opCode, VSTOpcodeStr(opCode), idx, static_cast<int>(value));

  if (opCode == effClose) {
    IPlugEditor* pEditor = _this->GetEditor();
    // A host may close the instance with the editor still open. The editor's own
    // threads tick, draw and call into the plug-in, so the window closes (joining
    // them) as effEditClose would, before any destructor runs. They only try-lock
    // the mutex, so this can wait for them while holding it.
    if (pEditor) {
      if (pEditor->WindowIsOpen()) _this->OnGUIClose();
      pEditor->CloseWindow();
    }
    // The mutex lives inside the instance: let go of it before the instance goes.
    _this->mMutex.Leave();
    // The editor's idle thread calls into the plug-in: it stops before the plug-in's
    // own destructor runs (and after the lock is free, which an idle call may take).
    if (pEditor) {
      // A gesture still open (the editor never closed) ends while the host binding
      // can still tell the host.
      pEditor->EndEditGestures();
      pEditor->StopIdleThread();
    }
    delete _this;
    return 0;
  }
  const VstIntPtr result = _this->Dispatch(opCode, idx, value, ptr, opt);
  _this->mMutex.Leave();
  return result;
}

VstIntPtr IPlugVST::Dispatch(VstInt32 opCode, VstInt32 idx, VstIntPtr value, void* ptr, float opt) {
  switch (opCode) {
    case effOpen:
      HostSpecificInit();
      OnParamReset();
      return 0;

    // ---- Programs
    case effSetProgram:
      if (!DoesStateChunks()) ModifyCurrentPreset(nullptr);
      // RestorePreset rejects indices outside the preset list; value is cut to int
      // only when it fits.
      if (value >= INT32_MIN && value <= INT32_MAX) RestorePreset(static_cast<int>(value), false);
      if (GetEditor()) GetEditor()->SetAllControlsDirty(false);
      return 0;
    case effGetProgram:
      return GetCurrentPresetIdx();
    case effSetProgramName:
      if (ptr) {
        // Bounded read of the host's text: the preset slot's own size.
        char name[MAX_PRESET_NAME_LEN];
        CopyTextTruncated(name, static_cast<const char*>(ptr), sizeof(name));
        ModifyCurrentPreset(name);
        PresetsChangedByHost();
      }
      return 0;
    case effGetProgramName:
      CopyToHost(ptr, GetPresetName(GetCurrentPresetIdx()), kHostProgramNameSize);
      return 0;
    case effGetProgramNameIndexed:
      if (!ptr) return 0;
      CopyToHost(ptr, GetPresetName(idx), kHostProgramNameSize);
      return static_cast<char*>(ptr)[0] ? 1 : 0;

    // ---- Parameter texts
    case effGetParamLabel:
      if (IsHostParamIdx(idx)) CopyToHost(ptr, GetParam(idx)->GetLabelForHost(), kHostParamTextSize);
      return 0;
    case effGetParamDisplay:
      if (IsHostParamIdx(idx) && ptr) {
        const IParam* param = GetParam(idx);
        param->GetDisplayForHostSized(param->Value(), false, static_cast<char*>(ptr), kHostParamTextSize);
      }
      return 0;
    case effGetParamName:
      if (IsHostParamIdx(idx)) CopyToHost(ptr, GetParam(idx)->GetNameForHost(), kHostParamTextSize);
      return 0;
    case effCanBeAutomated:
      return 1;
    case effString2Parameter:
      if (!IsHostParamIdx(idx)) return 0;
      return String2Parameter(idx, static_cast<const char*>(ptr));

    // ---- Configuration
    case effSetSampleRate:
      // A rate that is not a number or infinite would poison every derived quantity and
      // is ignored. Zero and negative rates are kept: the plug-in then finds nothing to
      // analyse until the host sends a real rate.
      if (!std::isfinite(opt)) return 0;
      SetSampleRate(static_cast<double>(opt));
      Reset();
      return 0;
    case effSetBlockSize:
      if (value < 1 || value > INT32_MAX) return 0;
      SetBlockSize(static_cast<int>(value));
      Reset();
      return 0;
    case effMainsChanged:
      OnActivate(value != 0);
      Reset();
      return 0;

    // ---- Editor
    case effEditGetRect:
      if (ptr && GetEditor()) {
        *static_cast<ERect**>(ptr) = &mEditRect;
        return 1;
      }
      return 0;
    case effEditOpen:
      if (GetEditor() && GetEditor()->OpenWindow(ptr)) {
        OnGUIOpen();
        return 1;
      }
      return 0;
    case effEditClose:
      if (GetEditor()) {
        OnGUIClose();
        GetEditor()->CloseWindow();
        // No event comes any more: a drag or wheel run in progress ends here.
        GetEditor()->EndEditGestures();
        return 1;
      }
      return 0;
    case effEditKeyDown:
    case effEditKeyUp:
      // 1 only for keys the editor took; the host keeps the others.
      return GetEditor() && GetEditor()->OnHostKey(idx, static_cast<int>(value), static_cast<int>(opt),
                                                    opCode == effEditKeyDown)
                 ? 1
                 : 0;

    // ---- Identity
    case effIdentify:
      return kIdentifyAnswer;
    case effGetPlugCategory:
      return IsInst() ? kPlugCategSynth : kPlugCategEffect;
    case effGetEffectName:
      if (!ptr) return 0;
      CopyToHost(ptr, GetEffectName(), kHostEffectNameSize);
      return 1;
    case effGetVendorString:
      if (!ptr) return 0;
      CopyToHost(ptr, GetMfrName(), kHostVendorSize);
      return 1;
    case effGetProductString:
      if (!ptr) return 0;
      CopyToHost(ptr, GetProductName(), kHostProductSize);
      return 1;
    case effGetVendorVersion:
      return GetEffectVersion(true);
    case effGetVstVersion:
      return kVstVersion;
    case effCanDo:
      return CanDo(static_cast<const char*>(ptr));
    case effVendorSpecific:
      return VendorSpecific(idx, value, ptr, opt);

    // ---- State
    case effGetChunk:
      return GetChunk(idx, ptr);
    case effSetChunk:
      return SetChunk(idx, value, ptr);

    // ---- Events, pins, speakers, bypass
    case effProcessEvents:
      return ProcessEvents(static_cast<const VstEvents*>(ptr));
    case effGetInputProperties:
      return GetPinProperties(idx, static_cast<VstPinProperties*>(ptr), true);
    case effGetOutputProperties:
      return GetPinProperties(idx, static_cast<VstPinProperties*>(ptr), false);
    case effSetSpeakerArrangement:
      SetSpeakerArrangement(reinterpret_cast<const VstSpeakerArrangement*>(value), true);
      SetSpeakerArrangement(static_cast<const VstSpeakerArrangement*>(ptr), false);
      return 1;
    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputSpkrArr;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &mOutputSpkrArr;
      return 1;
    case effSetBypass:
      SetBypassed(value != 0);
      return 1;
    case effGetMidiKeyName: {
      if (!ptr) return 0;
      MidiKeyName* keyName = static_cast<MidiKeyName*>(ptr);
      // The plug-in writes into a roomy scratch text; the host gets at most the
      // interface's key-name size.
      char name[MAX_PRESET_NAME_LEN];
      name[0] = 0;
      keyName->keyName[0] = 0;
      if (!MidiNoteName(keyName->thisKeyNumber, name)) return 0;
      CopyTextTruncated(keyName->keyName, name, kHostKeyNameSize);
      return 1;
    }

    default:
      return 0;
  }
}

VstIntPtr IPlugVST::String2Parameter(int idx, const char* text) {
  if (!text) return 1;
  IParam* param = GetParam(idx);
  double v;
  if (param->GetNDisplayTexts()) {
    // A parameter with fixed texts takes only those texts, even when it is continuous.
    int mapped = 0;
    if (!param->MapDisplayText(text, &mapped)) return 0;
    v = mapped;
  } else {
    v = atof(text);
  }
  // "nan" has no place in any range; it would be stored as it is.
  if (std::isnan(v)) return 0;
  if (GetEditor()) GetEditor()->SetParameterFromPlug(idx, v, false);
  const double lo = param->GetMin(), hi = param->GetMax();
  param->Set(lo > v ? lo : (hi < v ? hi : v));
  OnParamChange(idx);
  return 1;
}

VstIntPtr IPlugVST::GetPinProperties(int idx, VstPinProperties* pProps, bool isInput) {
  const int n = isInput ? NInChannels() : NOutChannels();
  if (!pProps || idx < 0 || idx >= n) return 0;
  pProps->flags = kVstPinIsActive;
  if (idx % 2 == 0 && idx < n - 1) pProps->flags |= kVstPinIsStereo;
  const char* label = isInput ? GetInputLabel(idx) : GetOutputLabel(idx);
  if (label && label[0]) {
    CopyTextTruncated(pProps->label, label, kHostPinLabelSize);
  } else {
    snprintf(pProps->label, kHostPinLabelSize, isInput ? "Input %d" : "Output %d", idx + 1);
  }
  return 1;
}

void IPlugVST::SetSpeakerArrangement(const VstSpeakerArrangement* pArr, bool isInput) {
  if (!pArr) return;
  const int n = isInput ? NInChannels() : NOutChannels();
  // A count outside 0..n would address channels that do not exist.
  int k = pArr->numChannels;
  if (k < 0) k = 0;
  if (k > n) k = n;
  if (isInput) {
    SetInputChannelConnections(0, k, true);
    SetInputChannelConnections(k, n - k, false);
  } else {
    SetOutputChannelConnections(0, k, true);
    SetOutputChannelConnections(k, n - k, false);
  }
}

VstIntPtr IPlugVST::ProcessEvents(const VstEvents* pEvents) {
  if (!pEvents) return 0;
  for (int i = 0; i < pEvents->numEvents; ++i) {
    const VstEvent* pEvent = pEvents->events[i];
    if (!pEvent) continue;
    if (pEvent->type == kVstSysExType) {
      const VstMidiSysexEvent* pSE = reinterpret_cast<const VstMidiSysexEvent*>(pEvent);
      // A dump that claims bytes it does not point at is dropped.
      if (pSE->dumpBytes < 0 || (pSE->dumpBytes > 0 && !pSE->sysexDump)) continue;
      ISysEx sysEx(pSE->deltaFrames, reinterpret_cast<const uint8_t*>(pSE->sysexDump), pSE->dumpBytes);
      ProcessSysEx(&sysEx);
    } else if (pEvent->type == kVstMidiType) {
      const VstMidiEvent* pME = reinterpret_cast<const VstMidiEvent*>(pEvent);
      IMidiMsg msg(pME->deltaFrames, static_cast<uint8_t>(pME->midiData[0]),
                   static_cast<uint8_t>(pME->midiData[1]), static_cast<uint8_t>(pME->midiData[2]));
      ProcessMidiMsg(&msg);
    }
  }
  return 1;
}

VstIntPtr IPlugVST::VendorSpecific(VstInt32 idx, VstIntPtr value, void* ptr, float opt) {
  if (idx == kVSTVendorEditorDraw || idx == kVSTVendorEditorPNG) return EditorPicture(idx, value, ptr);
  const bool valueIsParam = value >= 0 && value < mNHostParams;
  if (idx == 7 && ptr) {
    // The text for a normalised value the host is about to set.
    if (valueIsParam) {
      GetParam(static_cast<int>(value))
          ->GetDisplayForHostSized(static_cast<double>(opt), true, static_cast<char*>(ptr), kHostParamTextSize);
    }
    return kVendorSpecificHandled;
  }
  if (idx == 8 && valueIsParam && GetParam(static_cast<int>(value))->Type() != kTypeDouble) {
    return kVendorSpecificHandled;  // a stepped parameter
  }
  if (idx == kVendorPreS && value == kVendorGRdB) {
    if (!ptr) return 0;
    *static_cast<float*>(ptr) = GetBypassed() ? 0.0f : static_cast<float>(IGetGainReductionValueInDb());
    return 1;
  }
  return 0;
}

VstIntPtr IPlugVST::CanDo(const char* text) {
  if (!text) return 0;
  Trace("VSTDispatcher", __LINE__, "VSTCanDo(%s)", text);
  if (!strcmp(text, "receiveVstTimeInfo")) return 1;
  if (DoesMIDI() && (!strcmp(text, "sendVstEvents") || !strcmp(text, "sendVstMidiEvent") ||
                     !strcmp(text, "receiveVstEvents") || !strcmp(text, "receiveVstMidiEvent"))) {
    return 1;
  }
  if (!strcmp(text, "hasCockosExtensions") || !strcmp(text, "hasCockosViewAsConfig")) {
    return kCockosExtensionsAnswer;
  }
  if (!strcmp(text, "supportsGainReductionInfo") || !strcmp(text, "bypass")) return 1;
  return 0;
}

// ---- State chunks -------------------------------------------------------------------------

VstIntPtr IPlugVST::GetChunk(VstInt32 idx, void* ptr) {
  if (!ptr) return 0;
  const bool isBank = idx == 0;
  ByteChunk* pChunk = isBank ? &mBankState : &mState;
  InitChunkWithIPlugVer(pChunk);
  bool ok;
  if (isBank) {
    ModifyCurrentPreset(nullptr);
    ok = SerializePresets(pChunk);
  } else {
    ok = SerializeState(pChunk);
  }
  if (!ok || pChunk->Size() <= 0) return 0;
  *static_cast<void**>(ptr) = pChunk->GetBytes();
  return pChunk->Size();
}

VstIntPtr IPlugVST::SetChunk(VstInt32 idx, VstIntPtr size, const void* ptr) {
  // No data, no size, or more than a chunk can hold: refused without touching state.
  if (!ptr || size <= 0 || size > INT32_MAX) return 0;
  const bool isBank = idx == 0;
  ByteChunk* pChunk = isBank ? &mBankState : &mState;
  const int n = static_cast<int>(size);
  const unsigned char* src = static_cast<const unsigned char*>(ptr);
  const unsigned char* own = pChunk->GetBytes();
  if (own && src >= own && src < own + pChunk->Size()) {
    // The host handed back the buffer we lent it: its true size is known, and the
    // bytes must be moved, not copied over themselves.
    const int available = static_cast<int>(own + pChunk->Size() - src);
    if (n > available) return 0;
    memmove(pChunk->GetBytes(), src, static_cast<size_t>(n));
    pChunk->Resize(n);
  } else {
    if (pChunk->Resize(n) != n) return 0;
    memcpy(pChunk->GetBytes(), src, static_cast<size_t>(n));
  }

  int pos = 0;
  const int version = GetIPlugVerFromChunk(pChunk, &pos);
  if (!isBank || version < kChunkVersionWithBank) {
    pos = UnserializeState(pChunk, pos);
    ModifyCurrentPreset(nullptr);
  } else {
    pos = UnserializePresets(pChunk, pos);
  }
  if (pos < 0) return 0;
  RedrawParamControls();
  return 1;
}
