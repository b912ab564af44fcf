// Hosts that close the real Toneglass.so with its editor still open. The editor's own
// thread keeps ticking while the host is quiet (it draws, asks the plug-in for its GUI
// idle and reads its parameters), so effClose must stop it before any destructor
// runs. Run under ThreadSanitizer and AddressSanitizer, a late tick shows up as a
// race with the destructors or a use of freed memory.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "IGraphicsX11.h"
#include "x11_test_host.h"

namespace {

constexpr int kW = 700, kH = 400;
constexpr int kRounds = 6;
constexpr int kBlock = 512;

class ToneglassShutdown : public HostX11Test {
 protected:
  void SetUp() override {
    HostX11Test::SetUp();
    if (!Ready()) return;
    mLib = std::make_unique<vsthost::Library>(TONEGLASS_VST_PATH);
    ASSERT_TRUE(mLib->Ok()) << mLib->Error();
    TakeBaseline();
  }
  void TearDown() override {
    mLib.reset();
    HostX11Test::TearDown();
  }

  // One instance through its whole life: set up, editor open, audio with a loud tone
  // in the searched band and automation for a while, the host's user-interface
  // thread silent for quietMs, then effClose with the editor still open.
  void OpenPlayAndCloseWithTheEditorOpen(int quietMs) {
    x11host::Recorder recorder;
    AEffect* e = mLib->Main()(x11host::Recorder::Callback);
    ASSERT_NE(e, nullptr);
    e->user = &recorder;
    auto dispatch = [e](VstInt32 op, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
      return e->dispatcher(e, op, 0, value, ptr, opt);
    };
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, nullptr, 44100.0f);
    dispatch(effSetBlockSize, kBlock);
    dispatch(effMainsChanged, 1);
    e->setParameter(e, 0, 0.5f);  // a threshold low enough for the tone to sound

    const Window parent = HostTopWindow(mDisplay, kW, kH);
    ASSERT_EQ(dispatch(effEditOpen, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
    for (int i = 0; i < 5; ++i) {
      dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    std::atomic<bool> stop{false};
    std::thread audio([e, &stop] {
      std::vector<float> l(kBlock), r(kBlock), outL(kBlock), outR(kBlock);
      float* in[2] = {l.data(), r.data()};
      float* out[2] = {outL.data(), outR.data()};
      long n = 0;
      while (!stop) {
        for (int s = 0; s < kBlock; ++s, ++n) l[s] = r[s] = 0.5f * static_cast<float>(std::sin(n * 0.0057));
        e->processReplacing(e, in, out, kBlock);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    // Host automation from another thread moves the knobs, so the editor has work.
    const auto quietEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(quietMs);
    for (int i = 0; std::chrono::steady_clock::now() < quietEnd; ++i) {
      e->setParameter(e, 3, static_cast<float>((i % 10) / 10.0));
      std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    stop = true;
    audio.join();

    dispatch(effClose);
    XDestroyWindow(mDisplay, parent);
    XSync(mDisplay, False);
  }

  std::unique_ptr<vsthost::Library> mLib;
};

}  // namespace

TEST_F(ToneglassShutdown, ClosingTheInstanceWithTheEditorOpenWhileItsOwnThreadDraws) {
  // Quiet for longer than the hand-over time, so the editor's own thread does the
  // ticks when effClose arrives; the length varies so the close lands at different
  // points of a tick.
  for (int round = 0; round < kRounds; ++round) {
    OpenPlayAndCloseWithTheEditorOpen(IGraphicsX11::kHostIdleGraceMs + 60 + 17 * round);
    if (HasFatalFailure()) return;
  }
  // Nothing of the editors is left: no thread, no X connection.
  ExpectNothingLeft();
}

TEST_F(ToneglassShutdown, ClosingTheInstanceRightAfterTheHostsLastIdleCall) {
  // The host's own thread was the last to tick; the close comes before the editor's
  // thread takes over.
  for (int round = 0; round < kRounds; ++round) {
    OpenPlayAndCloseWithTheEditorOpen(5 * round);
    if (HasFatalFailure()) return;
  }
  ExpectNothingLeft();
}
