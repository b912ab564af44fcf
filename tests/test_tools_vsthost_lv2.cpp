// The command-line host with LV2 plug-ins, run from outside: the built bundle renders
// the same file as the VST 2 build, a third-party plug-in from Debian renders and takes
// its settings, info describes a bundle, and every way of naming a plug-in that cannot
// be rendered ends with a clear error, a non-zero exit and no output file.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_folder.h"

#if !defined(TONEGLASS_HOST_EXE) || !defined(TONEGLASS_PLUGIN_SO) || !defined(TONEGLASS_LV2_BUNDLE)
#error "TONEGLASS_HOST_EXE, TONEGLASS_PLUGIN_SO and TONEGLASS_LV2_BUNDLE must name the built tool and plug-ins"
#endif

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kRate = 44100;
constexpr const char* kToneglassUri = "urn:vantor:toneglass";
// A plain delay from lsp-plugins-lv2: exact, so what it does to a signal is known.
constexpr const char* kLspDelayUri = "http://lsp-plug.in/plugins/lv2/comp_delay_stereo";
constexpr const char* kLspBundle = "/usr/lib/lv2/lsp-plugins.lv2";

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs toneglass-host with the arguments (and environment assignments before it).
ToolRun RunHost(const TempFolder& folder, const std::vector<std::string>& args, const std::string& env = "") {
  std::string command = env + " " + Quoted(TONEGLASS_HOST_EXE);
  for (const std::string& a : args) command += " " + Quoted(a);
  const std::string out = folder.Path("stdout.txt"), err = folder.Path("stderr.txt");
  command += " >" + Quoted(out) + " 2>" + Quoted(err) + " </dev/null";
  const int status = std::system(command.c_str());
  ToolRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFileText(out);
  run.err = ReadFileText(err);
  return run;
}

// For runs that load a third-party plug-in: its leaks are not ours to report (the
// sanitizer build would fail the run for them).
std::string WithoutLeakChecks() {
  const char* asan = getenv("ASAN_OPTIONS");
  const std::string options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "detect_leaks=0";
  return "ASAN_OPTIONS=" + Quoted(options);
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

void WriteWav(const std::string& path, const std::vector<float>& interleaved) {
  SF_INFO info = {};
  info.channels = 2;
  info.samplerate = kRate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / 2));
  sf_close(f);
}

std::vector<float> ReadWav(const std::string& path) {
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(f, samples.data(), info.frames);
  sf_close(f);
  return samples;
}

// Three seconds of a tone stepping through 800 Hz, 2 kHz and 5 kHz (a different one in
// each channel) over faint noise: loud enough in the band the tests choose to raise blips.
std::vector<float> Material() {
  std::vector<float> s(static_cast<size_t>(3 * kRate) * 2);
  unsigned noise = 12345;
  for (size_t i = 0; i < s.size() / 2; ++i) {
    const double f = i < static_cast<size_t>(kRate) ? 800.0 : i < static_cast<size_t>(2 * kRate) ? 2000.0 : 5000.0;
    noise = noise * 1664525u + 1013904223u;
    const double n = 0.001 * (static_cast<double>(noise >> 8) / (1u << 24) - 0.5);
    s[2 * i] = static_cast<float>(0.4 * std::sin(2 * kPi * f * i / kRate) + n);
    s[2 * i + 1] = static_cast<float>(0.3 * std::sin(2 * kPi * 1.5 * f * i / kRate) - n);
  }
  return s;
}

class HostLv2 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Exists(std::string(TONEGLASS_LV2_BUNDLE) + "/manifest.ttl")) << TONEGLASS_LV2_BUNDLE;
    WriteWav(mFolder.Path("in.wav"), Material());
  }
  std::string In() const { return mFolder.Path("in.wav"); }
  std::string Out(const std::string& name) const { return mFolder.Path(name); }

  // The folder LV2_PATH names so that the built bundle is found by its URI, alone.
  std::string BundleParent() const {
    const std::string bundle = TONEGLASS_LV2_BUNDLE;
    return bundle.substr(0, bundle.find_last_of('/'));
  }

  TempFolder mFolder;
};

// ---- The built bundle against the VST 2 build -------------------------------------------

