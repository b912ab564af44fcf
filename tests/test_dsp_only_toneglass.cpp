// Toneglass's DSP-only build: the plug-in class, its engine and the VST 2 binding,
// linked into this test program without the editor (toneglass_dsp and
// toneglass_no_editor: nothing graphic). The full build, Toneglass.so with its X11
// editor, is loaded beside it as a host loads it; both must sound the same to the bit
// and hand a host the same state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "IPlugVST_editor_picture.h"
#include "Toneglass.h"
#include "mapped_libraries.h"
#include "no_editor_checks.h"
#include "vst_test_host.h"

// The DSP-only build's entry point, linked into this program.
extern "C" AEffect* VSTPluginMain(audioMasterCallback hostCallback);

namespace {

constexpr float kRate = 44100.0f;
constexpr int kTotalFrames = 44100 * 2;
// Odd sizes, a single sample and a block longer than any before (which resets).
constexpr int kBlockSizes[] = {512, 1, 64, 517, 33, 4096, 2000, 7};

// What the editor brings: its text bridge's and image decoder's libraries and the X
// extensions of its window. libX11 itself is left out: Debian's libstk pulls it in
// through its audio back ends (rtaudio, PulseAudio), editor or not. That this program
// names no X library itself is checked from outside (engine_footprint.sh).
std::vector<std::string> EditorLibrariesIn(const std::string& maps) {
  return LibrariesIn(maps, {"libfreetype", "libfontconfig", "libpng", "libXext", "libXrender"});
}

// A tone gliding from 1.2 to 3.6 kHz over quiet noise, louder in its second half, in
// stereo: blips start, pan and sound across block edges.
void FillSignal(std::vector<float>* left, std::vector<float>* right) {
  left->resize(kTotalFrames);
  right->resize(kTotalFrames);
  unsigned seed = 20240611u;
  double phase = 0.0;
  for (int n = 0; n < kTotalFrames; ++n) {
    const double t = static_cast<double>(n) / kRate;
    phase += 6.283185307179586 * (1200.0 + 1200.0 * t) / kRate;
    const double level = n < kTotalFrames / 2 ? 0.05 : 0.4;
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.01;
    (*left)[n] = static_cast<float>(level * std::sin(phase) + noise);
    (*right)[n] = static_cast<float>(0.7 * level * std::sin(phase + 0.3) - noise);
  }
}

void SetPlain(AEffect* e, int idx, double lo, double hi, double value) {
  e->setParameter(e, idx, static_cast<float>((value - lo) / (hi - lo)));
}

// The signal through one instance in single precision (as most hosts run it), with the
// parameters set as a user would and moved twice on the way; with drawEditor, one
// editor draw pass after every block, as a window's timer would. Left then right.
std::vector<float> Render(vsthost::Plugin* plug, bool drawEditor) {
  std::vector<float> inL, inR;
  FillSignal(&inL, &inR);
  plug->Start(kRate, 512);
  AEffect* e = plug->Effect();
  SetPlain(e, Toneglass::kThreshold, -60.0, 6.0, -30.0);
  SetPlain(e, Toneglass::kSelectionStart, 20.0, 22050.0, 1000.0);
  SetPlain(e, Toneglass::kSelectionSize, 50.0, 10000.0, 3000.0);
  SetPlain(e, Toneglass::kDry, -61.0, 0.0, -3.0);
  SetPlain(e, Toneglass::kWet, -61.0, 0.0, -9.0);
  std::vector<float> outL(kTotalFrames), outR(kTotalFrames);
  int pos = 0;
  for (int b = 0; pos < kTotalFrames; ++b) {
    const int n = std::min(kBlockSizes[b % (sizeof(kBlockSizes) / sizeof(kBlockSizes[0]))], kTotalFrames - pos);
    if (b == 40) SetPlain(e, Toneglass::kThreshold, -60.0, 6.0, -18.0);
    if (b == 80) SetPlain(e, Toneglass::kSelectionStart, 20.0, 22050.0, 2500.0);
    float* in[2] = {inL.data() + pos, inR.data() + pos};
    float* out[2] = {outL.data() + pos, outR.data() + pos};
    e->processReplacing(e, in, out, n);
    if (drawEditor) plug->Dispatch(effVendorSpecific, kVSTVendorEditorDraw, 1);
    pos += n;
  }
  outL.insert(outL.end(), outR.begin(), outR.end());
  return outL;
}

}  // namespace

TEST(DspOnlyToneglass, MapsNoEditorLibraryAndHasNoEditor) {
  // Loaded libraries, before anything is opened: only what this program links.
  EXPECT_EQ(EditorLibrariesIn(MappedLibraries()), std::vector<std::string>{});

  vsthost::Plugin plug(&VSTPluginMain);
  ASSERT_TRUE(plug.Ok());
  ExpectNoEditor(plug);
  EXPECT_EQ(EditorLibrariesIn(MappedLibraries()), std::vector<std::string>{});
}

