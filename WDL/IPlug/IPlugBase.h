// IPlugBase: the host-independent base object of a plug-in. It holds the plug-in's
// identity, parameters, preset slots, channel configurations, the per-channel buffers
// through which audio enters and leaves, and one recursive mutex; it turns the host
// adapter's buffer hand-over into one double-precision ProcessDoubleReplacing per
// block. A host adapter derives from it and supplies the host-facing operations.
//
// Thread tags on the operations a plug-in or adapter overrides: [audio-thread] the
// host's processing thread; [main-thread] the thread of the host's dispatcher and
// editor calls; [editor] the editor's own thread (timer, drawing, mouse and keys);
// [idle-thread] the editor's idle thread; [any-thread] any of these. "mutex held":
// the caller holds the instance mutex (recursive, so taking it again is safe);
// "mutex free": it does not.
#ifndef IPLUG_IPLUGBASE_H_
#define IPLUG_IPLUGBASE_H_

#include <cstdarg>
#include <cstdint>

#include "ByteChunk.h"
#include "Hosts.h"
#include "IParam.h"
#include "IPlugEditor.h"
#include "IPlugStructs.h"
#include "IPreset.h"
#include "NChanDelayLine.h"
#include "SharedValue.h"
#include "heapbuf.h"
#include "mutex.h"
#include "ptrlist.h"
#include "wdlstring.h"

class IGraphics;

// The host interface an instance serves.
enum EAPI { kAPIVST2 = 0, kAPIVST3 = 1, kAPIAU = 2, kAPIRTAS = 3, kAPIAAX = 4, kAPISA = 5 };

// ---- Version numbers -------------------------------------------------------------
// One 32-bit integer: major in bits 16 and up, minor in bits 8-15, patch in bits 0-7.

// Bytes a version text needs at most, with its NUL ("v65535.255.255").
#define MAX_VERSION_STR_LEN 16

// Splits a version into its three numbers (any pointer may be null).
void GetVersionParts(int version, int* pMajor, int* pMinor, int* pPatch);
// major * 1000 + minor * 100 + patch.
int GetDecimalVersion(int version);
// Writes "v%d.%d.%d" into str, which holds MAX_VERSION_STR_LEN bytes. Null is ignored.
void GetVersionStr(int version, char* str);

// The framework header that marks state chunks written by this framework.
#define IPLUG_CHUNK_MAGIC 1885759092  // bytes "tffp" in file order
#define IPLUG_CHUNK_VERSION 0x010000  // 1.0.0

class IPlugBase {
 public:
  // One accepted channel configuration.
  struct IOConfig {
    int mNIn, mNOut;
  };

  // Where the plug-in reads one input channel from: the host's buffer while the
  // channel is connected, else (and for single-precision hosts) the scratch buffer.
  struct InChannel {
    bool mConnected = false;
    double** mSrc = nullptr;  // this channel's slot in the input pointer array
    WDL_TypedBuf<double> mScratchBuf{4096};
    WDL_String mLabel;
  };

  // Where the plug-in writes one output channel to; mFDest is the host's buffer when
  // the host works in single precision (the samples are converted after processing).
  struct OutChannel {
    bool mConnected = false;
    double** mDest = nullptr;  // this channel's slot in the output pointer array
    float* mFDest = nullptr;
    WDL_TypedBuf<double> mScratchBuf;
    WDL_String mLabel;
  };