TEST_F(HostLv2, ToneglassBundleWritesTheSameFileAsTheVstPluginAtAnyBlockSize) {
  // VST 2 hands parameters over as normalised single-precision numbers, LV2 as plain
  // ones: the settings are values the normalised form holds exactly (halfway, or an end
  // of the range), so both plug-ins really have the same settings. Others differ in the
  // parameter's last bits, and so does the audio.
  const std::vector<std::string> settings = {"--set", "Threshold=-27", "--set", "selection size=5025 Hz",
                                             "--set", "Wet=0", "--set", "Dry=0"};
  for (const char* block : {"512", "1", "333", "4096"}) {
    SCOPED_TRACE(block);
    std::vector<std::string> vst = {"render", In(), Out("vst.wav"), "--plugin", TONEGLASS_PLUGIN_SO, "--precision",
                                    "single", "--block", block};
    std::vector<std::string> lv2 = {"render", In(), Out("lv2.wav"), "--plugin", TONEGLASS_LV2_BUNDLE, "--block", block};
    vst.insert(vst.end(), settings.begin(), settings.end());
    lv2.insert(lv2.end(), settings.begin(), settings.end());
    const ToolRun a = RunHost(mFolder, vst);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    const ToolRun b = RunHost(mFolder, lv2);
    ASSERT_EQ(b.exitCode, 0) << b.err;
    EXPECT_NE(b.out.find("plug-in     Toneglass (" + std::string(TONEGLASS_LV2_BUNDLE) + ")"), std::string::npos)
        << b.out;
    const std::vector<unsigned char> vstBytes = ReadFileBytes(Out("vst.wav"));
    ASSERT_GT(vstBytes.size(), 3u * kRate * 2 * 4);
    EXPECT_TRUE(vstBytes == ReadFileBytes(Out("lv2.wav")));
  }
  // The settings reached the plug-in: with the defaults (no blips, Dry -6 dB) the
  // output is quite another.
  const ToolRun plain = RunHost(mFolder, {"render", In(), Out("plain.wav"), "--plugin", TONEGLASS_LV2_BUNDLE});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_FALSE(ReadFileBytes(Out("plain.wav")) == ReadFileBytes(Out("lv2.wav")));
}

TEST_F(HostLv2, ToneglassFoundByItsUriThroughLv2PathRendersLikeTheBundlePath) {
  const ToolRun byPath = RunHost(mFolder, {"render", In(), Out("path.wav"), "--plugin", TONEGLASS_LV2_BUNDLE,
                                           "--set", "Threshold=-40", "--set", "Dry=0"});
  ASSERT_EQ(byPath.exitCode, 0) << byPath.err;
  const ToolRun byUri = RunHost(mFolder, {"render", In(), Out("uri.wav"), "--plugin", kToneglassUri, "--set",
                                          "threshold=-40 dB", "--set", "dry=0"},
                                "LV2_PATH=" + Quoted(BundleParent()));
  ASSERT_EQ(byUri.exitCode, 0) << byUri.err;
  EXPECT_TRUE(ReadFileBytes(Out("path.wav")) == ReadFileBytes(Out("uri.wav")));
}

