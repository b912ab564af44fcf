// The command-line host, tested from outside: the built tool is run on small WAV files
// written here, against the third-party plug-ins installed in /usr/lib/vst and, once it
// is built, Toneglass.so. Its option parser, host callback and test signal are also
// linked in and checked directly.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>

#include "host_callback.h"
#include "host_tool_fixture.h"
#include "options.h"
#include "test_signal.h"

namespace {

const char* const kEq = "/usr/lib/vst/3BandEQ-vst.so";
const char* const kAnalyzer = "/usr/lib/vst/lsp-plugins/spectrum-analyzer-x2.so";
constexpr double kPi = 3.141592653589793;

std::string ToneglassPlugin() {
#ifdef TONEGLASS_PLUGIN_SO
  return TONEGLASS_PLUGIN_SO;
#else
  return "";
#endif
}

// ---- Audio files ------------------------------------------------------------------------

// A stereo test input: a sine on the left, a different one plus a little noise on the right.
std::vector<double> StereoSignal(int rate, double seconds, double amplitude = 0.5) {
  const size_t frames = static_cast<size_t>(rate * seconds);
  std::vector<double> s(frames * 2);
  uint32_t noise = 1;
  for (size_t i = 0; i < frames; ++i) {
    noise = noise * 1664525u + 1013904223u;
    const double t = static_cast<double>(i) / rate;
    s[2 * i] = amplitude * std::sin(2 * kPi * 330.0 * t);
    s[2 * i + 1] =
        amplitude * 0.5 * std::sin(2 * kPi * 1250.0 * t) + 0.05 * ((noise >> 8) / 16777216.0 - 0.5);
  }
  return s;
}

std::vector<double> Sine(int rate, double seconds, double frequency, double amplitude, int channels) {
  const size_t frames = static_cast<size_t>(rate * seconds);
  std::vector<double> s(frames * channels);
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[i * channels + c] = amplitude * std::sin(2 * kPi * frequency * i / rate);
  return s;
}

double Rms(const std::vector<double>& s) {
  double sum = 0;
  for (double v : s) sum += v * v;
  return s.empty() ? 0.0 : std::sqrt(sum / s.size());
}

double MaxAbsDiff(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return INFINITY;
  double m = 0;
  for (size_t i = 0; i < a.size(); ++i) m = std::max(m, std::fabs(a[i] - b[i]));
  return m;
}

// Energy of one channel after a band-pass (RBJ, constant peak gain) centred on `centre`.
double BandEnergy(const Audio& a, int channel, double centre, double q) {
  const double w = 2 * kPi * centre / a.rate, alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
  const double b0 = alpha / a0, b2 = -alpha / a0, a1 = -2 * std::cos(w) / a0, a2 = (1 - alpha) / a0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0, energy = 0;
  for (size_t i = 0; i < a.Frames(); ++i) {
    const double x = a.At(i, channel);
    const double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    energy += y * y;
  }
  return energy;
}

using HostTool = HostToolTest;

#define REQUIRE_PLUGIN(path) \
  if (!FileExists(path)) GTEST_SKIP() << (path) << " is not installed"

// ---- Option parsing ---------------------------------------------------------------------

bool Parse(std::vector<const char*> args, vsthost::Options* o, std::string* error) {
  args.insert(args.begin(), "toneglass-host");
  return vsthost::ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(HostOptions, RenderWithEverySettingInBothSpellings) {
  vsthost::Options o;
  std::string e;
  ASSERT_TRUE(Parse({"render", "a.wav", "b.wav", "--plugin", "p.so", "--block=64", "--precision", "single",
                     "--format=pcm24", "--set", "Dry=-61", "--set-normalized=2=0.5", "--set", "Wet=x=y"},
                    &o, &e))
      << e;
  EXPECT_EQ(o.command, vsthost::Command::kRender);
  EXPECT_EQ(o.inPath, "a.wav");
  EXPECT_EQ(o.outPath, "b.wav");
  EXPECT_EQ(o.pluginPath, "p.so");
  EXPECT_EQ(o.blockSize, 64);
  EXPECT_EQ(o.precision, vsthost::Precision::kSingle);
  EXPECT_EQ(o.format, vsthost::OutputFormat::kPcm24);
  ASSERT_EQ(o.assignments.size(), 3u);  // in command-line order
  EXPECT_FALSE(o.assignments[0].normalized);
  EXPECT_EQ(o.assignments[0].key, "Dry");
  EXPECT_EQ(o.assignments[0].value, "-61");
  EXPECT_TRUE(o.assignments[1].normalized);
  EXPECT_EQ(o.assignments[1].key, "2");
  EXPECT_EQ(o.assignments[1].value, "0.5");
  EXPECT_EQ(o.assignments[2].key, "Wet");  // the first '=' splits; the value keeps the rest
  EXPECT_EQ(o.assignments[2].value, "x=y");
}

TEST(HostOptions, DefaultsAndDemoOutput) {
  vsthost::Options o;
  std::string e;
  ASSERT_TRUE(Parse({"demo"}, &o, &e)) << e;
  EXPECT_EQ(o.outPath, "toneglass-demo.wav");
  EXPECT_EQ(o.blockSize, 512);
  EXPECT_EQ(o.precision, vsthost::Precision::kDouble);
  EXPECT_EQ(o.format, vsthost::OutputFormat::kFloat);
  EXPECT_TRUE(o.pluginPath.empty());
  ASSERT_TRUE(Parse({"demo", "x.wav"}, &o, &e)) << e;
  EXPECT_EQ(o.outPath, "x.wav");
  ASSERT_TRUE(Parse({"render", "--", "-in.wav", "-out.wav"}, &o, &e)) << e;  // names that look like options
  EXPECT_EQ(o.inPath, "-in.wav");
  ASSERT_TRUE(Parse({"info", "--help"}, &o, &e));
  EXPECT_EQ(o.command, vsthost::Command::kHelp);
}

TEST(HostOptions, RejectsBadCommandLines) {
  const std::vector<std::vector<const char*>> bad = {
      {},
      {"play"},
      {"render", "a.wav"},
      {"render", "a.wav", "b.wav", "c.wav"},
      {"info", "a.wav"},
      {"demo", "a.wav", "b.wav"},
      {"render", "a", "b", "--block", "0"},
      {"render", "a", "b", "--block", "65537"},
      {"render", "a", "b", "--block", "12x"},
      {"render", "a", "b", "--block"},
      {"render", "a", "b", "--precision", "half"},
      {"render", "a", "b", "--format", "mp3"},
      {"render", "a", "b", "--set", "Dry"},
      {"render", "a", "b", "--set", "=3"},
      {"render", "a", "b", "--set", "Dry="},
      {"render", "a", "b", "--loud"},
      {"render", "a", "b", "--plugin="},
  };
  for (const auto& args : bad) {
    vsthost::Options o;
    std::string e;
    EXPECT_FALSE(Parse(args, &o, &e)) << (args.empty() ? "(none)" : args[0]);
    EXPECT_FALSE(e.empty());
    EXPECT_EQ(e.find('\n'), std::string::npos);
  }
}

// ---- Host callback and transport --------------------------------------------------------

TEST(HostCallback, AnswersTheHostQueries) {
  vsthost::HostContext context;
  context.sampleRate.store(48000.0);
  context.blockSize.store(256);
  vsthost::SetHostContext(&context);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0), 2400);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterGetSampleRate, 0, 0, nullptr, 0), 48000);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterGetBlockSize, 0, 0, nullptr, 0), 256);
  char text[kVstMaxProductStrLen];
  memset(text, 'x', sizeof(text));
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterGetProductString, 0, 0, text, 0), 1);
  EXPECT_STREQ(text, "toneglass-host");
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterGetVendorString, 0, 0, text, 0), 1);
  EXPECT_GT(strlen(text), 0u);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterGetProductString, 0, 0, nullptr, 0), 0);
  char canDo[] = "sendVstTimeInfo";
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterCanDo, 0, 0, canDo, 0), 1);
  char cannot[] = "openFileSelector";
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterCanDo, 0, 0, cannot, 0), 0);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterCanDo, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterAutomate, 3, 0, nullptr, 0.5f), 1);
  EXPECT_EQ(context.automateCount.load(), 1);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterBeginEdit, 3, 0, nullptr, 0), 1);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterEndEdit, 3, 0, nullptr, 0), 1);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterIOChanged, 0, 0, nullptr, 0), 1);
  EXPECT_TRUE(context.ioChanged.load());
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterUpdateDisplay, 0, 0, nullptr, 0), 1);
  // Unknown and unanswered opcodes: 0.
  EXPECT_EQ(vsthost::HostCallback(nullptr, 5, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(vsthost::HostCallback(nullptr, audioMasterSizeWindow, 700, 400, nullptr, 0), 0);
  EXPECT_EQ(vsthost::HostCallback(nullptr, 12345, 0, 0, nullptr, 0), 0);
  vsthost::SetHostContext(nullptr);
}

TEST(HostCallback, TimeInfoIsAPlaying120BpmFourFourSong) {
  vsthost::HostContext context;
  context.sampleRate.store(44100.0);
  context.samplePos.store(44100 * 3 + 22050);  // 3.5 s = 7 quarter notes
  vsthost::SetHostContext(&context);
  const VstTimeInfo* t = reinterpret_cast<const VstTimeInfo*>(
      vsthost::HostCallback(nullptr, audioMasterGetTime, 0, kVstTempoValid, nullptr, 0));
  ASSERT_NE(t, nullptr);
  EXPECT_DOUBLE_EQ(t->samplePos, 154350.0);
  EXPECT_DOUBLE_EQ(t->sampleRate, 44100.0);
  EXPECT_DOUBLE_EQ(t->ppqPos, 7.0);
  EXPECT_DOUBLE_EQ(t->tempo, 120.0);
  EXPECT_DOUBLE_EQ(t->barStartPos, 4.0);
  EXPECT_EQ(t->timeSigNumerator, 4);
  EXPECT_EQ(t->timeSigDenominator, 4);
  const VstInt32 want =
      kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
  EXPECT_EQ(t->flags & want, want);
  EXPECT_EQ(t->flags & (kVstCyclePosValid | kVstTransportCycleActive | kVstTransportRecording), 0);
  vsthost::SetHostContext(nullptr);
}

// ---- Test signal ------------------------------------------------------------------------

TEST(DemoSignal, TenSecondsOfTonesInsideTheDemoBandOverQuietNoise) {
  vsthost::TestSignalSource source;
  EXPECT_EQ(source.Channels(), 2);
  EXPECT_EQ(source.SampleRate(), 44100.0);
  EXPECT_EQ(source.Frames(), 441000);
  const double bandLow = vsthost::kDemoSelectionStartHz;
  const double bandHigh = bandLow + vsthost::kDemoSelectionSizeHz;
  double maxAmp = 0;
  for (int64_t f = 0; f < source.Frames(); f += 97) {
    double amp = 0, freq = 0;
    source.ToneAt(f, &amp, &freq);
    if (amp > 0) {
      EXPECT_GT(freq, bandLow) << f;  // strictly inside the band the demo selects
      EXPECT_LT(freq, bandHigh) << f;
      EXPECT_GT(freq, 880.0) << f;  // and above the blips' highest pitch
    }
    maxAmp = std::max(maxAmp, amp);
  }
  // The last phrase sounds until the end, loudest of all: the picture taken at the
  // end shows it (the last whole analysis frame ends 680 frames before the end).
  for (int64_t f = source.Frames() - 2 * 2048; f < source.Frames() - 900; f += 11) {
    double amp = 0, freq = 0;
    source.ToneAt(f, &amp, &freq);
    EXPECT_NEAR(20 * std::log10(amp), vsthost::kDemoThresholdDb + 13.0, 0.1) << f;
  }
  double amp = 1, freq = 1;
  source.ToneAt(source.Frames(), &amp, &freq);  // past the end: nothing
  EXPECT_EQ(amp, 0.0);
  // The loudest phrase stays well below full scale (13 dB over a -24 dB threshold).
  EXPECT_NEAR(20 * std::log10(maxAmp), vsthost::kDemoThresholdDb + 13.0, 0.1);
  std::vector<double> all(static_cast<size_t>(source.Frames()) * 2 + 2);
  std::string e;
  EXPECT_EQ(source.Read(all.data(), source.Frames() + 1, &e), source.Frames());
  EXPECT_EQ(source.Read(all.data(), 10, &e), 0);
  all.resize(static_cast<size_t>(source.Frames()) * 2);
  // The gaps between phrases hold only the noise, about -50 dBFS.
  std::vector<double> gap(all.begin() + 2 * 75000, all.begin() + 2 * 85000);  // 1.70 to 1.93 s
  EXPECT_NEAR(20 * std::log10(Rms(gap)), -50.5, 1.0);
}

// ---- The tool: usage --------------------------------------------------------------------

TEST_F(HostTool, HelpAndUsageErrors) {
  ToolRun help = Tool({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("render IN OUT"), std::string::npos);
  ToolRun none = Tool({});
  EXPECT_EQ(none.exitCode, 2);
  ToolRun bad = Tool({"render", "a.wav", "b.wav", "--block", "-4"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.err.rfind("toneglass-host: error: --block", 0), 0u) << bad.err;
}

// ---- The tool: third-party plug-ins -----------------------------------------------------

TEST_F(HostTool, InfoOnThreeBandEq) {
  REQUIRE_PLUGIN(kEq);
  ToolRun r = Tool({"info", "--plugin", kEq});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* expected :
       {"3 Band EQ", "DISTRHO", "'D3EQ'", "inputs           2", "outputs          2", "CanReplacing",
        "parameters       6", "Low-Mid Freq", "Hz", "receiveVstTimeInfo"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

// A plug-in that leaks at unload and has an extra analysis output: described, and its
// audio passes through.
TEST_F(HostTool, LspAnalyzerInfoAndPassThrough) {
  REQUIRE_PLUGIN(kAnalyzer);
  ToolRun r = ToolWithLeakyPlugin({"info", "--plugin", kAnalyzer});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* expected :
       {"Spectrum Analyzer x2", "LSP", "analysis (3)", "inputs           2", "ProgramChunks"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  const std::vector<double> in = StereoSignal(48000, 0.5);
  WriteWav(Path("in.wav"), 2, 48000, in);
  r = ToolWithLeakyPlugin({"render", "in.wav", "out.wav", "--plugin", kAnalyzer, "--block", "1000"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Audio out = ReadWav(Path("out.wav"));
  EXPECT_EQ(out.rate, 48000);
  EXPECT_LT(MaxAbsDiff(out.samples, in), 1e-6);
}

TEST_F(HostTool, ThreeBandEqAtDefaultsIsCloseToIdentity) {
  REQUIRE_PLUGIN(kEq);
  const std::vector<double> in = StereoSignal(44100, 1.0);
  WriteWav(Path("in.wav"), 2, 44100, in);
  ToolRun r = Tool({"render", "in.wav", "out.wav", "--plugin", kEq});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Audio out = ReadWav(Path("out.wav"));
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.rate, 44100);
  EXPECT_EQ(out.format, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT);
  ASSERT_EQ(out.samples.size(), in.size());
  // Measured: the band split and sum leaves an error of about -180 dB RMS, at most a
  // few single-precision rounding steps.
  std::vector<double> diff(in.size());
  for (size_t i = 0; i < in.size(); ++i) diff[i] = out.samples[i] - in[i];
  EXPECT_LT(20 * std::log10(Rms(diff) + 1e-300), -140.0);
  EXPECT_LT(MaxAbsDiff(out.samples, in), 1e-6);
  // The summary.
  EXPECT_NE(r.out.find("real time"), std::string::npos);
  EXPECT_NE(r.out.find("wrote"), std::string::npos);
  EXPECT_EQ(List(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_F(HostTool, MonoFeedsBothInputsAndTheRateIsKept) {
  REQUIRE_PLUGIN(kEq);
  WriteWav(Path("mono.wav"), 1, 22050, Sine(22050, 0.5, 500.0, 0.25, 1), SF_FORMAT_PCM_16);
  ToolRun r = Tool({"render", "mono.wav", "out.wav", "--plugin", kEq, "--precision", "single"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Audio in = ReadWav(Path("mono.wav"));
  const Audio out = ReadWav(Path("out.wav"));
  ASSERT_EQ(out.channels, 2);
  EXPECT_EQ(out.rate, 22050);
  ASSERT_EQ(out.Frames(), in.Frames());
  double worst = 0;
  for (size_t i = 0; i < in.Frames(); ++i) {
    worst = std::max(worst, std::fabs(out.At(i, 0) - in.At(i, 0)));
    worst = std::max(worst, std::fabs(out.At(i, 1) - in.At(i, 0)));
  }
  EXPECT_LT(worst, 1e-4);
  EXPECT_NE(r.out.find("fed to every input"), std::string::npos);
}

TEST_F(HostTool, PlainAndNormalisedParameterValues) {
  REQUIRE_PLUGIN(kEq);
  const std::vector<double> in = StereoSignal(44100, 0.5);
  WriteWav(Path("in.wav"), 2, 44100, in);
  // Master -6 dB: by name in its own unit (any letter case), and as normalised 0.375 of -24..24.
  ToolRun plain = Tool({"render", "in.wav", "plain.wav", "--plugin", kEq, "--set", "master=-6"});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  ToolRun norm = Tool({"render", "in.wav", "norm.wav", "--plugin", kEq, "--set-normalized", "3=0.375"});
  ASSERT_EQ(norm.exitCode, 0) << norm.err;
  const double gain = Rms(ReadWav(Path("plain.wav")).samples) / Rms(in);
  EXPECT_NEAR(20 * std::log10(gain), -6.0, 0.05);  // the plug-in maps -6 dB to a gain of 0.5
  EXPECT_LT(MaxAbsDiff(ReadWav(Path("plain.wav")).samples, ReadWav(Path("norm.wav")).samples), 1e-6);
  // Later settings win.
  ToolRun twice =
      Tool({"render", "in.wav", "twice.wav", "--plugin", kEq, "--set", "Master=-6", "--set", "Master=0"});
  ASSERT_EQ(twice.exitCode, 0) << twice.err;
  EXPECT_LT(MaxAbsDiff(ReadWav(Path("twice.wav")).samples, in), 1e-4);
}

TEST_F(HostTool, IntegerFormatsClipInsteadOfWrapping) {
  REQUIRE_PLUGIN(kEq);
  WriteWav(Path("hot.wav"), 2, 44100, Sine(44100, 0.2, 200.0, 1.5, 2));
  for (const char* format : {"pcm16", "pcm24"}) {
    const std::string name = std::string(format) + ".wav";
    ToolRun r = Tool({"render", "hot.wav", name, "--plugin", kEq, "--format", format});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Audio out = ReadWav(Path(name));
    EXPECT_EQ(out.format & SF_FORMAT_SUBMASK,
              std::string(format) == "pcm16" ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
    double peak = 0, low = 0;
    for (double v : out.samples) peak = std::max(peak, v), low = std::min(low, v);
    EXPECT_GT(peak, 0.99);
    EXPECT_LE(peak, 1.0);
    EXPECT_LT(low, -0.99);
  }
}

// ---- The tool: failures leave nothing behind --------------------------------------------

TEST_F(HostTool, FailuresAreOneLineAndLeaveNoOutput) {
  REQUIRE_PLUGIN(kEq);
  WriteWav(Path("in.wav"), 2, 44100, StereoSignal(44100, 0.1));
  WriteWav(Path("three.wav"), 3, 44100, std::vector<double>(300, 0.1));
  { std::ofstream(Path("text.wav")) << "this is not audio\n"; }
  { std::ofstream(Path("fake.so")) << "not a shared object\n"; }
  const std::vector<std::string> before = List();

  struct Case {
    std::vector<std::string> args;
    const char* about;
  };
  const std::vector<Case> cases = {
      {{"render", "missing.wav", "out.wav", "--plugin", kEq}, "missing.wav"},
      {{"render", "text.wav", "out.wav", "--plugin", kEq}, "not an audio file"},
      {{"render", ".", "out.wav", "--plugin", kEq}, "directory"},
      {{"render", "in.wav", "out.wav", "--plugin", kEq, "--set", "Loudness=3"},
       "unknown parameter 'Loudness'"},
      {{"render", "in.wav", "out.wav", "--plugin", kEq, "--set-normalized", "6=0.5"}, "no parameter number"},
      {{"render", "in.wav", "out.wav", "--plugin", kEq, "--set-normalized", "0=1.5"}, "0 to 1"},
      {{"render", "in.wav", "out.wav", "--plugin", "nowhere/none.so"}, "cannot load plug-in"},
      {{"render", "in.wav", "out.wav", "--plugin", "fake.so"}, "cannot load plug-in"},
      {{"render", "in.wav", "out.wav", "--plugin", "/usr/lib"}, "directory"},
      {{"render", "three.wav", "out.wav", "--plugin", kEq}, "3 channels"},
      {{"render", "in.wav", "no-such-folder/out.wav", "--plugin", kEq}, "no-such-folder"},
      {{"info", "--plugin", "fake.so"}, "fake.so"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " ... " + c.args.back());
    ToolRun r = Tool(c.args);
    ExpectOneLineError(r, c.about);
    EXPECT_EQ(List(), before);  // no OUT, no temporary file
  }
}

TEST_F(HostTool, AFailedRenderKeepsTheOldOutput) {
  REQUIRE_PLUGIN(kEq);
  WriteWav(Path("in.wav"), 2, 44100, StereoSignal(44100, 0.1));
  { std::ofstream(Path("out.wav")) << "previous result"; }
  ToolRun r = Tool({"render", "in.wav", "out.wav", "--plugin", kEq, "--set", "Nope=1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Slurp(Path("out.wav")), "previous result");
  // A successful one replaces it, with the permissions of a new file rather than private ones.
  r = Tool({"render", "in.wav", "out.wav", "--plugin", kEq});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadWav(Path("out.wav")).channels, 2);
  struct stat st;
  ASSERT_EQ(stat(Path("out.wav").c_str(), &st), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
  EXPECT_EQ(List(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_F(HostTool, EmptyInputRendersAnEmptyOutput) {
  REQUIRE_PLUGIN(kEq);
  WriteWav(Path("empty.wav"), 2, 32000, {});
  ToolRun r = Tool({"render", "empty.wav", "out.wav", "--plugin", kEq});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Audio empty = ReadWav(Path("out.wav"));
  EXPECT_EQ(empty.channels, 2);
  EXPECT_EQ(empty.rate, 32000);
  EXPECT_EQ(empty.Frames(), 0u);
}

TEST_F(HostTool, OutputThatIsTheInputUnderAnyNameIsRefused) {
  REQUIRE_PLUGIN(kEq);
  WriteWav(Path("song.wav"), 2, 44100, StereoSignal(44100, 0.2));
  const std::string song = Slurp(Path("song.wav"));
  ASSERT_EQ(symlink("song.wav", Path("soft.wav").c_str()), 0);
  ASSERT_EQ(link(Path("song.wav").c_str(), Path("hard.wav").c_str()), 0);
  const std::vector<std::string> before = List();
  for (const std::string& out : {std::string("song.wav"), std::string("./song.wav"), Path("song.wav"),
                                  std::string("soft.wav"), std::string("hard.wav")}) {
    SCOPED_TRACE(out);
    ToolRun r = Tool({"render", "song.wav", out, "--plugin", kEq, "--set", "Master=-6"});
    ExpectOneLineError(r, "is the input file itself");
    EXPECT_EQ(Slurp(Path("song.wav")), song);
    EXPECT_EQ(List(), before);
  }
  // Through the link the other way round too, and with an input that is not audio: the
  // check comes before anything is read.
  { std::ofstream(Path("notes.txt")) << "not audio"; }
  ToolRun r = Tool({"render", "soft.wav", "song.wav", "--plugin", kEq});
  ExpectOneLineError(r, "is the input file itself");
  r = Tool({"render", "notes.txt", "notes.txt", "--plugin", kEq});
  ExpectOneLineError(r, "is the input file itself");
  EXPECT_EQ(Slurp(Path("notes.txt")), "not audio");
  EXPECT_EQ(Slurp(Path("song.wav")), song);
}

TEST_F(HostTool, AnInterruptedRenderRemovesItsTemporaryFile) {
  REQUIRE_PLUGIN(kEq);
  WriteWav(Path("long.wav"), 2, 44100, Sine(44100, 60.0, 440.0, 0.3, 2), SF_FORMAT_PCM_16);
  // Two frames per call keep the render busy long enough to catch it in the middle.
  const pid_t pid = Start({"render", "long.wav", "out.wav", "--plugin", kEq, "--block", "2"});
  bool sawPartial = false;
  for (int i = 0; i < 10000 && !sawPartial; ++i) {
    for (const std::string& name : List()) sawPartial = sawPartial || name.rfind(".out.wav.partial-", 0) == 0;
    if (!sawPartial) usleep(1000);
  }
  ASSERT_TRUE(sawPartial);
  kill(pid, SIGINT);
  ToolRun r = Finish(pid);
  ExpectOneLineError(r, "interrupted");
  EXPECT_EQ(List(), (std::vector<std::string>{"long.wav"}));
}

// ---- The tool and a stand-in plug-in ----------------------------------------------------

// Runs the tool on the stand-in plug-in in the given mode, with its log in the test folder.
class FakePluginTool : public HostTool {
 protected:
  void SetUp() override {
    HostTool::SetUp();
    setenv("FAKE_PLUGIN_LOG", Path("calls.log").c_str(), 1);
    UseMode("normal");
  }
  void TearDown() override {
    unsetenv("FAKE_PLUGIN_LOG");
    unsetenv("FAKE_PLUGIN_MODE");
    HostTool::TearDown();
  }
  void UseMode(const char* mode) { setenv("FAKE_PLUGIN_MODE", mode, 1); }

  // The log's lines, "dispatch OPCODE VALUE OPT" and "process BITS FRAMES".
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    std::istringstream in(Slurp(Path("calls.log")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  static std::string Dispatch(int opcode, long long value = 0, double opt = 0) {
    char text[96];
    snprintf(text, sizeof(text), "dispatch %d %lld %g", opcode, value, opt);
    return text;
  }
  // Index of the first line equal to `line` at or after `from`; -1 if none.
  static int Find(const std::vector<std::string>& lines, const std::string& line, int from = 0) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i)
      if (lines[static_cast<size_t>(i)] == line) return i;
    return -1;
  }
};

TEST_F(FakePluginTool, DrivesThePluginInTheOrderHostsUse) {
  WriteWav(Path("in.wav"), 2, 48000, StereoSignal(48000, 0.1));  // 4800 frames
  ToolRun r = Tool({"render", "in.wav", "out.wav", "--plugin", FAKE_PLUGIN_SO, "--block", "1000"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> calls = Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), Dispatch(effOpen));
  const int rate = Find(calls, Dispatch(effSetSampleRate, 0, 48000));
  const int block = Find(calls, Dispatch(effSetBlockSize, 1000), rate);
  const int precision = Find(calls, Dispatch(effSetProcessPrecision, kVstProcessPrecision64), block);
  const int on = Find(calls, Dispatch(effMainsChanged, 1), precision);
  const int start = Find(calls, Dispatch(effStartProcess), on);
  const int firstBlock = Find(calls, "process 64 1000", start);
  const int lastBlock = Find(calls, "process 64 800", firstBlock);
  const int stop = Find(calls, Dispatch(effStopProcess), lastBlock);
  const int off = Find(calls, Dispatch(effMainsChanged, 0), stop);
  for (int step : {rate, block, precision, on, start, firstBlock, lastBlock, stop, off}) EXPECT_GE(step, 0);
  EXPECT_EQ(calls.back(), Dispatch(effClose));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "process 64 1000"), 4);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), std::string("process 32 1000")), 0);
}

TEST_F(FakePluginTool, ReportsTheSamplePositionOfEveryBlock) {
  const size_t frames = 1037;
  WriteWav(Path("in.wav"), 1, 44100, std::vector<double>(frames, 0.25));
  for (const char* precision : {"double", "single"}) {
    ToolRun r = Tool({"render", "in.wav", "out.wav", "--plugin", FAKE_PLUGIN_SO, "--block", "100",
                      "--precision", precision});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Audio out = ReadWav(Path("out.wav"));
    ASSERT_EQ(out.Frames(), frames);
    for (size_t i = 0; i < frames; ++i) {
      ASSERT_EQ(out.At(i, 1), static_cast<double>(i)) << precision << " frame " << i;
      ASSERT_EQ(out.At(i, 0), 0.25) << precision << " frame " << i;  // Gain 1 by default
    }
  }
  const std::vector<std::string> calls = Calls();  // the single-precision run's
  EXPECT_EQ(std::count(calls.begin(), calls.end(), std::string("process 32 100")), 10);
  EXPECT_GE(Find(calls, "process 32 37"), 0);
}

TEST_F(FakePluginTool, FallsBackToSinglePrecisionWhenThePluginLacksDouble) {
  UseMode("single");
  WriteWav(Path("in.wav"), 2, 44100, StereoSignal(44100, 0.05));
  ToolRun r = Tool({"render", "in.wav", "out.wav", "--plugin", FAKE_PLUGIN_SO});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> calls = Calls();
  EXPECT_GE(Find(calls, Dispatch(effSetProcessPrecision, kVstProcessPrecision32)), 0);
  EXPECT_GE(Find(calls, "process 32 512"), 0);
  EXPECT_LT(Find(calls, "process 64 512"), 0);
  EXPECT_NE(r.out.find("no double-precision processing"), std::string::npos) << r.out;
}

TEST_F(FakePluginTool, PlainValuesWithoutTextConversionAreFoundByTheirDisplay) {
  const std::vector<double> in = Sine(44100, 0.05, 300.0, 0.25, 2);
  WriteWav(Path("in.wav"), 2, 44100, in);
  ToolRun r = Tool({"render", "in.wav", "out.wav", "--plugin", FAKE_PLUGIN_SO, "--set", "gain=1.5"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Audio out = ReadWav(Path("out.wav"));
  for (size_t i = 0; i < out.Frames(); ++i) ASSERT_NEAR(out.At(i, 0), 1.5 * in[2 * i], 1e-6);
  ToolRun outside = Tool({"render", "in.wav", "out2.wav", "--plugin", FAKE_PLUGIN_SO, "--set", "Gain=2.5"});
  ASSERT_EQ(outside.exitCode, 0) << outside.err;
  EXPECT_NE(outside.err.find("'Gain' ranges from 0 to 2 x; 2.5 is outside it, so the value used is 2 x"),
            std::string::npos)
      << outside.err;
  const Audio clamped = ReadWav(Path("out2.wav"));
  for (size_t i = 0; i < clamped.Frames(); ++i) ASSERT_NEAR(clamped.At(i, 0), 2.0 * in[2 * i], 1e-6);
  ExpectOneLineError(Tool({"render", "in.wav", "out3.wav", "--plugin", FAKE_PLUGIN_SO, "--set", "Gain=big"}),
                     "takes a number or one of its display texts, not 'big'");
}

TEST_F(FakePluginTool, PluginsThatCannotServeAreRefused) {
  WriteWav(Path("in.wav"), 2, 44100, StereoSignal(44100, 0.05));
  const std::vector<std::string> before = List();
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"null", "created no instance"},
      {"badmagic", "not a VST 2 plug-in"},
      {"noinputs", "no audio inputs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    UseMode(c.first);
    unlink(Path("calls.log").c_str());
    // An instance with a bad record cannot be closed, so it stays allocated.
    const bool leaks = strcmp(c.first, "badmagic") == 0;
    const std::vector<std::string> args = {"render", "in.wav", "out.wav", "--plugin", FAKE_PLUGIN_SO};
    ExpectOneLineError(leaks ? ToolWithLeakyPlugin(args) : Tool(args), c.second);
    unlink(Path("calls.log").c_str());
    EXPECT_EQ(List(), before);
  }
}

// ---- The tool with Toneglass ------------------------------------------------------------

class ToneglassTool : public HostTool {
 protected:
  void SetUp() override {
    HostTool::SetUp();
    mPlugin = ToneglassPlugin();
    if (mPlugin.empty() || !FileExists(mPlugin)) GTEST_SKIP() << "Toneglass.so is not built";
  }
  std::string mPlugin;
};

TEST_F(ToneglassTool, InfoShowsItsIdentityAndParameters) {
  ToolRun r = Tool({"info", "--plugin", mPlugin});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* expected :
       {"Toneglass", "Vantor", "'VN02'", "parameters       5", "Threshold", "Selection Start",
        "Selection Size", "Dry", "Wet", "inputs           2", "outputs          2"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  // Plain values in the parameters' own units, whether or not the plug-in's text
  // conversion takes them: -61 is the level's "-inf" end.
  r = Tool({"info", "--plugin", mPlugin, "--set", "Dry=-61", "--set", "Wet=-12.3", "--set",
            "selection start=1000"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("-inf"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("-12.3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1000"), std::string::npos) << r.out;
}

TEST_F(ToneglassTool, DryAtMinus61SilencesTheInput) {
  // 1 kHz lies far outside the default band, so no blip joins in.
  const std::vector<double> in = Sine(44100, 1.0, 1000.0, 0.5, 2);
  WriteWav(Path("in.wav"), 2, 44100, in);
  ToolRun silent = Tool({"render", "in.wav", "silent.wav", "--plugin", mPlugin, "--set", "Dry=-61"});
  ASSERT_EQ(silent.exitCode, 0) << silent.err;
  const Audio s = ReadWav(Path("silent.wav"));
  ASSERT_EQ(s.samples.size(), in.size());
  double peak = 0;
  for (double v : s.samples) peak = std::max(peak, std::fabs(v));
  EXPECT_EQ(peak, 0.0);
  // At its default of -6 dB the dry path halves the input.
  ToolRun normal = Tool({"render", "in.wav", "normal.wav", "--plugin", mPlugin, "--precision", "single"});
  ASSERT_EQ(normal.exitCode, 0) << normal.err;
  EXPECT_NEAR(Rms(ReadWav(Path("normal.wav")).samples) / Rms(in), std::pow(10.0, -6.0 / 20), 1e-3);
}

TEST_F(ToneglassTool, WordsAreRefusedAndOutOfRangeNumbersReported) {
  const std::vector<double> in = Sine(44100, 0.5, 1000.0, 0.5, 2);
  WriteWav(Path("in.wav"), 2, 44100, in);
  { std::ofstream(Path("out.wav")) << "previous result"; }
  const std::string input = Slurp(Path("in.wav"));
  // Not a number and not a display text: the plug-in would read it as 0.
  for (const char* set : {"Threshold=abc", "Threshold=12 Hz", "Wet=loud"}) {
    SCOPED_TRACE(set);
    ToolRun r = Tool({"render", "in.wav", "out.wav", "--plugin", mPlugin, "--set", set});
    ExpectOneLineError(r, "not '");
    EXPECT_EQ(Slurp(Path("out.wav")), "previous result");
    EXPECT_EQ(Slurp(Path("in.wav")), input);
    EXPECT_EQ(List(), (std::vector<std::string>{"in.wav", "out.wav"}));
  }
  // A number, with or without the unit, inside the range: no word on stderr.
  ToolRun r = Tool({"info", "--plugin", mPlugin, "--set", "Threshold=-30 dB", "--set", "Wet=-12dB", "--set",
                    "Dry=-61"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("-30"), std::string::npos) << r.out;
  // Beyond the range the plug-in clamps: the range and the value used go to stderr, and
  // the render is the one at that end.
  r = Tool({"render", "in.wav", "out.wav", "--plugin", mPlugin, "--set", "Dry=-100", "--set", "Threshold=100"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("toneglass-host: warning: 'Dry' ranges from -61 to 0 dB; -100 is outside it, so the "
                       "value used is -61 dB (shown as '-inf')\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("toneglass-host: warning: 'Threshold' ranges from -60 to 6 dB; 100 is outside it, so the "
                       "value used is 6 dB\n"),
            std::string::npos)
      << r.err;
  double peak = 0;
  for (double v : ReadWav(Path("out.wav")).samples) peak = std::max(peak, std::fabs(v));
  EXPECT_EQ(peak, 0.0);
  r = Tool({"info", "--plugin", mPlugin, "--set", "Selection Start=30000", "--set", "Selection Size=1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("'Selection Start' ranges from 20 to 22050 Hz; 30000 is outside it, so the value used is "
                       "22050 Hz\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("'Selection Size' ranges from 50 to 10000 Hz; 1 is outside it, so the value used is 50 Hz"),
            std::string::npos)
      << r.err;
}

TEST_F(ToneglassTool, DemoContainsBlips) {
  ToolRun demo = Tool({"demo", "--plugin", mPlugin});
  ASSERT_EQ(demo.exitCode, 0) << demo.err;
  EXPECT_NE(demo.out.find("toneglass-demo.wav"), std::string::npos);
  // The same signal with the tone muted is the input's share of the band.
  ToolRun dry = Tool({"demo", "dry.wav", "--plugin", mPlugin, "--set", "Wet=-61"});
  ASSERT_EQ(dry.exitCode, 0) << dry.err;
  const Audio withBlips = ReadWav(Path("toneglass-demo.wav"));
  const Audio without = ReadWav(Path("dry.wav"));
  ASSERT_EQ(withBlips.Frames(), 441000u);
  ASSERT_EQ(without.Frames(), 441000u);
  // With the tone muted the pan still scales the dry signal the same way, so the
  // difference of the two renders is the blips alone.
  Audio blips = withBlips;
  for (size_t i = 0; i < blips.samples.size(); ++i) blips.samples[i] -= without.samples[i];
  double energy[2] = {0, 0};
  for (size_t f = 0; f < blips.Frames(); ++f)
    for (int c = 0; c < 2; ++c) energy[c] += blips.At(f, c) * blips.At(f, c);
  // Seconds of blips at -6 dB, not a rounding difference.
  EXPECT_GT(energy[0] + energy[1], 1000.0);
  // They sit at 440 to 880 Hz, below the tones (1.2 to 3.6 kHz) ...
  const double centre = 622.25, q = 1.0;
  EXPECT_GT(BandEnergy(blips, 0, centre, q) + BandEnergy(blips, 1, centre, q), 0.5 * (energy[0] + energy[1]));
  // ... and the tones, low in the spectrum, pan them far to the left.
  EXPECT_GT(energy[0], 10.0 * energy[1]);
}

}  // namespace
