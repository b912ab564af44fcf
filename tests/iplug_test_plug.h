// A small plug-in over IPlugBase for the framework tests: it answers the host services
// with fixed values and records what the base calls (parameter changes in order,
// host notifications with the begin/end of each gesture, processing calls, idle
// calls), and a headless editor that records the values the base pushes into it.
#ifndef TESTS_IPLUG_TEST_PLUG_H_
#define TESTS_IPLUG_TEST_PLUG_H_

#include <atomic>
#include <utility>
#include <vector>

#include "IGraphicsHeadless.h"
#include "IPlugBase.h"
#include "mutex_probe.h"

// The bytes a chunk holds.
inline std::vector<unsigned char> ChunkBytes(const ByteChunk& chunk) {
  return std::vector<unsigned char>(chunk.GetBytes(), chunk.GetBytes() + chunk.Size());
}

// Every parameter's plain value, in order.
inline std::vector<double> ParamValues(const IPlugBase& plug) {
  std::vector<double> v;
  for (int i = 0; i < plug.NParams(); ++i) v.push_back(plug.GetParam(i)->Value());
  return v;
}

class TestPlug : public IPlugBase {
 public:
  static constexpr int kVersion = 65539;

  static constexpr int kUniqueID = 0x54737431;

  explicit TestPlug(int nParams = 5, const char* channelIO = "2-2", int nPresets = 1, int latency = 0,
                    bool doesChunks = false)
      : IPlugBase(nParams, channelIO, nPresets, "TestEffect", "TestProduct", "TestMaker", kVersion,
                  kUniqueID, 0x4d667231, latency, false, doesChunks, false, kAPIVST2) {}

  // Five parameters of every kind: continuous -60..6 dB, continuous 20..22050 Hz,
  // continuous 0..1, integer -10..10 and boolean.
  void InitFiveParams() {
    GetParam(0)->InitDouble("Threshold", -20.0, -60.0, 6.0, 0.1, "dB");
    GetParam(1)->InitDouble("Start", 1000.0, 20.0, 22050.0, 1.0, "Hz");
    GetParam(2)->InitDouble("Mix", 0.25, 0.0, 1.0, 0.01);
    GetParam(3)->InitInt("Steps", 3, -10, 10);
    GetParam(4)->InitBool("Switch", false);
  }

  // ---- What the base calls -------------------------------------------------------------
  void OnParamChange(int paramIdx) override {
    IPlugBase::OnParamChange(paramIdx);  // takes the mutex again: it is recursive
    paramChanges.push_back(paramIdx);
    if (checkMutexInParamChange) mutexFreeInParamChange.push_back(MutexIsFree(&mMutex));
  }
  void Reset() override {
    IPlugBase::Reset();
    ++resets;
  }
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override {
    ++processCalls;
    lastProcessFrames = nFrames;
    if (!scaleOutput) {
      IPlugBase::ProcessDoubleReplacing(inputs, outputs, nFrames);
      return;
    }
    // A processing that is easy to tell from a pass-through: the input times 2.
    for (int c = 0; c < NOutChannels(); ++c)
      for (int s = 0; s < nFrames; ++s) outputs[c][s] = c < NInChannels() ? 2.0 * inputs[c][s] : 0.0;
  }
  void PresetsChangedByHost() override { ++presetsChanged; }

  // ---- Host services ------------------------------------------------------------------
  void BeginInformHostOfParamChange(int paramIdx) override { edits.push_back({'B', paramIdx}); }
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override {
    hostInforms.emplace_back(paramIdx, normalizedValue);
    edits.push_back({'V', paramIdx});
    if (checkMutexInInform) mutexFreeInInform.push_back(MutexIsFree(&mMutex));
  }
  void EndInformHostOfParamChange(int paramIdx) override { edits.push_back({'E', paramIdx}); }
  void InformHostOfProgramChange() override { ++programChanges; }
  double GetSamplePos() override { return 0.0; }
  double GetTempo() override { return tempo; }
  void GetTimeSig(int* num, int* denom) override {
    if (num) *num = 4;
    if (denom) *denom = 4;
  }
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int w, int h, int keep) override { resizes.push_back({w, h, keep}); }
  void OnWindowNewGraphics() override { ++newGraphics; }
  // Runs on the editor's idle thread.
  void OnPlugIdle() override {
    ++idleCalls;
    if (!countIdleOnly) IPlugBase::OnPlugIdle();
  }
  void OnGUIIdle() override { ++guiIdleCalls; }
  bool SendMidiMsg(IMidiMsg* msg) override {
    sentMidi.push_back(msg ? msg->mStatus : 0);
    return !(msg && msg->mStatus == failMidiStatus);
  }

  // Reaching the protected parts.
  WDL_Mutex* Mutex() { return &mMutex; }
  void MakeDelayLine() { CreateDelayLine(NInChannels(), NOutChannels()); }
  NChanDelayLine* DelayLine() { return GetDelayLine(); }
  void Hold(bool hold) { HoldParamNotifications(hold); }

  std::vector<int> paramChanges;
  std::vector<std::pair<int, double>> hostInforms;
  // Begin-edit ('B'), value ('V') and end-edit ('E') notifications, in order.
  struct Edit {
    char kind;
    int paramIdx;
    bool operator==(const Edit& o) const { return kind == o.kind && paramIdx == o.paramIdx; }
  };
  std::vector<Edit> edits;
  struct Resize {
    int w, h, keep;
  };
  std::vector<Resize> resizes;
  int newGraphics = 0, guiIdleCalls = 0;
  std::atomic<int> idleCalls{0};
  // Editor tests with a running idle thread count its calls without the base's
  // latency work (the test thread does not touch latency then either).
  std::atomic<bool> countIdleOnly{false};
  std::vector<int> sentMidi;
  bool checkMutexInParamChange = false, checkMutexInInform = false;
  std::vector<bool> mutexFreeInParamChange, mutexFreeInInform;
  bool scaleOutput = false;
  int processCalls = 0, lastProcessFrames = -1, resets = 0, presetsChanged = 0, programChanges = 0;
  int failMidiStatus = -1;
  double tempo = 120.0;
};

// An editor that records every value the base pushes, whether the plug-in mutex was
// held at the time, and its own destruction (it has no plug-in of its own).
class RecordingGraphics : public IGraphicsHeadless {
 public:
  struct Push {
    int paramIdx;
    double value;
    bool normalized;
  };

  explicit RecordingGraphics(WDL_Mutex* plugMutex, bool* destroyed = nullptr)
      : IGraphicsHeadless(nullptr, 0, 0), mPlugMutex(plugMutex), mDestroyed(destroyed) {}
  ~RecordingGraphics() override {
    if (mDestroyed) *mDestroyed = true;
  }

  void SetParameterFromPlug(int paramIdx, double value, bool normalized) override {
    pushes.push_back({paramIdx, value, normalized});
    mutexFreeDuringPush.push_back(MutexIsFree(mPlugMutex));
  }
  void PrepDraw() override { ++prepDraws; }

  std::vector<Push> pushes;
  std::vector<bool> mutexFreeDuringPush;
  int prepDraws = 0;

 private:
  WDL_Mutex* mPlugMutex;
  bool* mDestroyed;
};

#endif  // TESTS_IPLUG_TEST_PLUG_H_
