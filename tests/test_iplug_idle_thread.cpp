// The editor's idle thread against the rest of a VST 2 instance: a latency that the
// audio thread requests is applied under the instance mutex while blocks run, and the
// host hears of it with the mutex free; an idle call that stops its own thread, or
// replaces the editor that runs it, leaves no thread running in freed memory. The
// races show under ThreadSanitizer and AddressSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "IGraphicsHeadless.h"
#include "IPlugVST.h"
#include "host_process_counts.h"
#include "vst_test_host.h"

namespace {

// What the next instance's idle calls do.
enum class IdleAct { kNothing, kStopOwnThread, kReplaceEditor };
std::atomic<IdleAct> gIdleAct{IdleAct::kNothing};
std::atomic<int> gIdleActs{0};
// How long an idle call that acted waits before it returns.
std::atomic<int> gLingerMs{0};

constexpr int kLatencies[] = {64, 300, 1000};

class IdlePlug : public IPlugVST {
 public:
  explicit IdlePlug(IPlugInstanceInfo info)
      : IPlugVST(info, 1, 1, "2-2", 1, "IdlePlug", "TestProduct", "TestMaker", 0x00010000, 0x49646c50,
                 0x54734d6b, 0, false, false, false, 0) {
    GetParam(0)->InitDouble("Gain", 0.0, -60.0, 6.0, 0.1, "dB");
    AttachGraphics(new IGraphicsHeadless(this, 20, 20));
    MakeDefaultPreset("-", 1);
  }

  // Asks for another latency with every block, as a plug-in whose latency follows a
  // parameter does; the idle thread applies it.
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override {
    if (requestLatency) RequestLatency(kLatencies[blocks++ % 3]);
    IPlugVST::ProcessDoubleReplacing(inputs, outputs, nFrames);
  }

  void OnPlugIdle() override {
    IPlugVST::OnPlugIdle();
    const IdleAct act = gIdleAct;
    if (act == IdleAct::kNothing || mActed) return;
    mActed = true;
    if (act == IdleAct::kStopOwnThread) GetGUI()->StopIdleThread();
    // The old editor, and the thread running this very call, go with it.
    if (act == IdleAct::kReplaceEditor) AttachGraphics(new IGraphicsHeadless(this, 20, 20));
    ++gIdleActs;
    std::this_thread::sleep_for(std::chrono::milliseconds(gLingerMs));
  }

  // Whether blocks could run while the host was told, that is, whether the mutex was
  // free of this thread (the audio thread takes it for every block).
  void InformHostOfLatencyChange() override {
    const long before = blocks;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (blocks == before && audioRunning && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    blocksRanWhenTold.push_back(blocks != before || !audioRunning);
    IPlugVST::InformHostOfLatencyChange();
    ++told;
  }

  NChanDelayLine* DelayLine() { return GetDelayLine(); }

  std::atomic<bool> requestLatency{false};
  std::atomic<bool> audioRunning{false};
  std::atomic<long> blocks{0};
  std::atomic<int> told{0};
  std::vector<bool> blocksRanWhenTold;  // idle thread only until it is stopped

 private:
  bool mActed = false;
};

}  // namespace

#define PLUG_CLASS_NAME IdlePlug
#define IPLUG_NO_MAIN_ALIAS
#include "IPlug_include_in_plug_src.h"

namespace {

using vsthost::Plugin;

IdlePlug* Plug(const Plugin& p) { return static_cast<IdlePlug*>(p.Effect()->object); }

// Runs blocks on a thread of its own, as a host's audio thread does, until stopped.
class AudioThread {
 public:
  explicit AudioThread(AEffect* e) : mThread([this, e] { Run(e); }) {}
  ~AudioThread() { Stop(); }
  void Stop() {
    mStop = true;
    if (mThread.joinable()) mThread.join();
  }
  long Blocks() const { return mBlocks; }

