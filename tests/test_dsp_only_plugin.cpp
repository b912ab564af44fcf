// The DSP-only build: a plug-in linked from the framework's core and its VST 2 binding
// alone. This test program is that build (it links the split test plug-in without its
// editor file); the same plug-in with its editor is loaded beside it as a shared
// object, and both must sound the same to the bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "IPlugVST_editor_picture.h"
#include "mapped_libraries.h"
#include "no_editor_checks.h"
#include "vst_test_host.h"

// The DSP-only build's entry point, linked into this program.
extern "C" AEffect* VSTPluginMain(audioMasterCallback hostCallback);

namespace {

constexpr int kBlock = 256;
constexpr int kBlocks = 40;
constexpr float kRate = 48000.0f;

// The libraries an editor brings: the window system, the text bridge's and the raster
// library's dependencies.
std::vector<std::string> GraphicLibrariesIn(const std::string& maps) {
  return LibrariesIn(maps, {"libX11", "libXext", "libXrender", "libfreetype", "libfontconfig", "libpng"});
}

// A test signal that exercises the filter: a low sine on the left, noise on the right.
void FillBlock(int block, std::vector<double>* left, std::vector<double>* right) {
  unsigned seed = 12345u + static_cast<unsigned>(block) * 7919u;
  for (int i = 0; i < kBlock; ++i) {
    const int n = block * kBlock + i;
    (*left)[i] = 0.5 * std::sin(n * 0.0131);
    seed = seed * 1664525u + 1013904223u;
    (*right)[i] = (static_cast<double>(seed >> 8) / 16777216.0) * 2.0 - 1.0;
  }
}

// Runs the signal through one instance in double precision, moving both parameters
// midway; with drawEditor, an editor draw pass runs between blocks as a window's timer
// would. Returns left then right output, all blocks.
std::vector<double> Render(vsthost::Plugin* plug, bool drawEditor) {
  plug->Start(kRate, kBlock);
  AEffect* e = plug->Effect();
  std::vector<double> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock), all;
  for (int b = 0; b < kBlocks; ++b) {
    if (b == kBlocks / 2) {
      e->setParameter(e, 0, 0.8f);
      e->setParameter(e, 1, 0.25f);
    }
    FillBlock(b, &inL, &inR);
    double* in[2] = {inL.data(), inR.data()};
    double* out[2] = {outL.data(), outR.data()};
    e->processDoubleReplacing(e, in, out, kBlock);
    if (drawEditor) plug->Dispatch(effVendorSpecific, kVSTVendorEditorDraw, 1);
    all.insert(all.end(), outL.begin(), outL.end());
    all.insert(all.end(), outR.begin(), outR.end());
  }
  return all;
}

}  // namespace

TEST(DspOnlyBuild, LinksNoGraphicsLibraryAndHasNoEditor) {
  // Loaded libraries, before anything is opened: only what this program links.
  EXPECT_EQ(GraphicLibrariesIn(MappedLibraries()), std::vector<std::string>{});

  vsthost::Plugin plug(&VSTPluginMain);
  ASSERT_TRUE(plug.Ok());
  ExpectNoEditor(plug);
}

TEST(DspOnlyBuild, TheFullBuildBringsTheEditorAndItsLibraries) {
  // The check above would pass vacuously if it could not see these libraries.
  vsthost::Library full(GAIN_FILTER_FULL_SO);
  ASSERT_TRUE(full.Ok()) << full.Error();
  const std::vector<std::string> loaded = GraphicLibrariesIn(MappedLibraries());
  EXPECT_NE(std::find(loaded.begin(), loaded.end(), "libfreetype"), loaded.end());
  EXPECT_NE(std::find(loaded.begin(), loaded.end(), "libpng"), loaded.end());
  vsthost::Plugin plug(full.Main());
  ASSERT_TRUE(plug.Ok());
  EXPECT_NE(plug.Effect()->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  ASSERT_EQ(plug.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, 160);
  EXPECT_EQ(rect->bottom, 80);
}

TEST(DspOnlyBuild, SoundsBitIdenticalToTheFullBuild) {
  vsthost::Library full(GAIN_FILTER_FULL_SO);
  ASSERT_TRUE(full.Ok()) << full.Error();
  vsthost::Plugin withEditor(full.Main());
  vsthost::Plugin dspOnly(&VSTPluginMain);
  ASSERT_TRUE(withEditor.Ok());
  ASSERT_TRUE(dspOnly.Ok());

  const std::vector<double> a = Render(&withEditor, true);
  const std::vector<double> b = Render(&dspOnly, false);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(double)), 0);
  // Not silence: the filter and gain really ran.
  double peak = 0.0;
  for (double v : b) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.05);

  // The state the two builds hand a host is the same too.
  EXPECT_EQ(withEditor.GetChunk(1), dspOnly.GetChunk(1));
}
