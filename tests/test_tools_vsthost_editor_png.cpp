// The command-line host's --editor-png, tested from outside: the built tool renders
// small WAV files through the built Toneglass.so and the pictures it writes are read
// back. A plug-in without an editor (the recording stand-in) is refused clearly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host_tool_fixture.h"
#include "lice.h"

namespace {

class EditorPng : public HostToolTest {
 protected:
  // Mono: a full-scale sine on analysis bin 300 for toneSeconds, then silence.
  void WriteToneFile(const std::string& name, double toneSeconds, double silenceSeconds) {
    const int rate = 44100;
    const int tone = static_cast<int>(toneSeconds * rate), total = tone + static_cast<int>(silenceSeconds * rate);
    std::vector<double> s(static_cast<size_t>(total), 0.0);
    for (int i = 0; i < tone; ++i) s[static_cast<size_t>(i)] = std::sin(2.0 * M_PI * 300.0 * i / 2048.0);
    WriteWav(Path(name), 1, rate, s, SF_FORMAT_DOUBLE);
  }
};

struct Picture {
  std::unique_ptr<LICE_IBitmap> bmp;
  explicit Picture(const std::string& path) : bmp(LICE_LoadPNG(path.c_str())) {}
  bool Ok() const { return bmp && bmp->getWidth() == 700 && bmp->getHeight() == 400; }
  LICE_pixel At(int x, int y) const { return LICE_GetPixel(bmp.get(), x, y) | 0xff; }  // ignore alpha
  bool White(int x, int y) const { return At(x, y) == LICE_RGBA(255, 255, 255, 255); }
  int CurveRow(int x) const {
    for (int y = 40; y <= 300; ++y)
      if (White(x, y)) return y;
    return -1;
  }
  // How many pixels of the rectangle differ from another picture.
  int Diff(const Picture& o, int l, int t, int r, int b) const {
    int n = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) n += At(x, y) != o.At(x, y);
    return n;
  }
};

// Bin 300 of 1024 across the view's 692 columns.
constexpr int kBin300 = 4 + 300 * 692 / 1024;

TEST_F(EditorPng, DemoWritesThePictureBesideItsAudio) {
  const ToolRun r = Tool({"demo", Path("demo.wav"), "--plugin", TONEGLASS_PLUGIN_SO});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Picture p(Path("demo.png"));
  ASSERT_TRUE(p.Ok());
  EXPECT_EQ(p.At(2, 10), LICE_RGBA(6, 120, 21, 255)) << "panel";
  EXPECT_EQ(p.At(2, 100), LICE_RGBA(176, 176, 176, 255)) << "the view's frame";
  EXPECT_EQ(p.At(350, 64), LICE_RGBA(171, 2, 2, 255)) << "the 0 dB line";
  // The band the demo selects, 1 to 4 kHz, is a block some 94 pixels wide: red above
  // the -24 dB threshold (row 158), green below it; beside it the plain view.
  const int bandL = 35, bandR = 129, thresholdRow = 158;
  for (int x : {bandL + 2, 80, bandR - 2}) {
    const LICE_pixel above = p.At(x, 150), below = p.At(x, thresholdRow + 30);
    EXPECT_GT(LICE_GETR(above), LICE_GETG(above)) << x;
    EXPECT_GT(LICE_GETG(below), LICE_GETR(below)) << x;
    EXPECT_NE(p.At(x, 150), p.At(bandR + 10, 150)) << x;
  }
  EXPECT_EQ(p.At(bandL - 4, 150), p.At(bandR + 10, 150));
  // The demo ends on its loudest tone, inside the band and above the threshold; the
  // rest of the spectrum holds only quiet noise, at the bottom of the view.
  int top = 400;
  for (int x = bandL; x < bandR; ++x)
    if (p.CurveRow(x) > 0) top = std::min(top, p.CurveRow(x));
  EXPECT_LT(top, thresholdRow);
  for (int x = bandR + 1; x < 696; ++x) EXPECT_TRUE(p.CurveRow(x) < 0 || p.CurveRow(x) > 290) << x;
}

