// The value knobs: the film strip they show (and that it is the one the painter
// makes), the frame for a value, where the name and value texts sit, what a missing
// image leaves, and gestures travelling through the VST 2 binding to the engine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

#include <unistd.h>

#include "IGraphicsHeadless.h"
#include "IGraphicsResources.h"
#include "ToneglassResources.h"
#include "Toneglass_controls.h"
#include "knob_painter.h"
#include "toneglass_editor_fixture.h"

extern const unsigned char kToneglassKnobPng[];
extern const size_t kToneglassKnobPng_size;

using namespace toneglass_editor_test;

namespace {

constexpr int kKnobW = 52, kKnobH = 44;
constexpr int kDryX = 540, kKnobTop = 315;

std::vector<unsigned char> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

IKnobMultiControlText1* Knob(IGraphics* g, int paramIdx) {
  return dynamic_cast<IKnobMultiControlText1*>(g->GetControl(2 + paramIdx));
}

// ---- The image --------------------------------------------------------------------------

TEST(ToneglassKnobImage, CommittedStripIsWhatThePainterMakesAndIsEmbedded) {
  const std::vector<unsigned char> file = ReadFile(TONEGLASS_SOURCE_DIR "/IPlugWork/Toneglass/resources/img/knob.png");
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(file.size(), kToneglassKnobPng_size);
  EXPECT_EQ(memcmp(file.data(), kToneglassKnobPng, file.size()), 0) << "the plug-in embeds the committed file";

  std::unique_ptr<LICE_IBitmap> committed(LICE_LoadPNGFromMemory(kToneglassKnobPng, kToneglassKnobPng_size));
  std::unique_ptr<LICE_MemBitmap> painted(knob_filmstrip::PaintKnobStrip());
  ASSERT_TRUE(committed && painted);
  ASSERT_EQ(committed->getWidth(), kKnobW);
  ASSERT_EQ(committed->getHeight(), kKnobH * 60);
  ASSERT_EQ(painted->getHeight(), kKnobH * 60);
  int differing = 0;
  for (int y = 0; y < committed->getHeight(); ++y)
    for (int x = 0; x < kKnobW; ++x) differing += LICE_GetPixel(committed.get(), x, y) != LICE_GetPixel(painted.get(), x, y);
  EXPECT_EQ(differing, 0) << "repaint it: cmake --build <dir> --target knob-png";
}

// A real knob: transparent corners, an opaque cap, and frames that differ (the pointer
// and the arc move), with soft (partly transparent) edges.
TEST(ToneglassKnobImage, FramesLookLikeAKnob) {
  std::unique_ptr<LICE_MemBitmap> strip(knob_filmstrip::PaintKnobStrip());
  ASSERT_TRUE(strip);
  int partial = 0;
  for (int f = 0; f < 60; ++f) {
    const int y0 = f * kKnobH;
    EXPECT_EQ(LICE_GETA(LICE_GetPixel(strip.get(), 0, y0)), 0) << f;
    EXPECT_EQ(LICE_GETA(LICE_GetPixel(strip.get(), 26, y0 + 22)), 255) << f;
    for (int x = 0; x < kKnobW; ++x) {
      const int a = LICE_GETA(LICE_GetPixel(strip.get(), x, y0 + 22));
      partial += a > 0 && a < 255;
    }
    if (f == 0) continue;
    int changed = 0;
    for (int y = 0; y < kKnobH; ++y)
      for (int x = 0; x < kKnobW; ++x)
        changed += LICE_GetPixel(strip.get(), x, y0 + y) != LICE_GetPixel(strip.get(), x, y0 - kKnobH + y);
    EXPECT_GT(changed, 10) << "frame " << f << " looks like the one before";
  }
  EXPECT_GT(partial, 60) << "edges are antialiased";
}

// ---- Frames and text rows ----------------------------------------------------------------

TEST(ToneglassKnob, FrameForValue) {
  EXPECT_EQ(IKnobMultiControlText1::FrameFor(0.0, 60), 1);
  EXPECT_EQ(IKnobMultiControlText1::FrameFor(1.0, 60), 60);
  EXPECT_EQ(IKnobMultiControlText1::FrameFor(0.5, 60), 31);
  EXPECT_EQ(IKnobMultiControlText1::FrameFor(-3.0, 60), 1);
  EXPECT_EQ(IKnobMultiControlText1::FrameFor(7.0, 60), 60);
  EXPECT_EQ(IKnobMultiControlText1::FrameFor(1e300, 60), 60);
  EXPECT_EQ(IKnobMultiControlText1::FrameFor(std::numeric_limits<double>::quiet_NaN(), 60), 1);
  EXPECT_EQ(IKnobMultiControlText1::FrameFor(0.7, 1), 1);
}

TEST(ToneglassKnob, RectanglesFollowTheFrameSize) {
  auto plug = MakeEditorPlug();
  IKnobMultiControlText1* k = Knob(plug->GetGUI(), Toneglass::kDry);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->mNameRECT, IRECT(540, 315, 592, 331));
  EXPECT_EQ(k->mImgRECT, IRECT(540, 331, 592, 375));
  EXPECT_EQ(k->mTextRECT, IRECT(540, 376, 592, 401));
  EXPECT_EQ(k->mBitmap.N, 60);
  EXPECT_LE(k->mImgRECT.B, k->mTextRECT.T) << "picture and value text do not overlap";
}

