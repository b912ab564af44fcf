// A small VST 2 host for tests and benchmarks: loads a plug-in's shared object with
// dlopen, creates instances through its entry point, answers the host callback with
// replies a test can set, and records every call the plug-in makes back.
//
// Nothing here depends on a test framework, so benchmarks use it too.
#ifndef TESTS_VST_TEST_HOST_H_
#define TESTS_VST_TEST_HOST_H_

#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "aeffectx.h"

namespace vsthost {

// One call the plug-in made to the host.
struct HostCall {
  VstInt32 opcode;
  VstInt32 index;
  VstIntPtr value;
  float opt;
};

// One event the plug-in sent (audioMasterProcessEvents), copied out of the call.
struct SentEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  unsigned char midiData[4];
  VstInt32 dumpBytes;
  const char* sysexDump;
};

// The host side of one plug-in instance. The instance finds it through AEffect::user,
// which the VST 2 interface leaves to the host.
class TestHost {
 public:
  TestHost() { memset(&mTimeInfo, 0, sizeof(mTimeInfo)); }

  // ---- Replies ----------------------------------------------------------------------
  bool mAnswerTime = false;  // reply to audioMasterGetTime with mTimeInfo (else null)
  VstTimeInfo mTimeInfo;
  VstIntPtr mLastTimeFilter = -1;  // the value the plug-in passed with its last GetTime
  std::string mProductString;     // audioMasterGetProductString
  VstIntPtr mVendorVersion = 0;    // audioMasterGetVendorVersion
  VstIntPtr mProcessLevel = kVstProcessLevelRealtime;
  VstIntPtr mProcessEventsAnswer = 1;

  // ---- What the plug-in did -----------------------------------------------------------
  std::vector<HostCall> mCalls;
  std::vector<SentEvent> mSentEvents;
  bool mRecord = true;  // benchmarks switch recording off

  int Count(VstInt32 opcode) const {
    int n = 0;
    for (const HostCall& c : mCalls) n += c.opcode == opcode ? 1 : 0;
    return n;
  }
  const HostCall* Last(VstInt32 opcode) const {
    for (auto it = mCalls.rbegin(); it != mCalls.rend(); ++it)
      if (it->opcode == opcode) return &*it;
    return nullptr;
  }
  void Forget() {
    mCalls.clear();
    mSentEvents.clear();
  }

  static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt) {
    if (opcode == audioMasterVersion) return kVstVersion;
    TestHost* host = effect ? static_cast<TestHost*>(effect->user) : nullptr;
    if (!host) return 0;
    return host->Answer(opcode, index, value, ptr, opt);
  }

 private:
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (mRecord) mCalls.push_back(HostCall{opcode, index, value, opt});
    switch (opcode) {
      case audioMasterGetTime:
        mLastTimeFilter = value;
        return mAnswerTime ? reinterpret_cast<VstIntPtr>(&mTimeInfo) : 0;
      case audioMasterGetProductString:
        if (ptr) {
          strncpy(static_cast<char*>(ptr), mProductString.c_str(), kVstMaxProductStrLen - 1);
          static_cast<char*>(ptr)[kVstMaxProductStrLen - 1] = 0;
        }
        return mProductString.empty() ? 0 : 1;
      case audioMasterGetVendorVersion:
        return mVendorVersion;
      case audioMasterGetCurrentProcessLevel:
        return mProcessLevel;
      case audioMasterProcessEvents: {
        const VstEvents* events = static_cast<const VstEvents*>(ptr);
        for (int i = 0; events && i < events->numEvents; ++i) {
          const VstEvent* e = events->events[i];
          if (!e) continue;
          SentEvent s{};
          s.type = e->type;
          s.byteSize = e->byteSize;
          s.deltaFrames = e->deltaFrames;
          if (e->type == kVstMidiType) {
            memcpy(s.midiData, reinterpret_cast<const VstMidiEvent*>(e)->midiData, 4);
          } else if (e->type == kVstSysExType) {
            s.dumpBytes = reinterpret_cast<const VstMidiSysexEvent*>(e)->dumpBytes;
            s.sysexDump = reinterpret_cast<const VstMidiSysexEvent*>(e)->sysexDump;
          }
          mSentEvents.push_back(s);
        }
        return mProcessEventsAnswer;
      }
      default:
        return 0;
    }
  }
};

