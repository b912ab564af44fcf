// IPlugVST: the VST 2.4 face of a plug-in. Owns the AEffect record the host talks
// through, answers the host's dispatcher opcodes, runs the processing and parameter
// callbacks, and implements the base's calls back to the host.
//
// A plug-in class derives from IPlugVST and passes its identity to the constructor;
// the entry point (IPlug_include_in_plug_src.h) creates it and hands the AEffect to
// the host.
#ifndef IPLUG_IPLUGVST_H_
#define IPLUG_IPLUGVST_H_

#include "ByteChunk.h"
#include "IPlugBase.h"
#include "IPlugVST_editor_picture.h"
#include "aeffectx.h"
#include "heapbuf.h"

// What the entry point knows when it creates an instance.
struct IPlugInstanceInfo {
  audioMasterCallback mVSTHostCallback;
};

// Speaker-arrangement type for a channel count: 0 empty, 1 mono, 2 stereo, else
// user-defined.
int VSTSpkrArrType(int nchan);

class IPlugVST : public IPlugBase {
 public:
  IPlugVST(IPlugInstanceInfo instanceInfo, int nHostParams, int nParams, const char* channelIOStr,
           int nPresets, const char* effectName, const char* productName, const char* mfrName,
           int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
           bool plugDoesChunks, bool plugIsInst, int plugScChans);
  ~IPlugVST() override;

  // ---- Host services (calls back to the host) --------------------------------------
  void BeginInformHostOfParamChange(int idx) override;
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  void EndInformHostOfParamChange(int idx) override;
  void InformHostOfProgramChange() override;
  // Sets the AEffect's initialDelay and sends audioMasterIOChanged.
  void InformHostOfLatencyChange() override;
  // True when the host says it renders offline.
  bool IsRenderingOffline() override;
  // The host's sample position rounded to the nearest integer; 0 when the host gives
  // no transport or a negative position.
  double GetSamplePos() override;
  // Beats per minute; 0 when the host gives none (or there is no host callback).
  double GetTempo() override;
  // Time signature; 0/0 when the host gives none.
  void GetTimeSig(int* pNum, int* pDenom) override;
  // Overwrites only the fields the host vouches for; leaves *pTimeInfo untouched when
  // the host gives no transport. A null pointer is ignored.
  void GetTime(ITimeInfo* pTimeInfo) override;
  // Identifies the host on first use (product string and version).
  EHost GetHost() override;
  void ResizeGraphics(int w, int h, int keepControls) override;
  void HostSpecificInit() override;
  // Negative latencies count as 0.
  void SetLatency(int samples) override;
  // True when the host accepted the event (answered 1).
  bool SendMidiMsg(IMidiMsg* pMsg) override;
  bool SendSysEx(ISysEx* pSysEx) override;
  bool SendVSTEvent(VstEvent* pEvent);

  audioMasterCallback GetHostCallback() const { return mHostCallback; }
  // The record the host talks through; lives as long as the instance.
  AEffect* GetAEffect() { return &mAEffect; }

  // ---- The callbacks stored in the AEffect ------------------------------------------
  static VstIntPtr VSTDispatcher(AEffect* pEffect, VstInt32 opCode, VstInt32 idx, VstIntPtr value,
                                 void* ptr, float opt);
  static void VSTProcess(AEffect* pEffect, float** inputs, float** outputs, VstInt32 nFrames);
  static void VSTProcessReplacing(AEffect* pEffect, float** inputs, float** outputs, VstInt32 nFrames);
  static void VSTProcessDoubleReplacing(AEffect* pEffect, double** inputs, double** outputs,
                                        VstInt32 nFrames);
  static float VSTGetParameter(AEffect* pEffect, VstInt32 idx);
  static void VSTSetParameter(AEffect* pEffect, VstInt32 idx, float value);

 protected:
  // Flags the editor in the AEffect and takes its size as the edit rectangle.
  void AdoptEditor(IGraphics* pGraphics, IPlugEditor* pEditor) override;

 private:
  // The instance behind an AEffect; null for a null record or a closed instance.
  static IPlugVST* FromEffect(AEffect* pEffect) {
    return pEffect ? static_cast<IPlugVST*>(pEffect->object) : nullptr;
  }
  // The edit rectangle as the editor's size: {0, 0, height, width}.
  void SetEditRectFromGraphics(const IPlugEditor* pEditor);

  // One dispatcher opcode, with the mutex held (effClose aside).
  VstIntPtr Dispatch(VstInt32 opCode, VstInt32 idx, VstIntPtr value, void* ptr, float opt);
  VstIntPtr GetChunk(VstInt32 idx, void* ptr);
  VstIntPtr SetChunk(VstInt32 idx, VstIntPtr size, const void* ptr);
  VstIntPtr ProcessEvents(const VstEvents* pEvents);
  VstIntPtr String2Parameter(int idx, const char* text);
  VstIntPtr GetPinProperties(int idx, VstPinProperties* pProps, bool isInput);
  VstIntPtr VendorSpecific(VstInt32 idx, VstIntPtr value, void* ptr, float opt);
  // kVSTVendorEditorDraw and kVSTVendorEditorPNG (IPlugVST_editor_picture.cpp).
  VstIntPtr EditorPicture(VstInt32 idx, VstIntPtr value, void* ptr);
  VstIntPtr CanDo(const char* text);
  void SetSpeakerArrangement(const VstSpeakerArrangement* pArr, bool isInput);
  bool IsHostParamIdx(int idx) const { return idx >= 0 && idx < mNHostParams; }

  // Processing shared by the three callbacks (mutex held). The replacing ones grow the
  // block size first; every path splits a block that still does not fit.
  template <class T>
  void ProcessBlock(T** inputs, T** outputs, int nFrames, bool replacing);
  template <class T>
  void ProcessPiece(T** inputs, T** outputs, int nFrames, bool replacing);
  template <class T>
  WDL_TypedBuf<T*>& PieceArrays();
  template <class T>
  bool HostBuffersUsable(T** inputs, T** outputs) const;
  template <class T>
  void SilenceHostOutputs(T** outputs, int nFrames) const;

  void AttachHostInputs(double** inputs, int /*nFrames*/) { AttachInputBuffers(0, NInChannels(), inputs); }
  void AttachHostInputs(float** inputs, int nFrames) { AttachInputBuffers(0, NInChannels(), inputs, nFrames); }

  // The host's transport, asking for the fields in filter; null when it gives none.
  VstTimeInfo* HostTimeInfo(VstIntPtr filter);

  ERect mEditRect;
  audioMasterCallback mHostCallback;
  VstSpeakerArrangement mInputSpkrArr;
  VstSpeakerArrangement mOutputSpkrArr;
  bool mHostSpecificInitDone;
  ByteChunk mState;      // program chunk handed to the host
  ByteChunk mBankState;  // bank chunk handed to the host
  int mNHostParams;
  AEffect mAEffect;

  // Channel-pointer arrays for splitting a block, sized at construction so that the
  // audio path never allocates for them.
  WDL_TypedBuf<float*> mPieceFloat;
  WDL_TypedBuf<double*> mPieceDouble;
};

#endif  // IPLUG_IPLUGVST_H_
