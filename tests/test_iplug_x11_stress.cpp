// The real Toneglass.so with its editor in a window on an X server of the test's own,
// under a host's full load for several seconds (TONEGLASS_STRESS_SECONDS, 10 by default):
// audio in both precisions and automation with chunk restores from other threads, while
// the host's user-interface thread calls effEditIdle, feeds real pointer input (XTest)
// and now and then closes and reopens the editor. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <memory>

#include <X11/keysym.h>

#include "toneglass_stress.h"
#include "x11_test_host.h"

namespace {

constexpr int kW = 700, kH = 400;
constexpr int kKnobY = 353;  // the knob row; the Dry knob is at x 566

class ToneglassX11Stress : public HostX11Test {};

TEST_F(ToneglassX11Stress, AudioAutomationRestoresAndInputIntoTheOpenEditor) {
  Display* d = mDisplay;
  {
    vsthost::Library lib(TONEGLASS_VST_PATH);
    ASSERT_TRUE(lib.Ok()) << lib.Error();
    x11host::EditorHost host(lib, d);
    ASSERT_TRUE(host.Ok());
    host.MakeParent(kW, kH);
    ASSERT_TRUE(host.OpenEditor());
    AEffect* e = host.Effect();  // also driven by the audio and automation threads

    const double seconds = stress::Seconds();
    long long reopens = 0, failedOpens = 0, inputs = 0;
    bool held = false;
    auto lastOpen = std::chrono::steady_clock::now();
    const stress::Result res = stress::Run(e, seconds, [&](long long pass) {
      host.Dispatch(effEditIdle);
      // Pointer motion across the knob row, wheel turns and short drags.
      const int x = 40 + int((pass * 37) % (kW - 80));
      XTestFakeMotionEvent(d, 0, x, kKnobY + int(pass % 9) - 4, 0);
      if (pass % 5 == 0) {
        XTestFakeButtonEvent(d, (pass / 5) % 2 ? 4 : 5, True, 0);
        XTestFakeButtonEvent(d, (pass / 5) % 2 ? 4 : 5, False, 0);
      }
      if (pass % 23 == 0) {
        XTestFakeButtonEvent(d, 1, held ? False : True, 0);
        held = !held;
      }
      XFlush(d);
      ++inputs;
      // Closed and reopened every second or so (idle passes are slow under the sanitizer).
      const auto now = std::chrono::steady_clock::now();
      if (now - lastOpen > std::chrono::seconds(1)) {
        lastOpen = now;
        if (held) {
          XTestFakeButtonEvent(d, 1, False, 0);
          held = false;
        }
        XSync(d, False);
        host.CloseEditor();
        failedOpens += host.OpenEditor() ? 0 : 1;
        ++reopens;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    if (held) XTestFakeButtonEvent(d, 1, False, 0);
    XSync(d, False);
    host.Idle(50);

    EXPECT_EQ(res.badSamples, 0);
    EXPECT_GE(res.floatBlocks + res.doubleBlocks, (long long)(20 * seconds));
    EXPECT_GT(res.doubleBlocks, 0);
    EXPECT_GT(res.restoresAccepted, 0);
    EXPECT_EQ(res.restoresRefused, 0);
    EXPECT_GT(inputs, 0);
    EXPECT_GT(reopens, 0);
    EXPECT_EQ(failedOpens, 0);
    EXPECT_NE(host.EditorWindow(), 0u);
    std::printf("x11 stress: %lld float + %lld double blocks, %lld restores, %lld idle passes, %lld reopens\n",
                res.floatBlocks, res.doubleBlocks, res.restoresAccepted, res.editorPasses, reopens);
    for (int i = 0; i < e->numParams; ++i) {
      const float v = host.Get(i);
      EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << i;
    }
  }
}

}  // namespace