  // nParams empty parameters, the channel configurations of channelIOStr (tokens such
  // as "2-2" separated by single spaces), nPresets empty preset slots. Names longer
  // than 127 bytes are cut.
  IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
            const char* productName, const char* mfrName, int vendorVersion, int uniqueID, int mfrID,
            int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst, EAPI plugAPI);
  virtual ~IPlugBase();
  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // ---- Operations a plug-in or adapter specialises (in slot order) ----------------

  // [any-thread, mutex held] The sample rate, block size or activation changed (the
  // audio thread calls it when a block is longer than any before).
  virtual void Reset();
  // [any-thread, mutex held] A parameter's value changed, from any of the three roads
  // (host automation, the editor, a state restore).
  virtual void OnParamChange(int paramIdx);
  // [audio-thread, mutex held] Processes one block: no allocation, no blocking. Base:
  // copies input i to output i where both exist and writes zeros into the others.
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);

  // [main-thread, mutex held] The host opened / closed the editor's window.
  virtual void OnGUIOpen() {}
  virtual void OnGUIClose() {}
  // [main-thread, mutex held] The host's idle call (effIdle, effEditIdle).
  virtual void OnIdle() {}
  // [editor, mutex free] Once per editor redraw tick.
  virtual void OnGUIIdle() {}
  // [idle-thread, mutex free] Every 50 ms while an editor exists. Base: applies a
  // latency requested meanwhile (under the mutex, so never inside a block) and then
  // tells the host.
  virtual void OnPlugIdle();
  // [main-thread, mutex held] Processing was switched on or off.
  virtual void OnActivate(bool active);
  // [audio-thread, mutex held] Base: passes the message on with SendMidiMsg.
  virtual void ProcessMidiMsg(IMidiMsg* pMsg);
  // [audio-thread, mutex held]
  virtual void ProcessSysEx(ISysEx*) {}
  // [main-thread, mutex held] Base: writes the empty text (when name is not null) and
  // returns false.
  virtual bool MidiNoteName(int noteNumber, char* name);

  // ---- Display data: what the editor shows of the engine, for hosts that run the editor
  // apart from the engine (another instance, maybe another process). Base: none.
  // [any-thread] Values per display frame (0: the plug-in has no display data).
  virtual int DisplayDataSize() { return 0; }
  // [audio-thread, mutex held] After a processing call: the latest display frame, when
  // one arrived since the last call; 0 otherwise. *ppData stays valid until the next
  // processing call.
  virtual int TakeDisplayData(const float** /*ppData*/) { return 0; }
  // [editor, takes the mutex] A display frame the engine made elsewhere at sampleRate.
  // n may be anything; values beyond the plug-in's frame are ignored.
  virtual void ReceiveDisplayData(const float* /*pData*/, int /*n*/, double /*sampleRate*/) {}

  // [main-thread, mutex held] State of one program. Base: the parameter values
  // (SerializeParams / UnserializeParams). Returns false / -1 on failure.
  virtual bool SerializeState(ByteChunk* pChunk);
  virtual int UnserializeState(ByteChunk* pChunk, int startPos);
  virtual int UnserializeState_New(ByteChunk* pChunk, int startPos, bool presetParamsOnly);
  // [main-thread, mutex held] True when every parameter's value matches the 64-bit
  // floats at data[startIdx + i] within 1e-5 as 32-bit floats. data must hold that
  // many values; null gives false.
  virtual bool CompareState(const unsigned char* data, int startIdx);
  // [any-thread]
  virtual bool isPlugDoesChunks() { return false; }

  // [editor, mutex free] The editor was resized / rebuilt.
  virtual void OnWindowResize(int) {}
  virtual void OnWindowNewGraphics() {}
  // [main-thread, mutex held]
  virtual bool HostRequestingAboutBox() { return false; }
  // [main-thread, mutex held] The host is known (after effOpen).
  virtual void OnHostIdentified() {}
  // [editor, mutex free]
  virtual void PopupHostContextMenuForParam(int, int, int) {}
  // [any-thread]
  virtual double IGetGainReductionValueInDb() { return 0.0; }

  // [editor, takes the mutex] The editor changed a parameter: set it, tell the host,
  // then OnParamChange, all under the mutex. An index outside the list is ignored.
  virtual void SetParameterFromGUI(int paramIdx, double normalizedValue);
  // [editor, takes the mutex] As above with a plain value when normalized is false,
  // and without OnParamChange.
  virtual void SetParameterFromGUI1(int paramIdx, double value, bool normalized);

  // ---- Host services: the adapter implements these --------------------------------
  // [editor] A gesture on a control begins, moves a value, ends.
  virtual void BeginInformHostOfParamChange(int paramIdx) = 0;
  virtual void InformHostOfParamChange(int paramIdx, double normalizedValue) = 0;  // mutex held
  virtual void EndInformHostOfParamChange(int paramIdx) = 0;
  // [main-thread, mutex held]
  virtual void InformHostOfProgramChange() = 0;
  // [idle-thread, mutex free] Tells the host that the latency changed. Called without
  // the mutex held after a requested latency was applied, so a host that reacts by
  // stopping its audio cannot wait for a block that waits for us.
  virtual void InformHostOfLatencyChange() {}
  // [any-thread]
  virtual bool IsRenderingOffline() { return false; }
  // [audio-thread, mutex held] The host's transport, read while processing.
  virtual double GetSamplePos() = 0;  // samples since the start of the project
  virtual double GetTempo() = 0;      // beats per minute
  virtual void GetTimeSig(int* pNum, int* pDenom) = 0;
  virtual void GetTime(ITimeInfo* pTimeInfo) = 0;
  // [any-thread]
  virtual EHost GetHost() { return mHost; }
  virtual EAPI GetAPI() { return mAPI; }
  // [editor, mutex free] The editor changed size; the adapter tells the host.
  virtual void ResizeGraphics(int w, int h, int keep) = 0;
  // [main-thread, mutex held] Once, when the host opens the instance.
  virtual void HostSpecificInit() {}
  // Takes ownership of the editor and pushes every parameter into it. Null is ignored.
  // Defined in IGraphics.h: only a plug-in with an editor can attach one.
  void AttachGraphics(IGraphics* pGraphics);
  // [main-thread or idle-thread, never the audio thread] Stores the latency and
  // resizes (and clears) the bypass delay line to it, under the mutex; an older
  // request is dropped.
  virtual void SetLatency(int samples);
  // [audio-thread, mutex held]
  virtual bool SendMidiMsg(IMidiMsg* pMsg) = 0;
  virtual bool SendSysEx(ISysEx*) { return false; }

  // ---- Preset makers (each takes the first empty slot; nothing when none) ----------
  // [constructor] A plug-in makes its presets while it is built.
  // One value per parameter, in index order: an int for boolean, integer and
  // enumerated parameters, a double for every other kind.
  virtual void MakePreset(const char* name, ...);
  // nNamed pairs (int index, value typed as for MakePreset); unnamed parameters keep
  // their current value. Pairs with an index outside the list are skipped.
  virtual void MakePresetFromNamedParams(const char* name, int nNamed, ...);
  // Every parameter's default value.
  virtual void MakePresetFromDefaultParam(const char* name);
  // The same as MakePresetFromNamedParams, into a given slot / preset object.
  virtual void InitPresetFromNamedParams(int presetIdx, const char* name, int nNamed, ...);
  virtual void InitPresetFromNamedParams1(IPreset* pPreset, const char* name, int nNamed, ...);
  virtual void InitPresetFromDefaultParam(IPreset* pPreset, const char* name);

  // [any-thread, mutex held] Hands every parameter's plain value to the editor, if
  // there is one.
  virtual void RedrawParamControls();
  // [main-thread, mutex held]
  virtual void DirtyPTCompareState() {}
  virtual void PresetsChangedByHost() {}
  // [any-thread, mutex held] Resizes every scratch buffer to blockSize frames of zeros
  // (nothing when unchanged).
  virtual void SetBlockSize(int blockSize);

  // ---- Identity and accessors ---------------------------------------------------------
  const char* GetEffectName() const { return mEffectName; }
  const char* GetProductName() const { return mProductName; }
  const char* GetMfrName() const { return mMfrName; }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  bool DoesMIDI() const { return mDoesMIDI; }
  bool DoesStateChunks() const { return mStateChunks; }
  bool IsInst() const { return mIsInst; }

  double GetSampleRate() const { return mSampleRate; }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  int GetLatency() const { return mLatency; }
  // Latency that the next OnPlugIdle applies (for plug-ins whose latency changes
  // while audio runs, where the host must not be told from the audio thread).
  void RequestLatency(int samples) { mLatencyRequested = samples; }
  bool GetBypassed() const { return mIsBypassed; }
  void SetBypassed(bool bypassed) { mIsBypassed = bypassed; }

  int NParams() const { return mParams.GetSize(); }
  // The parameter at paramIdx, or null outside the list.
  IParam* GetParam(int paramIdx) const { return mParams.Get(paramIdx); }
  IGraphics* GetGUI() const { return mGraphics; }
  // The same editor as the core and the bindings see it; null without one.
  IPlugEditor* GetEditor() const { return mGraphics ? mEditor : nullptr; }
  // The instance lock (recursive). The editor takes it around changes to its control
  // list, so a host thread moving controls never walks a list being rebuilt.
  WDL_Mutex* GetMutex() { return &mMutex; }

  // ---- Host identity and versions -------------------------------------------------------
  // Identifies the host from its product text and stores it with its version.
  void SetHost(const char* host, int version);
  // The host's version (raw or decimal) / its text (MAX_VERSION_STR_LEN bytes).
  int GetHostVersion(bool decimal);
  void GetHostVersionStr(char* str);
  int GetEffectVersion(bool decimal);
  void GetEffectVersionStr(char* str);
  // "VST2", "VST3", "AU", "RTAS", "AAX", "App", or the empty text.
  const char* GetAPIString();
  const char* GetArchString() { return "x64"; }
  // Samples per beat at the host's tempo; 0 when the tempo is not positive.
  double GetSamplesPerBeat();

  // ---- Channels and buffers -----------------------------------------------------------
  int NIOConfigs() const { return mIOConfigs.GetSize(); }
  // The configuration at idx, or null.
  const IOConfig* GetIOConfig(int idx) const { return mIOConfigs.Get(idx); }
  // True when some configuration accepts nIn inputs and nOut outputs; a negative
  // count matches anything.
  bool LegalIO(int nIn, int nOut);
  void LimitToStereoIO();

  int NInChannels() const { return mInChannels.GetSize(); }
  int NOutChannels() const { return mOutChannels.GetSize(); }
  // Connects or disconnects channels idx .. idx + n - 1 (cut at the channel count);
  // a disconnected channel reads (or writes) its zero-filled scratch buffer.
  void SetInputChannelConnections(int idx, int n, bool connected);
  void SetOutputChannelConnections(int idx, int n, bool connected);
  bool IsInChannelConnected(int chIdx) const;
  bool IsOutChannelConnected(int chIdx) const;
  // Writes block-size zeros into every scratch buffer.
  void ZeroScratchBuffers();

  // Hands the host's buffers over: one pointer per connected channel, in channel
  // order. The single-precision forms go through the scratch buffers, so they handle
  // at most block-size frames (the adapter enlarges the block size first); frames
  // beyond it are not converted.
  void AttachInputBuffers(int idx, int n, double** ppData);
  void AttachInputBuffers(int idx, int n, float** ppData, int nFrames);
  void AttachOutputBuffers(int idx, int n, double** ppData);
  void AttachOutputBuffers(int idx, int n, float** ppData);

  // Runs one block through the plug-in. Where scratch buffers are read or written, at
  // most block-size frames are processed, so no buffer is overrun.
  void ProcessBuffers(double, int nFrames);
  void ProcessBuffers(float, int nFrames);
  // Adds the output to what the host's single-precision buffers hold.
  void ProcessBuffersAccumulating(float, int nFrames);
  // Bypass: the input, delayed by the latency when a delay line exists.
  void PassThroughBuffers(double, int nFrames);
  void PassThroughBuffers(float, int nFrames);

  // Channel and bus labels. Channel indices outside the lists are ignored; input bus
  // labels accept indices 0 and 1, output bus labels any index from 0.
  void SetInputLabel(int idx, const char* label);
  void SetOutputLabel(int idx, const char* label);
  void SetInputBusLabel(int idx, const char* label);
  void SetOutputBusLabel(int idx, const char* label);
  // A channel's label, or the empty text.
  const char* GetInputLabel(int idx) const;
  const char* GetOutputLabel(int idx) const;
  const WDL_String* GetInputBusLabel(int idx) const { return mInputBusLabels.Get(idx); }
  const WDL_String* GetOutputBusLabel(int idx) const { return mOutputBusLabels.Get(idx); }

  // ---- Parameters -------------------------------------------------------------------------
  // OnParamChange for every parameter, in index order (no lock of its own).
  void OnParamReset();
  // Tells the host every parameter's normalised value, under the mutex.
  void DirtyParameters();
  // Sends every message; true only when every send succeeded.
  bool SendMidiMsgs(WDL_TypedBuf<IMidiMsg>* pMsgs);

  // ---- State chunks (untrusted input: every read is bounds-checked) -----------------------
  // Appends one 64-bit float per parameter. Under the mutex.
  bool SerializeParams(ByteChunk* pChunk);
  // Reads one 64-bit float per parameter at startPos, each clamped into its range,
  // then calls OnParamChange for all. Returns the position after the state, or -1
  // when the state is cut short: then no value is changed. Under the mutex.
  int UnserializeParams(ByteChunk* pChunk, int startPos, bool presetParamsOnly = false);
  // Appends every preset slot (name, initialised byte, state).
  bool SerializePresets(ByteChunk* pChunk);
  // Reads every preset slot and restores the current preset. Returns the position
  // after the bank, or -1 for a bank that is cut short or corrupt: then the slots and
  // the parameter values are put back as they were before the call.
  int UnserializePresets(ByteChunk* pChunk, int startPos);
  // Empties the chunk and writes the framework header.
  static void InitChunkWithIPlugVer(ByteChunk* pChunk);
  // The framework version of a header at *pPos, advancing *pPos past it; 0 (and *pPos
  // unchanged) when there is none; 0 and *pPos = -1 when the header is cut short.
  static int GetIPlugVerFromChunk(ByteChunk* pChunk, int* pPos);

  // ---- Presets ---------------------------------------------------------------------------
  int NPresets() const { return mPresets.GetSize(); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  // The slot at idx, or null.
  IPreset* GetPreset(int idx) const { return mPresets.Get(idx); }
  // A copy of a chunk into the first empty slot.
  void MakePresetFromChunk(const char* name, ByteChunk* pChunk);
  // size bytes, zero-filled, receiving the Base64 decoding of base64 (standard
  // alphabet; decoding stops at the first other character or when the bytes are
  // full). A negative size is ignored.
  void MakePresetFromBlob(const char* name, const char* base64, int size);
  // count times: the current state into the first empty slot, named name ("Empty"
  // when null).
  void MakeDefaultPreset(const char* name = nullptr, int count = 1);
  // The current state into every empty slot, named "Empty".
  void EnsureDefaultPreset();
  void PruneUninitializedPresets();
  IPreset* GetNextUninitializedPreset();
  // Restores a slot; an empty slot takes the current state and a "user preset" name.
  bool RestorePreset(int idx, bool presetParamsOnly = false);
  // Restores the first slot named exactly name; false for a missing or empty name.
  bool RestorePreset(const char* name);
  // The slot's name, or the empty text for an index out of range.
  const char* GetPresetName(int idx) const;
  // Rewrites the current / a given slot with the current state and, when name is not
  // empty, renames it. An invalid index does nothing.
  void ModifyCurrentPreset(const char* name = nullptr);
  void ModifyPreset(int idx, const char* name = nullptr);

  // ---- Preset files (untrusted input: every read is bounds-checked) ----------------------
  // The preset XML file at path1 + path2 + path3: maker, plug-in and version texts, the
  // preset's name and each parameter's name and plain value. presetParamsOnly leaves
  // out (or, when reading, skips) parameters whose preset flag is clear.
  // Saving with an empty presetName takes the current preset's name. False when the
  // file could not be written; a file that stood there is then left as it was.
  virtual bool SavePresetXML(WDL_String mfrName, WDL_String plugName, WDL_String version, WDL_String path1,
                             WDL_String path2, WDL_String path3, WDL_String presetName,
                             bool presetParamsOnly);
  // Applies a file made for this maker and plug-in name: each value clamped into its
  // parameter (the last one of that name), without OnParamChange. False, with nothing
  // changed, for a file that is missing, not XML, too large, of another plug-in or
  // without the expected elements; false after the values before it were applied when
  // a child of "Parameter" is not a "Param".
  virtual bool LoadPresetXML(WDL_String mfrName, WDL_String plugName, WDL_String version, WDL_String path1,
                             WDL_String path2, WDL_String path3, WDL_String* pPresetName,
                             bool presetParamsOnly);
  // Fills pPreset from such a file: the defaults, overridden by the file's values as
  // they stand (unclamped). Same checks as LoadPresetXML.
  virtual bool CreatePresetXML(WDL_String mfrName, WDL_String plugName, WDL_String version, IPreset* pPreset,
                               WDL_String path1, WDL_String path2, WDL_String path3, bool presetParamsOnly);
  // The two readers for a file's text already in memory (NUL-terminated).
  bool LoadPresetXMLText(const char* mfrName, const char* plugName, const char* text, WDL_String* pPresetName,
                         bool presetParamsOnly);
  bool CreatePresetXMLText(const char* mfrName, const char* plugName, IPreset* pPreset, const char* text,
                           bool presetParamsOnly);

  // VST 2 program files (fxp): parameter values (FxCk), or the state chunk (FPCh) when
  // the plug-in does chunks. Fields are big-endian; the name keeps 27 characters.
  bool SaveProgramAsFXP(WDL_String* pPath);
  bool SaveProgramAsFXPName(WDL_String* pPath, const char* name);
  // The file's bytes as SaveProgramAsFXPName writes them (pOut is emptied first).
  bool MakeProgramFXP(const char* name, ByteChunk* pOut);
  // Loads a program file into the parameters and the current preset; notifyOnly (for
  // value files) only calls OnParamChange and tells the host. False, with nothing
  // changed, for a file that is not a program file of this plug-in (magic, kind,
  // format version, unique ID, parameter count) or whose state the plug-in refuses.
  // Parameters beyond a value file's data keep their values.
  bool LoadProgramFromFXP(WDL_String* pPath, bool notifyOnly);
  bool LoadProgramFromFXPData(const unsigned char* data, int size, bool notifyOnly);
  // Adds a program file as a new preset named after the file, leaving the parameters
  // as they were.
  bool LoadProgramFromFXPtoPreset(WDL_String* pPath);
  bool LoadProgramFromFXPDataToPreset(const unsigned char* data, int size, const char* name);
  // Banks are not kept in files: both answer false.
  bool SaveBankAsFXB(WDL_String*) { return false; }
  bool LoadBankFromFXB(WDL_String*) { return false; }
  // The preset name a program file's path gives: its last part without the extension.
  static void PresetNameFromPath(const char* path, WDL_String* pName);

  // ---- Source dumps: preset code to paste into a plug-in's constructor ---------------------
  // A MakePresetFromNamedParams call with every parameter, one identifier per parameter
  // from paramEnumNames (its index when the list or the entry is missing).
  bool DumpPresetSrcCode(const char* path, const char** paramEnumNames);
  // MakePresetFromBlob calls with the Base64 text of the current preset's / of every
  // slot's chunk, whatever its length.
  bool DumpPresetBlob(const char* path);
  bool DumpBankBlob(const char* path);

 protected:
  // While set, UnserializeParams does not call OnParamChange.
  void HoldParamNotifications(bool hold) { mHoldParamNotifications = hold; }
  // Creates the bypass delay line for the given channel counts, sized to the latency
  // (replacing any earlier one).
  void CreateDelayLine(int nInputChans, int nOutputChans);
  NChanDelayLine* GetDelayLine() const { return mDelay; }
  // [constructor, takes the mutex] AttachGraphics: pGraphics and pEditor are one
  // object, seen as the plug-in sees it and as the core does. A binding extends this to
  // tell its host about the editor.
  virtual void AdoptEditor(IGraphics* pGraphics, IPlugEditor* pEditor);
  // Applies the requested latency under the mutex; true when it changed.
  bool ApplyRequestedLatency();

  void SetHostFields(EHost host, int version) {
    mHost = host;
    mHostVersion = version;
  }

  bool mHoldParamNotifications = false;
  WDL_PtrList<IOConfig> mIOConfigs;
  WDL_Mutex mMutex;
  char mEffectName[MAX_EFFECT_NAME_LEN];
  char mProductName[MAX_EFFECT_NAME_LEN];
  char mMfrName[MAX_EFFECT_NAME_LEN];
  int mUniqueID;
  int mMfrID;
  int mVersion;
  EAPI mAPI;
  EHost mHost = kHostUninit;
  int mHostVersion = 0;
  bool mStateChunks;
  bool mIsInst;
  bool mDoesMIDI;
  bool mIsBypassed = false;
  int mCurrentPresetIdx = 0;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  // Read by any thread; changed only under the mutex.
  SharedValue<int> mLatency;
  NChanDelayLine* mDelay = nullptr;
  // The editor the base owns. A subclass that deletes it early sets this to null.
  IGraphics* mGraphics = nullptr;
  WDL_PtrList<IParam> mParams;
  WDL_PtrList<IPreset> mPresets;
  WDL_TypedBuf<double*> mInData;
  WDL_TypedBuf<double*> mOutData;
  // Channel pointers for bypass with latency on in-place buffers (inputs, then outputs),
  // sized with the channels so that the audio path never allocates them.
  WDL_TypedBuf<double*> mBypassData;
  WDL_PtrList<InChannel> mInChannels;
  WDL_PtrList<OutChannel> mOutChannels;
  WDL_PtrList<WDL_String> mInputBusLabels;
  WDL_PtrList<WDL_String> mOutputBusLabels;
  // Set by RequestLatency from any thread (the audio thread among them).
  SharedValue<int> mLatencyRequested = 0;

 private:
  // mGraphics as the interface the core calls; valid while mGraphics is set.
  IPlugEditor* mEditor = nullptr;
  // Channels idx .. idx + n - 1 cut to 0 .. count - 1, as begin and end indices.
  static void CutChannelRange(int idx, int n, int count, int* pBegin, int* pEnd);
  void ParseChannelIOStr(const char* channelIOStr, int* pMaxNIn, int* pMaxNOut);
  // Frames that may be processed without overrunning a scratch buffer.
  int SafeFrameCount(int nFrames) const;
  // True when an output buffer is also one of the inputs the delay line reads.
  bool DelayInputsAliasOutputs() const;
  void ConvertOutputsToFloat(int nFrames, bool accumulate);
  // Fills one slot's chunk with a program state built from values.
  void WritePresetValues(IPreset* pPreset, const char* name, const double* values);
  void InitPresetFromNamedParamList(IPreset* pPreset, const char* name, int nNamed, va_list args);
  void ReadPresetValueList(double* values, va_list args);
};

// Writes "user preset N" into out (MAX_PRESET_NAME_LEN bytes), N being one more than
// the number of slots whose name contains "user preset". Null out is ignored.
void MakeDefaultUserPresetName(WDL_PtrList<IPreset>* pPresets, char* out);

#endif  // IPLUG_IPLUGBASE_H_
