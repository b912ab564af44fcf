// The editor under load from three threads at once, as a host runs it: one processes
// audio, one draws the editor (and now and then drags a knob), one automates
// parameters. Run under ThreadSanitizer in CI (label "threads"); here it checks that
// nothing crashes and that every side ends in a consistent state.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "toneglass_editor_fixture.h"

using namespace toneglass_editor_test;

namespace {

VstIntPtr QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(ToneglassEditorThreads, AudioDrawingAndAutomationTogether) {
  Toneglass plug(IPlugInstanceInfo{&QuietHost});
  AEffect* effect = plug.GetAEffect();
  effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  effect->dispatcher(effect, effSetBlockSize, 0, 256, nullptr, 0.0f);
  effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
  IGraphics* g = plug.GetGUI();
  ASSERT_NE(g, nullptr);

  constexpr int kBlocks = 600;  // about 3.5 s of audio: 75 analysis frames
  std::atomic<bool> audioDone{false};
  std::atomic<int> passes{0};

  std::thread audio([&] {
    std::vector<double> l(256), r(256), outL(256), outR(256);
    double* ins[2] = {l.data(), r.data()};
    double* outs[2] = {outL.data(), outR.data()};
    long long n = 0;
    // At least the blocks, and on until the editor has drawn a few times: the audio
    // alone may finish before the drawing thread has started.
    for (int b = 0; b < kBlocks || passes.load() < 20; ++b) {
      for (int i = 0; i < 256; ++i, ++n) {
        l[static_cast<size_t>(i)] = 0.5 * std::sin(2.0 * M_PI * (200.0 + (n >> 12)) * n / 2048.0);
        r[static_cast<size_t>(i)] = 0.25 * std::sin(2.0 * M_PI * 31.0 * n / 2048.0);
      }
      effect->processDoubleReplacing(effect, ins, outs, 256);
    }
    audioDone = true;
  });

  std::thread drawing([&] {
    IMouseMod left(true, false);
    int k = 0;
    while (!audioDone) {
      IRECT r;
      if (g->IsDirty(&r)) g->Draw(&r);
      if (++k % 8 == 0) {  // a short drag on the Selection Start knob
        g->OnMouseDown(276, 350, &left);
        g->OnMouseDrag(276, 350 - (k % 16) + 4, &left);
        g->OnMouseUp(276, 346, &left);
      }
      ++passes;
    }
  });

  std::thread automation([&] {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> param(0, Toneglass::kNumParams - 1);
    while (!audioDone) {
      effect->setParameter(effect, param(rng), unit(rng));
      std::this_thread::yield();
    }
  });

  audio.join();
  drawing.join();
  automation.join();
  EXPECT_GT(passes.load(), 0);

  // Every side agrees at the end: the view holds what the parameters say, the knobs
  // show their parameters' values, and a last pass draws a curve inside the view.
  FreqView* view = plug.GetFreqView();
  EXPECT_DOUBLE_EQ(view->mData->mSelectionStart, plug.GetParam(Toneglass::kSelectionStart)->Value());
  EXPECT_DOUBLE_EQ(view->mData->mSelectionSize, plug.GetParam(Toneglass::kSelectionSize)->Value());
  EXPECT_DOUBLE_EQ(view->mData->mThresholdDB, plug.GetParam(Toneglass::kThreshold)->Value());
  for (int i = 0; i < Toneglass::kNumParams; ++i)
    EXPECT_NEAR(g->GetControl(2 + i)->GetValue(), plug.GetParam(i)->GetNormalized(), 1e-9) << i;
  DrawWhole(g);
  for (float d : view->mDisplay) ASSERT_TRUE(d >= 0.0f && d <= 1.0f);
  effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
}

}  // namespace