TEST_F(HostLv2, InfoDescribesTheBundleWithPortsRangesPresetsAndEditor) {
  const ToolRun run = RunHost(mFolder, {"info", "--plugin", TONEGLASS_LV2_BUNDLE, "--set", "Wet=-20"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string& o = run.out;
  for (const char* line : {"format           LV2", "name             Toneglass", "URI              urn:vantor:toneglass",
                           "maker            Vantor", "inputs           2 (", "outputs          2 ("})
    EXPECT_NE(o.find(line), std::string::npos) << line << "\n" << o;
  EXPECT_NE(o.find("AnalyserPlugin"), std::string::npos) << o;
  EXPECT_NE(o.find("-60 to 6 dB, default 0"), std::string::npos) << o;
  EXPECT_NE(o.find("20 to 22050 Hz, default 20"), std::string::npos) << o;
  // The value column shows the --set value, the range the default.
  EXPECT_NE(o.find(" -20  "), std::string::npos) << o;
  EXPECT_NE(o.find("-61 to 0 dB, default -6"), std::string::npos) << o;
  EXPECT_NE(o.find("ui#X11UI"), std::string::npos) << o;
  EXPECT_EQ(o.find("presets          0\n"), std::string::npos) << o;
}

// ---- Settings by the rules of the VST 2 parameters ---------------------------------------

TEST_F(HostLv2, SettingsOutsideTheRangeAreClampedWithTheWarningVstParametersGive) {
  const ToolRun run = RunHost(mFolder, {"info", "--plugin", TONEGLASS_LV2_BUNDLE, "--set", "Threshold=10 dB"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("warning: 'Threshold' ranges from -60 to 6 dB; 10 dB is outside it, so the value used is 6 dB"),
            std::string::npos)
      << run.err;
}

TEST_F(HostLv2, BadSettingsFailBeforeAnythingIsWritten) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{"--set", "Loudness=3"}, "unknown parameter 'Loudness' (toneglass-host info lists them)"},
      {{"--set", "Threshold=-30 Hz"}, "parameter 'Threshold' takes a number or one of its display texts, not '-30 Hz'"},
      {{"--set", "Dry=loud"}, "not 'loud'"},
      {{"--set-normalized", "4=1.5"}, "'1.5' is not a value from 0 to 1"},
      {{"--set-normalized", "99=0.5"}, "no control input port number '99'"},
      {{"--load-preset", "No Such Preset"}, "has no preset 'No Such Preset'"},
      {{"--editor-png", Out("e.png")}, "--editor-png draws the editor of VST 2 plug-ins only"},
      {{"--save-preset", Out("p.fxp")}, "--save-preset writes VST 2 preset files only"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"render", In(), Out("out.wav"), "--plugin", TONEGLASS_LV2_BUNDLE};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ToolRun run = RunHost(mFolder, args);
    EXPECT_EQ(run.exitCode, 1) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(Exists(Out("out.wav"))) << c.message;
    EXPECT_FALSE(Exists(Out("e.png")));
    EXPECT_FALSE(Exists(Out("p.fxp")));
  }
}

TEST_F(HostLv2, NormalisedSettingsSpanThePortRange) {
  // Port numbers as info lists them: the first control input is Threshold (-60..6 dB).
  const ToolRun info = RunHost(mFolder, {"info", "--plugin", TONEGLASS_LV2_BUNDLE});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  const size_t row = info.out.find(" threshold ");
  ASSERT_NE(row, std::string::npos) << info.out;
  const size_t lineStart = info.out.rfind('\n', row) + 1;
  const std::string port = std::to_string(std::atoi(info.out.c_str() + lineStart));
  const ToolRun half = RunHost(mFolder, {"info", "--plugin", TONEGLASS_LV2_BUNDLE, "--set-normalized", port + "=0.5"});
  ASSERT_EQ(half.exitCode, 0) << half.err;
  const std::string line = half.out.substr(half.out.find(" threshold "), 80);
  EXPECT_NE(line.find(" -27 "), std::string::npos) << line;
}

// ---- A third-party plug-in --------------------------------------------------------------

TEST_F(HostLv2, LspDelayDelaysByTheSamplesItIsSetToByNameOrSymbol) {
  if (!Exists(kLspBundle)) GTEST_SKIP() << "lsp-plugins-lv2 is not installed";
  const std::vector<float> in = ReadWav(In());
  for (const char* setting : {"samp=100", "Samples=100"}) {
    SCOPED_TRACE(setting);
    const ToolRun run =
        RunHost(mFolder, {"render", In(), Out("lsp.wav"), "--plugin", kLspDelayUri, "--set", setting, "--block", "300"},
                WithoutLeakChecks());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("LSP Delay Compensator Stereo"), std::string::npos) << run.out;
    const std::vector<float> out = ReadWav(Out("lsp.wav"));
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 0; i < 200; ++i) ASSERT_EQ(out[i], 0.0f) << i;
    for (size_t i = 200; i < out.size(); ++i) ASSERT_EQ(out[i], in[i - 200]) << i;
    std::remove(Out("lsp.wav").c_str());
  }
  // A scale point by its label: in Time mode, with a delay longer than the input, the
  // output is silence; 2000 ms is beyond the port's range and is clamped with a warning.
  const ToolRun timed = RunHost(mFolder, {"render", In(), Out("lsp.wav"), "--plugin", kLspDelayUri, "--set",
                                          "mode=time", "--set", "time=5000"},
                                WithoutLeakChecks());
  ASSERT_EQ(timed.exitCode, 0) << timed.err;
  EXPECT_NE(timed.err.find("'Time' ranges from 0 to 1000 ms; 5000 is outside it"), std::string::npos) << timed.err;
  const std::vector<float> out = ReadWav(Out("lsp.wav"));
  ASSERT_EQ(out.size(), in.size());
  for (size_t i = 0; i < 2 * kRate; ++i) ASSERT_EQ(out[i], 0.0f) << i;
}