TEST_F(EditorPng, RenderShowsTheLastFramesAndTheParameters) {
  WriteToneFile("tone.wav", 1.0, 0.0);
  ToolRun r = Tool({"render", Path("tone.wav"), Path("a.wav"), "--plugin", TONEGLASS_PLUGIN_SO, "--editor-png",
                Path("a.png"), "--set", "Dry=-61"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Tool({"render", Path("tone.wav"), Path("b.wav"), "--plugin", TONEGLASS_PLUGIN_SO, "--editor-png=" + Path("b.png"),
            "--set", "Dry=0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Picture a(Path("a.png")), b(Path("b.png"));
  ASSERT_TRUE(a.Ok() && b.Ok());
  // A steady 0 dB bin stands one row above the 0 dB line.
  EXPECT_EQ(a.CurveRow(kBin300), 63);
  EXPECT_GT(a.Diff(b, 540, 315, 592, 401), 50) << "the Dry knob shows its value";
  EXPECT_EQ(a.Diff(b, 610, 315, 662, 401), 0) << "the Wet knob is the same in both";
  EXPECT_EQ(a.Diff(b, 0, 36, 700, 304), 0) << "the spectrum does not depend on the dry level";
}

// The passes run at 25 per second of audio: half a second after the tone the peak has
// fallen part of the way, two seconds after it is gone.
TEST_F(EditorPng, PeakFallsInAudioTime) {
  WriteToneFile("short.wav", 1.0, 0.5);
  WriteToneFile("long.wav", 1.0, 2.0);
  ASSERT_EQ(Tool({"render", Path("short.wav"), Path("s.wav"), "--plugin", TONEGLASS_PLUGIN_SO, "--editor-png",
                  Path("s.png")}).exitCode, 0);
  ASSERT_EQ(Tool({"render", Path("long.wav"), Path("l.wav"), "--plugin", TONEGLASS_PLUGIN_SO, "--block", "8192",
                  "--editor-png", Path("l.png")}).exitCode, 0);
  Picture s(Path("s.png")), l(Path("l.png"));
  ASSERT_TRUE(s.Ok() && l.Ok());
  const int row = s.CurveRow(kBin300);
  // About 11 passes after the last frame with the tone, six rows each.
  EXPECT_GT(row, 63 + 6 * 8);
  EXPECT_LT(row, 63 + 6 * 14);
  EXPECT_EQ(l.CurveRow(kBin300), 300) << "long blocks still get every pass";
}

// Users copy just Toneglass.so into ~/.vst: with nothing beside it, the knobs still
// show their picture, which travels inside the .so.
TEST_F(EditorPng, SingleCopiedPluginStillHasItsKnobImage) {
  std::filesystem::copy_file(TONEGLASS_PLUGIN_SO, Path("Toneglass.so"));
  WriteToneFile("tone.wav", 0.2, 0.0);
  const ToolRun r = Tool({"render", Path("tone.wav"), Path("out.wav"), "--plugin", Path("Toneglass.so"),
                             "--editor-png", Path("out.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Picture p(Path("out.png"));
  ASSERT_TRUE(p.Ok());
  for (int left : {40, 250, 345, 540, 610}) {
    const LICE_pixel cap = p.At(left + 26, 331 + 22);
    EXPECT_NE(cap, LICE_RGBA(6, 120, 21, 255)) << "knob at " << left << " has no picture";
    EXPECT_GT(LICE_GETR(cap), 60) << "the cap is a light grey";
  }
}

TEST_F(EditorPng, PluginWithoutEditorIsRefusedAndLeavesNothing) {
  WriteToneFile("tone.wav", 0.2, 0.0);
  const ToolRun r = Tool({"render", Path("tone.wav"), Path("out.wav"), "--plugin", FAKE_PLUGIN_SO, "--editor-png",
                      Path("out.png")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("no editor"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(Path("out.wav")));
  EXPECT_FALSE(FileExists(Path("out.png")));
  // The demo only adds a picture when the plug-in can draw one.
  const ToolRun demo = Tool({"demo", Path("fake.wav"), "--plugin", FAKE_PLUGIN_SO});
  EXPECT_EQ(demo.exitCode, 0) << demo.err;
  EXPECT_FALSE(FileExists(Path("fake.png")));
}

TEST_F(EditorPng, UnwritablePictureFailsTheRender) {
  WriteToneFile("tone.wav", 0.2, 0.0);
  const ToolRun r = Tool({"render", Path("tone.wav"), Path("out.wav"), "--plugin", TONEGLASS_PLUGIN_SO,
                      "--editor-png", Path("missing-folder/out.png")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot write the editor picture"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(Path("out.wav")));
}

TEST_F(EditorPng, OptionNeedsRenderOrDemoAndAName) {
  EXPECT_EQ(Tool({"info", "--editor-png", Path("x.png")}).exitCode, 2);
  EXPECT_EQ(Tool({"demo", "--editor-png="}).exitCode, 2);
  EXPECT_EQ(Tool({"demo", "--editor-png"}).exitCode, 2);
  EXPECT_FALSE(FileExists(Path("x.png")));
}

}  // namespace