// Without an editor the engine still keeps what the view would show: an LV2 engine
// hands these magnitudes to its UI.
TEST(DspOnlyToneglass, TheEngineStillFeedsTheViewData) {
  Toneglass plug;
  EXPECT_EQ(plug.GetFreqView(), nullptr);
  EXPECT_EQ(plug.GetGUI(), nullptr);
  plug.SetSampleRate(48000.0);
  plug.Reset();
  for (int i = 0; i < Toneglass::kNumParams; ++i) plug.OnParamChange(i);
  FreqViewData* data = plug.GetFreqViewData();
  ASSERT_EQ(data->mNumPoints, Toneglass::kNumBins);
  EXPECT_EQ(data->mNyquist, 24000.0);
  EXPECT_EQ(data->mSelectionStart, 20.0);
  EXPECT_FALSE(data->mRedraw);

  std::vector<double> left(Toneglass::kFrameSize), right(Toneglass::kFrameSize), outL(left.size()), outR(left.size());
  for (size_t n = 0; n < left.size(); ++n) left[n] = right[n] = 0.5 * std::sin(n * 0.1);
  double* in[2] = {left.data(), right.data()};
  double* out[2] = {outL.data(), outR.data()};
  plug.ProcessDoubleReplacing(in, out, Toneglass::kFrameSize);
  EXPECT_TRUE(data->mRedraw);
  const float* display = nullptr;
  ASSERT_EQ(plug.TakeDisplayData(&display), Toneglass::kNumBins);
  const float* peak = std::max_element(display, display + Toneglass::kNumBins);
  // 0.1 rad per sample: bin 2048 * 0.1 / 2pi, about 32.6.
  EXPECT_NEAR(peak - display, 33, 1);
  EXPECT_GT(*peak, 0.3f);
}

TEST(DspOnlyToneglass, TheFullBuildBringsItsEditorAndItsLibraries) {
  // The library check above would pass vacuously if it could not see these.
  vsthost::Library full(TONEGLASS_VST_PATH);
  ASSERT_TRUE(full.Ok()) << full.Error();
  const std::vector<std::string> loaded = EditorLibrariesIn(MappedLibraries());
  for (const char* lib : {"libfreetype", "libfontconfig", "libpng"})
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), lib), loaded.end()) << lib;
  vsthost::Plugin plug(full.Main());
  ASSERT_TRUE(plug.Ok());
  EXPECT_NE(plug.Effect()->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  ASSERT_EQ(plug.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, Toneglass::kEditorWidth);
  EXPECT_EQ(rect->bottom, Toneglass::kEditorHeight);
}

TEST(DspOnlyToneglass, SoundsAndSavesBitIdenticalToTheFullBuild) {
  vsthost::Library full(TONEGLASS_VST_PATH);
  ASSERT_TRUE(full.Ok()) << full.Error();
  vsthost::Plugin withEditor(full.Main());
  vsthost::Plugin dspOnly(&VSTPluginMain);
  ASSERT_TRUE(withEditor.Ok());
  ASSERT_TRUE(dspOnly.Ok());

  const std::vector<float> a = Render(&withEditor, true);
  const std::vector<float> b = Render(&dspOnly, false);
  ASSERT_EQ(a.size(), b.size());
  size_t firstDifference = a.size();
  for (size_t i = 0; i < a.size() && firstDifference == a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) firstDifference = i;
  EXPECT_EQ(firstDifference, a.size()) << "first differing sample";

  // Not a vacuous match: blips sounded, and they pulled the channels apart (a blip's
  // pan scales the whole output sample).
  double panned = 0.0;
  for (int n = 0; n < kTotalFrames; ++n) {
    const double l = b[static_cast<size_t>(n)], r = b[static_cast<size_t>(kTotalFrames + n)];
    panned = std::max(panned, std::fabs(std::fabs(l) - std::fabs(r)));
  }
  EXPECT_GT(panned, 0.05);

  // The state the two builds hand a host, program and bank.
  for (int index : {1, 0}) {
    const std::vector<unsigned char> chunk = dspOnly.GetChunk(index);
    EXPECT_FALSE(chunk.empty());
    EXPECT_EQ(withEditor.GetChunk(index), chunk) << "chunk " << index;
  }
  // And a chunk from one restores into the other.
  const std::vector<unsigned char> program = withEditor.GetChunk(1);
  SetPlain(withEditor.Effect(), Toneglass::kWet, -61.0, 0.0, -40.0);
  EXPECT_NE(withEditor.GetChunk(1), program);
  EXPECT_NE(dspOnly.SetChunk(1, withEditor.GetChunk(1)), 0);
  EXPECT_EQ(dspOnly.GetChunk(1), withEditor.GetChunk(1));
}