// A plug-in's shared object, loaded for the lifetime of this object.
class Library {
 public:
  explicit Library(const std::string& path) {
    mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!mHandle) {
      const char* err = dlerror();
      mError = err ? err : "dlopen failed";
      return;
    }
    mMain = reinterpret_cast<VstPluginMainProc>(dlsym(mHandle, "VSTPluginMain"));
    mLegacyMain = reinterpret_cast<VstPluginMainProc>(dlsym(mHandle, "main"));
    if (!mMain) mMain = mLegacyMain;
    if (!mMain) mError = "no VST 2 entry point";
  }
  ~Library() {
    if (mHandle) dlclose(mHandle);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Ok() const { return mHandle && mMain; }
  const std::string& Error() const { return mError; }
  VstPluginMainProc Main() const { return mMain; }
  VstPluginMainProc LegacyMain() const { return mLegacyMain; }

 private:
  void* mHandle = nullptr;
  VstPluginMainProc mMain = nullptr;
  VstPluginMainProc mLegacyMain = nullptr;
  std::string mError;
};

// One instance as a host holds it: created through an entry point, closed on
// destruction unless Close() ran already.
class Plugin {
 public:
  explicit Plugin(VstPluginMainProc entry) {
    if (!entry) return;
    mEffect = entry(TestHost::Callback);
    if (mEffect) mEffect->user = &mHost;
  }
  ~Plugin() { Close(); }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  bool Ok() const { return mEffect && mEffect->magic == kEffectMagic; }
  AEffect* Effect() const { return mEffect; }
  TestHost& Host() { return mHost; }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }

  // effOpen, sample rate, block size, then resume: what hosts do before the first block.
  void Start(float sampleRate, int blockSize) {
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    Dispatch(effSetBlockSize, 0, blockSize);
    Dispatch(effMainsChanged, 0, 1);
  }

  // A text opcode's answer, read from a buffer pre-filled with a marker so that a test
  // can tell how many bytes were written (WrittenBytes).
  std::string Text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, float opt = 0.0f) {
    memset(mTextBuf, kMarker, sizeof(mTextBuf));
    mLastTextAnswer = Dispatch(opcode, index, value, mTextBuf, opt);
    mTextBuf[sizeof(mTextBuf) - 1] = 0;
    if (WrittenBytes() == 0) return std::string();
    return std::string(mTextBuf, strnlen(mTextBuf, sizeof(mTextBuf)));
  }
  VstIntPtr LastTextAnswer() const { return mLastTextAnswer; }
  // Bytes of the last Text() buffer that no longer hold the marker.
  int WrittenBytes() const {
    int last = -1;
    for (int i = 0; i < static_cast<int>(sizeof(mTextBuf)) - 1; ++i)
      if (mTextBuf[i] != kMarker) last = i;
    return last + 1;
  }

  // The program (index 1) or bank (index 0) chunk, copied out.
  std::vector<unsigned char> GetChunk(int index) {
    void* data = nullptr;
    const VstIntPtr n = Dispatch(effGetChunk, index, 0, &data);
    if (n <= 0 || !data) return {};
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + n);
  }
  VstIntPtr SetChunk(int index, const std::vector<unsigned char>& bytes) {
    return Dispatch(effSetChunk, index, static_cast<VstIntPtr>(bytes.size()),
                    const_cast<unsigned char*>(bytes.data()));
  }

  void Close() {
    if (!mEffect) return;
    mEffect->dispatcher(mEffect, effClose, 0, 0, nullptr, 0.0f);
    mEffect = nullptr;
  }

 private:
  static constexpr char kMarker = '\x7f';
  TestHost mHost;
  AEffect* mEffect = nullptr;
  char mTextBuf[512];
  VstIntPtr mLastTextAnswer = 0;
};

// Stereo buffers of one precision, laid out as a host lays them out.
template <class T>
struct StereoBuffers {
  explicit StereoBuffers(int frames) : in(2, std::vector<T>(frames)), out(2, std::vector<T>(frames)) {
    for (int c = 0; c < 2; ++c) {
      inPtr[c] = in[c].data();
      outPtr[c] = out[c].data();
    }
  }
  std::vector<std::vector<T>> in, out;
  T* inPtr[2];
  T* outPtr[2];
};

}  // namespace vsthost

#endif  // TESTS_VST_TEST_HOST_H_