 private:
  void Run(AEffect* e) {
    constexpr int kFrames = 256;
    vsthost::StereoBuffers<float> buf(kFrames);
    for (int s = 0; s < kFrames; ++s) buf.in[0][s] = buf.in[1][s] = static_cast<float>(s % 7) * 0.1f;
    while (!mStop) {
      e->processReplacing(e, buf.inPtr, buf.outPtr, kFrames);
      ++mBlocks;
    }
  }
  std::atomic<bool> mStop{false};
  std::atomic<long> mBlocks{0};
  std::thread mThread;
};

}  // namespace

TEST(IdleThreadLatency, RequestsFromTheAudioThreadAreAppliedBetweenBlocksAndReachTheHost) {
  gIdleAct = IdleAct::kNothing;
  Plugin p(VSTPluginMain);
  ASSERT_TRUE(p.Ok());
  p.Start(44100.0f, 256);
  IdlePlug* plug = Plug(p);
  plug->requestLatency = true;
  plug->audioRunning = true;
  {
    AudioThread audio(p.Effect());
    // The idle thread ticks every 50 ms: several changes land while blocks run (waited
    // for rather than timed, as a loaded machine delays ticks).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (plug->told < 3 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    plug->audioRunning = false;
    audio.Stop();
    EXPECT_GT(audio.Blocks(), 10);
  }
  // Stopping (joining) the idle thread makes what it did visible here.
  plug->GetGUI()->StopIdleThread();
  const int ioChanged = p.Host().Count(audioMasterIOChanged);
  EXPECT_GE(ioChanged, 3);
  ASSERT_EQ(plug->blocksRanWhenTold.size(), static_cast<size_t>(ioChanged));
  for (bool ran : plug->blocksRanWhenTold) EXPECT_TRUE(ran) << "the host was told with the mutex held";
  // The last applied latency is what the host sees and what the bypass line delays by.
  const int latency = plug->GetLatency();
  EXPECT_TRUE(latency == 64 || latency == 300 || latency == 1000) << latency;
  EXPECT_EQ(p.Effect()->initialDelay, latency);
  ASSERT_NE(plug->DelayLine(), nullptr);
  EXPECT_EQ(plug->DelayLine()->GetDelay(), static_cast<uint64_t>(latency));
}

TEST(IdleThreadLatency, ARequestAppliedByIdleIsNotUndoneAndADirectChangeWins) {
  gIdleAct = IdleAct::kNothing;
  Plugin p(VSTPluginMain);
  p.Start(44100.0f, 256);
  IdlePlug* plug = Plug(p);
  plug->GetGUI()->StopIdleThread();  // idle calls by hand from here
  p.Host().Forget();
  plug->RequestLatency(128);
  plug->OnPlugIdle();
  EXPECT_EQ(p.Effect()->initialDelay, 128);
  plug->OnPlugIdle();  // nothing new: the host is not told again
  EXPECT_EQ(p.Host().Count(audioMasterIOChanged), 1);
  plug->RequestLatency(512);
  plug->SetLatency(32);  // set directly after the request: the request is dropped
  plug->OnPlugIdle();
  EXPECT_EQ(plug->GetLatency(), 32);
  EXPECT_EQ(p.Effect()->initialDelay, 32);
  EXPECT_EQ(p.Host().Count(audioMasterIOChanged), 2);
}

TEST(IdleThreadSelfClose, AnIdleCallThatStopsItsOwnThreadBeforeTheInstanceCloses) {
  const int before = BaselineThreads();
  gIdleAct = IdleAct::kStopOwnThread;
  gIdleActs = 0;
  gLingerMs = 100;  // still inside the idle call when the host closes the instance
  {
    Plugin p(VSTPluginMain);
    p.Start(44100.0f, 256);
    for (int i = 0; i < 200 && gIdleActs == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(gIdleActs, 1);
    EXPECT_FALSE(Plug(p)->GetGUI()->IdleThreadRunning());
  }  // effClose: the thread is still returning from its idle call
  EXPECT_EQ(CountThreads(), before);
  gIdleAct = IdleAct::kNothing;
}

TEST(IdleThreadSelfClose, AnIdleCallThatReplacesTheEditorRunningIt) {
  const int before = BaselineThreads();
  gIdleAct = IdleAct::kReplaceEditor;
  gIdleActs = 0;
  gLingerMs = 0;
  {
    Plugin p(VSTPluginMain);
    p.Start(44100.0f, 256);
    for (int i = 0; i < 200 && gIdleActs == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(gIdleActs, 1);
    // The new editor runs an idle thread of its own.
    EXPECT_TRUE(Plug(p)->GetGUI()->IdleThreadRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
  }
  EXPECT_EQ(CountThreads(), before);
  gIdleAct = IdleAct::kNothing;
}