// Hosts make many instances whose editors never open (a scan, a session of many
// tracks): the strip is decoded when an editor first draws it, not with the plug-in.
TEST(ToneglassKnob, StripIsDecodedAtTheFirstDrawNotWhenThePlugInIsMade) {
  IGraphics::FlushIBitmap();
  auto plug = MakeEditorPlug();
  auto other = MakeEditorPlug();
  IKnobMultiControlText1* k = Knob(plug->GetGUI(), Toneglass::kDry);
  ASSERT_NE(k, nullptr);
  LICE_IBitmap* strip = k->mBitmap.mData;
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(k->mBitmap.W, kKnobW);
  EXPECT_EQ(k->mBitmap.H, kKnobH * 60);
  EXPECT_EQ(Knob(other->GetGUI(), Toneglass::kWet)->mBitmap.mData, strip) << "one image for every instance";
  EXPECT_EQ(strip->Extended(LICE_EXT_PNG_STATE, nullptr), LICE_PNG_PENDING);
  DrawWhole(plug->GetGUI());
  EXPECT_EQ(strip->Extended(LICE_EXT_PNG_STATE, nullptr), LICE_PNG_DECODED);
}

class KnobFrames : public ::testing::TestWithParam<double> {};

// What the editor shows in the picture's rectangle is exactly the strip's frame for the
// value laid over the panel.
TEST_P(KnobFrames, ShowsTheFrameForItsValue) {
  auto plug = MakeEditorPlug();
  IGraphics* g = plug->GetGUI();
  g->SetParameterFromPlug(Toneglass::kDry, GetParam(), true);
  DrawWhole(g);
  const int frame = IKnobMultiControlText1::FrameFor(GetParam(), 60);
  std::unique_ptr<LICE_IBitmap> strip(LoadResourceBitmap(kKnobBitmapId, kKnobBitmapName));
  ASSERT_TRUE(strip);
  LICE_MemBitmap expected(kKnobW, kKnobH);
  LICE_FillRect(&expected, 0, 0, kKnobW, kKnobH, LICE_RGBA(6, 120, 21, 255), 1.0f, LICE_BLIT_MODE_COPY);
  LICE_Blit(&expected, strip.get(), 0, 0, 0, (frame - 1) * kKnobH, kKnobW, kKnobH, 1.0f,
            LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
  int mismatches = 0;
  for (int y = 0; y < kKnobH; ++y)
    for (int x = 0; x < kKnobW; ++x) {
      const LICE_pixel e = LICE_GetPixel(&expected, x, y);
      mismatches += Px(g, kDryX + x, 331 + y) != Rgb{LICE_GETR(e), LICE_GETG(e), LICE_GETB(e)};
    }
  EXPECT_EQ(mismatches, 0) << "frame " << frame;
}
INSTANTIATE_TEST_SUITE_P(Values, KnobFrames, ::testing::Values(0.0, 0.5, 1.0, 0.25));

// Rows of the knob's columns that hold anything but the panel colour.
std::vector<bool> InkedRows(IGraphics* g, int left) {
  std::vector<bool> rows(401, false);
  for (int y = 305; y < 400; ++y)
    for (int x = left; x < left + kKnobW; ++x)
      if (Px(g, x, y) != kPanel) rows[static_cast<size_t>(y)] = true;
  return rows;
}

// Without its image (the resource gone from memory and from disk) the knob draws its
// name in rows 315-330 and its value in 376-400, and nothing between them.
TEST(ToneglassKnob, MissingImageLeavesTheTextsInTheirRows) {
  char empty[] = "/tmp/toneglass-no-resources-XXXXXX";
  ASSERT_NE(mkdtemp(empty), nullptr);
  WDL_String oldFolder;
  GetResourceFolder(&oldFolder);
  RegisterToneglassResources();
  UnregisterEmbeddedResource(kKnobBitmapId, kKnobBitmapName);
  SetResourceFolder(empty);
  IGraphics::FlushIBitmap();

  {
    auto plug = MakeEditorPlug();
    IGraphics* g = plug->GetGUI();
    EXPECT_EQ(Knob(g, Toneglass::kThreshold)->mBitmap.mData, nullptr);
    DrawWhole(g);
    for (int left : {40, 250, 345, 540, 610}) {
      const std::vector<bool> inked = InkedRows(g, left);
      bool name = false, value = false;
      for (int y = 305; y < 400; ++y) {
        if (!inked[static_cast<size_t>(y)]) continue;
        if (y >= 315 && y < 331) name = true;
        else if (y >= 376 && y < 401) value = true;
        else ADD_FAILURE() << "knob at " << left << ": ink in row " << y;
      }
      EXPECT_TRUE(name) << left;
      EXPECT_TRUE(value) << left;
    }
  }

  RegisterEmbeddedResource(kKnobBitmapId, kKnobBitmapName, kToneglassKnobPng, kToneglassKnobPng_size);
  SetResourceFolder(oldFolder.Get());
  IGraphics::FlushIBitmap();
  rmdir(empty);
}

// Without a folder named by anyone else, image files are looked for beside the binary
// the plug-in lives in (here the test program itself).
TEST(ToneglassKnobImage, FallbackFolderIsTheBinarysOwn) {
  RegisterToneglassResources();
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  ASSERT_GT(n, 0);
  exe[n] = 0;
  *strrchr(exe, '/') = 0;
  char folder[4096];
  GetToneglassBinaryFolder(folder, sizeof(folder));
  EXPECT_STREQ(folder, exe);
  WDL_String set;
  GetResourceFolder(&set);
  EXPECT_STREQ(set.Get(), exe);
  char tiny[4];
  GetToneglassBinaryFolder(tiny, sizeof(tiny));
  EXPECT_STREQ(tiny, "") << "a folder that does not fit is not cut short";
}

// With the image, the picture fills the rows between the texts.
TEST(ToneglassKnob, PictureSitsBetweenNameAndValue) {
  auto plug = MakeEditorPlug();
  IGraphics* g = plug->GetGUI();
  DrawWhole(g);
  const std::vector<bool> inked = InkedRows(g, kDryX);
  for (int y = 305; y < 315; ++y) EXPECT_FALSE(inked[static_cast<size_t>(y)]) << y;
  EXPECT_TRUE(inked[335]);
  EXPECT_TRUE(inked[352]);
  EXPECT_TRUE(inked[370]);
}

// ---- Gestures through the VST 2 binding --------------------------------------------------

struct HostLog {
  struct Call {
    VstInt32 opcode, index;
    float opt;
  };
  std::vector<Call> calls;
};
HostLog* sLog = nullptr;

VstIntPtr RecordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
  if (opcode == audioMasterVersion) return 2400;
  if (sLog && (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit))
    sLog->calls.push_back({opcode, index, opt});
  return 0;
}