// ---- Plug-ins that cannot be rendered ------------------------------------------------------

TEST_F(HostLv2, UnusableReferencesEndWithAClearErrorAndNoOutput) {
  mkdir(Out("empty.lv2").c_str(), 0755);
  struct Case {
    std::string plugin;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Out("missing.lv2"), "cannot load LV2 bundle " + Out("missing.lv2") + ": No such file or directory"},
      {Out("empty.lv2"), "it has no manifest.ttl, so it is not an LV2 bundle"},
      {"urn:vantor:no-such-plugin", "no LV2 plug-in with the URI urn:vantor:no-such-plugin is installed"},
  };
  for (const Case& c : cases) {
    for (const char* command : {"render", "info"}) {
      std::vector<std::string> args = {command};
      if (std::string(command) == "render") args.insert(args.end(), {In(), Out("out.wav")});
      args.insert(args.end(), {"--plugin", c.plugin});
      const ToolRun run = RunHost(mFolder, args, "LV2_PATH=" + Quoted(BundleParent()));
      EXPECT_EQ(run.exitCode, 1) << c.plugin;
      EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
      EXPECT_FALSE(Exists(Out("out.wav")));
    }
  }
}

TEST_F(HostLv2, APluginRequiringAFeatureTheHostLacksIsRefusedBeforeItsCodeRuns) {
  // The built bundle, described as needing the worker feature.
  const std::string bundle = Out("needs-worker.lv2");
  mkdir(bundle.c_str(), 0755);
  for (const auto& entry : std::filesystem::directory_iterator(TONEGLASS_LV2_BUNDLE)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ttl") == 0)
      std::filesystem::copy_file(entry.path(), bundle + "/" + name);
    else
      ASSERT_EQ(symlink(entry.path().c_str(), (bundle + "/" + name).c_str()), 0);
  }
  const std::string ttl = bundle + "/Toneglass.ttl";
  ASSERT_TRUE(Exists(ttl));
  WriteFileText(ttl, ReadFileText(ttl) + "\n<urn:vantor:toneglass> lv2:requiredFeature "
                                          "<http://lv2plug.in/ns/ext/worker#schedule> .\n");
  for (const char* command : {"render", "info"}) {
    std::vector<std::string> args = {command};
    if (std::string(command) == "render") args.insert(args.end(), {In(), Out("out.wav")});
    args.insert(args.end(), {"--plugin", bundle});
    const ToolRun run = RunHost(mFolder, args);
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_NE(run.err.find("the LV2 plug-in urn:vantor:toneglass requires a host feature toneglass-host does not "
                           "offer: http://lv2plug.in/ns/ext/worker#schedule"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(Exists(Out("out.wav")));
  }
}

TEST_F(HostLv2, APluginWhoseAtomPortMustBeConnectedIsRefused) {
  // Ardour's delay takes the tempo through an atom port it needs connected.
  if (!Exists("/usr/lib/lv2/a-delay.lv2/manifest.ttl")) GTEST_SKIP() << "Ardour's LV2 plug-ins are not installed";
  const ToolRun run = RunHost(mFolder, {"render", In(), Out("out.wav"), "--plugin", "/usr/lib/lv2/a-delay.lv2"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("connected, an atom port toneglass-host does not connect"), std::string::npos) << run.err;
  EXPECT_FALSE(Exists(Out("out.wav")));
}

TEST_F(HostLv2, AMonoPluginRefusesAStereoFile) {
  if (!Exists(kLspBundle)) GTEST_SKIP() << "lsp-plugins-lv2 is not installed";
  const ToolRun stereo =
      RunHost(mFolder, {"render", In(), Out("out.wav"), "--plugin", "http://lsp-plug.in/plugins/lv2/comp_delay_mono"});
  EXPECT_EQ(stereo.exitCode, 1);
  EXPECT_NE(stereo.err.find("the input has 2 channels but the plug-in takes 1 input"), std::string::npos) << stereo.err;
  EXPECT_FALSE(Exists(Out("out.wav")));
}

}  // namespace
