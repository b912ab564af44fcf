// Toneglass under a host's full load for several seconds (TONEGLASS_STRESS_SECONDS, 10 by
// default): audio in both precisions, automation of every parameter and chunk restores
// from a host thread, and the headless editor drawing flat out while it is opened and
// closed through the dispatcher. Run under ThreadSanitizer in CI (label "threads").
#include <gtest/gtest.h>

#include <chrono>

#include "IGraphics.h"
#include "Toneglass.h"
#include "toneglass_stress.h"

namespace {

VstIntPtr QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

TEST(ToneglassStress, AudioAutomationRestoresAndHeadlessEditorTogether) {
  Toneglass plug(IPlugInstanceInfo{&QuietHost});
  AEffect* e = plug.GetAEffect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  e->dispatcher(e, effSetBlockSize, 0, stress::kBlock, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  IGraphics* g = plug.GetGUI();
  ASSERT_NE(g, nullptr);

  const double seconds = stress::Seconds();
  long long draws = 0, opens = 0;
  auto lastOpen = std::chrono::steady_clock::now();
  const stress::Result res = stress::Run(e, seconds, [&](long long pass) {
    // What a host's idle timer and the editor's redraw do, as fast as they can.
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
    IRECT r;
    if (g->IsDirty(&r)) {
      g->Draw(&r);
      ++draws;
    }
    const auto now = std::chrono::steady_clock::now();
    if (pass % 64 == 0 || now - lastOpen > std::chrono::milliseconds(500)) {
      lastOpen = now;
      // Closed and opened again: the whole editor is drawn anew.
      e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
      e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0.0f);
      g->SetAllControlsDirty(false);
      ++opens;
    }
  });

  EXPECT_EQ(res.badSamples, 0);
  // Far below what any machine manages, far above what a starved audio thread gets.
  EXPECT_GE(res.floatBlocks + res.doubleBlocks, (long long)(20 * seconds));
  EXPECT_GT(res.floatBlocks, 0);
  EXPECT_GT(res.doubleBlocks, 0);
  EXPECT_GE(res.automations, 5 * 16);
  EXPECT_GT(res.restoresAccepted, 0);
  EXPECT_EQ(res.restoresRefused, 0);
  EXPECT_GT(draws, 0);
  EXPECT_GT(opens, 1);
  std::printf("stress: %lld float + %lld double blocks, %lld automations, %lld restores, %lld passes, %lld draws\n",
              res.floatBlocks, res.doubleBlocks, res.automations, res.restoresAccepted, res.editorPasses, draws);

  // Quiet again, after one more idle call, the editor shows what the parameters hold.
  e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
  for (int i = 0; i < Toneglass::kNumParams; ++i)
    EXPECT_NEAR(g->GetControl(2 + i)->GetValue(), plug.GetParam(i)->GetNormalized(), 1e-9) << i;
  e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
}

}  // namespace