struct KnobGestures : ::testing::Test {
  HostLog log;
  std::unique_ptr<Toneglass> plug;
  AEffect* effect = nullptr;
  IGraphics* g = nullptr;
  IMouseMod left{true, false};
  IMouseMod right{false, true};

  void SetUp() override {
    sLog = &log;
    plug = std::make_unique<Toneglass>(IPlugInstanceInfo{&RecordingHost});
    effect = plug->GetAEffect();
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, 512, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    g = plug->GetGUI();
    ASSERT_NE(g, nullptr);
    log.calls.clear();
  }
  void TearDown() override { sLog = nullptr; }

  // The output level for a steady input of 1: the dry gain the engine uses.
  double DryGain() {
    std::vector<double> in(512, 1.0), outL(512), outR(512);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {outL.data(), outR.data()};
    effect->processDoubleReplacing(effect, ins, outs, 512);
    return outL[511];
  }
  double Dry() const { return plug->GetParam(Toneglass::kDry)->Value(); }
};

double GainOf(double db) { return std::exp(db * 0.1151292546497); }

TEST_F(KnobGestures, DragReachesHostParameterAndEngine) {
  ASSERT_DOUBLE_EQ(Dry(), -6.0);
  const int x = kDryX + 26;
  g->OnMouseDown(x, 350, &left);
  g->OnMouseDrag(x, 340, &left);
  g->OnMouseDrag(x, 330, &left);
  g->OnMouseUp(x, 330, &left);
  EXPECT_GT(Dry(), -6.0) << "dragging up turns the knob up";
  EXPECT_NEAR(DryGain(), GainOf(Dry()), 1e-12);
  ASSERT_GE(log.calls.size(), 3u);
  EXPECT_EQ(log.calls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(log.calls.back().opcode, audioMasterEndEdit);
  for (const auto& c : log.calls) EXPECT_EQ(c.index, Toneglass::kDry);
  EXPECT_EQ(log.calls[log.calls.size() - 2].opcode, audioMasterAutomate);
  EXPECT_FLOAT_EQ(log.calls[log.calls.size() - 2].opt, static_cast<float>(plug->GetParam(Toneglass::kDry)->GetNormalized()));

  // Double click: back to the default, -6 dB.
  g->OnMouseDblClick(x, 350, &left);
  EXPECT_DOUBLE_EQ(Dry(), -6.0);
  EXPECT_NEAR(DryGain(), GainOf(-6.0), 1e-12);
}

TEST_F(KnobGestures, LeftClickWithoutDragChangesNothing) {
  g->OnMouseDown(kDryX + 26, 350, &left);
  g->OnMouseUp(kDryX + 26, 350, &left);
  EXPECT_DOUBLE_EQ(Dry(), -6.0);
  auto* headless = dynamic_cast<IGraphicsHeadless*>(g);
  ASSERT_NE(headless, nullptr);
  EXPECT_EQ(headless->GetResponder()->NRequests(), 0);
}

// A right click anywhere on the knob opens the text entry over the value text.
TEST_F(KnobGestures, RightClickTypesAValue) {
  auto* headless = dynamic_cast<IGraphicsHeadless*>(g);
  ASSERT_NE(headless, nullptr);
  IHeadlessResponder* responder = headless->GetResponder();
  responder->QueueTextEntry("-12.5");
  g->OnMouseDown(kDryX + 5, 318, &right);  // on the name
  g->OnMouseUp(kDryX + 5, 318, &right);
  ASSERT_EQ(responder->NRequests(), 1);
  const auto request = responder->GetRequests()[0];
  EXPECT_EQ(request.kind, IHeadlessResponder::kTextEntry);
  EXPECT_EQ(request.rect, IRECT(540, 376, 592, 401));
  EXPECT_EQ(request.paramIdx, Toneglass::kDry);
  EXPECT_NEAR(Dry(), -12.5, 1e-9);
  EXPECT_NEAR(DryGain(), GainOf(Dry()), 1e-12);

  // The silent end of the range shows its fixed text.
  responder->QueueTextEntry("-61");
  g->OnMouseDown(kDryX + 5, 390, &right);
  EXPECT_DOUBLE_EQ(Dry(), -61.0);
  EXPECT_EQ(DryGain(), 0.0);
}

// Host automation moves the knob's picture: the frame follows the parameter.
TEST_F(KnobGestures, HostAutomationMovesTheKnob) {
  effect->setParameter(effect, Toneglass::kWet, 1.0f);
  EXPECT_DOUBLE_EQ(Knob(g, Toneglass::kWet)->GetValue(), 1.0);
  effect->setParameter(effect, Toneglass::kWet, 0.0f);
  EXPECT_DOUBLE_EQ(Knob(g, Toneglass::kWet)->GetValue(), 0.0);
}

// ---- The view and the engine share the band and the threshold ----------------------------

TEST_F(KnobGestures, ViewAndEngineShareSelectionAndThreshold) {
  IParam* start = plug->GetParam(Toneglass::kSelectionStart);
  effect->setParameter(effect, Toneglass::kSelectionStart, static_cast<float>(start->GetNormalized(5000.0)));
  effect->setParameter(effect, Toneglass::kSelectionSize,
                       static_cast<float>(plug->GetParam(Toneglass::kSelectionSize)->GetNormalized(2000.0)));
  effect->setParameter(effect, Toneglass::kThreshold,
                       static_cast<float>(plug->GetParam(Toneglass::kThreshold)->GetNormalized(-30.0)));
  FreqView* view = plug->GetFreqView();
  EXPECT_DOUBLE_EQ(view->mData->mSelectionStart, start->Value());
  EXPECT_DOUBLE_EQ(view->mData->mSelectionSize, plug->GetParam(Toneglass::kSelectionSize)->Value());
  EXPECT_DOUBLE_EQ(view->mData->mThresholdDB, plug->GetParam(Toneglass::kThreshold)->Value());

  // The engine searches that band: a bin inside it starts a tone, one below does not.
  auto playBin = [&](int bin) {
    std::vector<double> l(2048), outL(2048), outR(2048);
    for (int i = 0; i < 2048; ++i) l[static_cast<size_t>(i)] = 0.5 * std::sin(2.0 * M_PI * bin * i / 2048.0);
    double* ins[2] = {l.data(), l.data()};
    double* outs[2] = {outL.data(), outR.data()};
    effect->processDoubleReplacing(effect, ins, outs, 2048);
    return plug->GetLastToneStart();
  };
  const int inside = static_cast<int>(std::ceil((start->Value() + 500.0) / (44100.0 / 2048)));
  const Toneglass::ToneStart below = playBin(100);  // about 2153 Hz
  EXPECT_EQ(below.frameIndex, -1);
  const Toneglass::ToneStart hit = playBin(inside);
  EXPECT_GE(hit.frameIndex, 0);
  EXPECT_NEAR(hit.bin, inside, 1) << "the window spreads the sine over neighbouring bins";

  // The view draws that band and threshold.
  view->Draw(g);
  const int xs = kL + static_cast<int>(view->mData->mSelectionStart / 22050.0 * 692);
  const int yt = kT + static_cast<int>((1.0 - (view->mData->mThresholdDB + 60.0) / 66.0) * 260);
  EXPECT_NE(Px(g, xs + 3, yt), Px(g, xs - 2, yt));
  EXPECT_NE(Px(g, xs + 3, yt - 1), Px(g, xs + 3, yt)) << "red above the threshold row, green from it";
}

}  // namespace
