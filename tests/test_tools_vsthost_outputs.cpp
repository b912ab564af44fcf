// The command-line host, run from outside: what it does to the files at its output
// paths (devices, FIFOs, stdout, write-protected files, links), that outputs never
// overwrite inputs or each other, that it tells what really happened (clipping,
// non-finite samples, a plug-in that crashes, aborts, exits or hangs), and the --set,
// info and --plugin details users meet. Every file is made by the test in a
// temporary folder; exit status, messages, bytes and modes are checked before and
// after.
#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <map>
#include <thread>

#include "host_tool_fixture.h"

namespace {

constexpr double kPi = 3.141592653589793;

std::vector<double> Sine(int rate, double seconds, double amplitude) {
  const size_t frames = static_cast<size_t>(rate * seconds);
  std::vector<double> s(frames * 2);
  for (size_t i = 0; i < frames; ++i) s[2 * i] = s[2 * i + 1] = amplitude * std::sin(2 * kPi * 440.0 * i / rate);
  return s;
}

// What a path holds: its kind, mode and bytes (for a regular file), to compare the
// whole folder before and after a run.
struct Entry {
  char kind = '?';  // f, l (link, with its target as the bytes), p (FIFO), c (device)
  mode_t mode = 0;
  std::string bytes;
  bool operator==(const Entry& o) const { return kind == o.kind && mode == o.mode && bytes == o.bytes; }
};

class HostOutputs : public HostToolTest {
 protected:
  void SetUp() override {
    HostToolTest::SetUp();
    unsetenv("FAKE_PLUGIN_MODE");
    WriteWav(Path("in.wav"), 2, 44100, Sine(44100, 0.1, 0.5));
  }
  void TearDown() override {
    unsetenv("FAKE_PLUGIN_MODE");
    HostToolTest::TearDown();
  }

  // Every name in the folder, hidden temporary files included, with what it holds.
  std::map<std::string, Entry> Snapshot() const {
    std::map<std::string, Entry> entries;
    DIR* d = opendir(mDir.c_str());
    if (!d) return entries;
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n == "." || n == ".." || n == ".stdout" || n == ".stderr") continue;
      struct stat st;
      if (lstat(Path(n).c_str(), &st) != 0) continue;
      Entry entry;
      entry.mode = st.st_mode & 07777;
      if (S_ISLNK(st.st_mode)) {
        char target[4096] = {};
        entry.kind = 'l';
        entry.bytes = std::string(target, static_cast<size_t>(
                                              std::max<ssize_t>(0, readlink(Path(n).c_str(), target, sizeof(target)))));
      } else if (S_ISREG(st.st_mode)) {
        entry.kind = 'f';
        entry.bytes = Slurp(Path(n));
      } else if (S_ISFIFO(st.st_mode)) {
        entry.kind = 'p';
      } else if (S_ISCHR(st.st_mode)) {
        entry.kind = 'c';
      } else if (S_ISDIR(st.st_mode)) {
        entry.kind = 'd';
      }
      entries[n] = entry;
    }
    closedir(d);
    return entries;
  }

  // A render of in.wav through the fake plug-in, with more arguments.
  ToolRun Render(const std::string& out, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"render", "in.wav", out, "--plugin", FAKE_PLUGIN_SO};
    args.insert(args.end(), more.begin(), more.end());
    return Tool(args);
  }

  // The bytes a render of in.wav to a regular file gives.
  std::string Reference() {
    const ToolRun r = Render("reference.wav");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = Slurp(Path("reference.wav"));
    unlink(Path("reference.wav").c_str());
    return bytes;
  }

  // A character device of the memory driver (1:3 null, 1:7 full) that can also be opened:
  // on a file system mounted nodev (a container's /tmp) mknod works but opening fails.
  bool MakeDevice(const std::string& name, unsigned minor) {
    const std::string path = Path(name);
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) return false;
    const int fd = open(path.c_str(), O_WRONLY);
    if (fd >= 0) {
      close(fd);
      return true;
    }
    unlink(path.c_str());
    return false;
  }
};

// ---- Data safety -------------------------------------------------------------------------

TEST_F(HostOutputs, DevicesFifosAndStdoutAreWrittenAsStreamsNotReplaced) {
  const std::string reference = Reference();
  ASSERT_GT(reference.size(), 44u);

  // A FIFO: the reader gets exactly the bytes of a file render; the FIFO stays.
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  const pid_t reader = fork();
  if (reader == 0) _exit(Slurp(Path("pipe")) == reference ? 0 : 1);
  ToolRun r = Render("pipe");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  int status = 0;
  waitpid(reader, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the FIFO's reader got other bytes";
  EXPECT_EQ(Snapshot()["pipe"].kind, 'p');

  // /dev/stdout: the audio on stdout, the report on stderr.
  r = Tool({"render", "in.wav", "/dev/stdout", "--plugin", FAKE_PLUGIN_SO}, Path("captured.wav"));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Slurp(Path("captured.wav")), reference);
  EXPECT_NE(r.err.find("wrote       /dev/stdout"), std::string::npos) << r.err;
  unlink(Path("captured.wav").c_str());

  // Device nodes made here: the null device swallows it, the full one fails loudly.
  if (!MakeDevice("null", 3) || !MakeDevice("full", 7)) GTEST_SKIP() << "device nodes cannot be made or opened here";
  const auto before = Snapshot();
  r = Render("null");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = Render("full");
  ExpectOneLineError(r, "cannot write full: No space left on device");
  EXPECT_EQ(r.out, "");  // no summary for an output that was not written
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(HostOutputs, WriteProtectedFilesAreRefusedUnlessForced) {
  { std::ofstream(Path("out.wav")) << "keep me"; }
  chmod(Path("out.wav").c_str(), 0444);
  { std::ofstream(Path("p.fxp")) << "old preset"; }
  chmod(Path("p.fxp").c_str(), 0400);
  auto before = Snapshot();
  ExpectOneLineError(Render("out.wav"), "cannot write out.wav: it is write-protected (--force replaces it)");
  EXPECT_EQ(Snapshot(), before);
  // Any of the outputs, checked before the render: nothing is written.
  ExpectOneLineError(Render("new.wav", {"--save-preset", "p.fxp"}),
                     "cannot write preset p.fxp: it is write-protected (--force replaces it)");
  EXPECT_EQ(Snapshot(), before);

  ToolRun r = Render("out.wav", {"--force", "--save-preset", "p.fxp"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto after = Snapshot();
  EXPECT_EQ(after.at("out.wav").bytes, Reference());
  EXPECT_EQ(after.at("out.wav").mode, 0444u);
  EXPECT_EQ(after.at("p.fxp").mode, 0400u);
  EXPECT_EQ(after.at("p.fxp").bytes.compare(0, 4, "CcnK"), 0);
}

TEST_F(HostOutputs, ReplacedFilesKeepTheirModeLinksAndHardLinks) {
  const std::string reference = Reference();
  { std::ofstream(Path("private.wav")) << "old"; }
  chmod(Path("private.wav").c_str(), 0600);
  { std::ofstream(Path("real.wav")) << "old"; }
  chmod(Path("real.wav").c_str(), 0640);
  ASSERT_EQ(symlink("real.wav", Path("link.wav").c_str()), 0);
  { std::ofstream(Path("one.wav")) << "old"; }
  ASSERT_EQ(link(Path("one.wav").c_str(), Path("two.wav").c_str()), 0);

  for (const char* out : {"private.wav", "link.wav", "one.wav"}) {
    ToolRun r = Render(out);
    EXPECT_EQ(r.exitCode, 0) << out << ": " << r.err;
  }
  const auto after = Snapshot();
  EXPECT_EQ(after.at("private.wav").mode, 0600u);
  EXPECT_EQ(after.at("private.wav").bytes, reference);
  EXPECT_EQ(after.at("link.wav").kind, 'l');
  EXPECT_EQ(after.at("link.wav").bytes, "real.wav");
  EXPECT_EQ(after.at("real.wav").bytes, reference);
  EXPECT_EQ(after.at("real.wav").mode, 0640u);
  EXPECT_EQ(after.at("one.wav").bytes, reference);
  EXPECT_EQ(after.at("two.wav").bytes, reference);  // still one file under two names
  struct stat one, two;
  ASSERT_EQ(stat(Path("one.wav").c_str(), &one), 0);
  ASSERT_EQ(stat(Path("two.wav").c_str(), &two), 0);
  EXPECT_EQ(one.st_ino, two.st_ino);
  EXPECT_EQ(after.size(), 6u);  // in.wav and the five above: no temporary file
}

TEST_F(HostOutputs, OutputsDifferFromInputsAndFromEachOtherUnderAnyName) {
  { std::ofstream(Path("start.fxp")) << "not read"; }
  // A copy of the plug-in, so a failure here cannot harm the built one.
  { std::ofstream(Path("plug.so"), std::ios::binary) << Slurp(FAKE_PLUGIN_SO); }
  ASSERT_EQ(symlink("in.wav", Path("soft.wav").c_str()), 0);
  ASSERT_EQ(link(Path("in.wav").c_str(), Path("hard.wav").c_str()), 0);
  const auto before = Snapshot();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"out.wav", "--editor-png", "in.wav"}, "--editor-png 'in.wav' is the input file itself"},
      {{"out.wav", "--editor-png", "./soft.wav"}, "--editor-png './soft.wav' is the input file itself"},
      {{"out.wav", "--save-preset", "p.fxp", "--editor-png", "p.fxp"},
       "--editor-png 'p.fxp' and --save-preset 'p.fxp' are the same file"},
      {{"out.wav", "--editor-png", Path("out.wav")}, "OUT 'out.wav' and --editor-png '" + Path("out.wav") +
                                                        "' are the same file"},
      {{"hard.wav"}, "OUT 'hard.wav' is the input file itself"},
      {{"out.wav", "--load-preset", "start.fxp", "--save-preset", "./start.fxp"},
       "--save-preset './start.fxp' is the --load-preset file itself"},
      {{"plug.so"}, "OUT 'plug.so' is the plug-in file itself"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"render", "in.wav"};
    args.insert(args.end(), c.first.begin(), c.first.end());
    args.insert(args.end(), {"--plugin", "./plug.so"});
    SCOPED_TRACE(c.second);
    const ToolRun r = Tool(args);
    ExpectOneLineError(r, c.second);
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(HostOutputs, EveryOutputIsCheckedBeforeTheRenderAndAFailedOneCostsNoOther) {
  setenv("FAKE_PLUGIN_LOG", Path("calls.log").c_str(), 1);
  ToolRun r = Render("out.wav", {"--save-preset", "missing/p.fxp"});
  unsetenv("FAKE_PLUGIN_LOG");
  ExpectOneLineError(r, "cannot write preset missing/p.fxp: No such file or directory");
  EXPECT_FALSE(FileExists(Path("calls.log")));  // the plug-in was not even loaded
  EXPECT_FALSE(FileExists(Path("out.wav")));

  // A preset that fails as it is written, after the render: the audio is kept.
  if (!MakeDevice("full", 7)) GTEST_SKIP() << "device nodes cannot be made or opened here";
  r = Render("out.wav", {"--save-preset", "full.fxp"});  // a regular name, for the parser
  ASSERT_EQ(r.exitCode, 0) << r.err;
  unlink(Path("full.fxp").c_str());
  ASSERT_EQ(symlink("full", Path("full.fxp").c_str()), 0);
  unlink(Path("out.wav").c_str());
  r = Render("out.wav", {"--save-preset", "full.fxp"});
  ExpectOneLineError(r, "cannot write preset full.fxp: No space left on device");
  EXPECT_EQ(Slurp(Path("out.wav")), Reference());
  EXPECT_NE(r.out.find("wrote       out.wav"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("preset"), std::string::npos) << r.out;
}

TEST_F(HostOutputs, IntegerOutputCountsItsClippedSamplesOrRefusesThem) {
  // Gain 2 on a 0.8 sine: channel 0 goes beyond full scale wherever |sin| > 0.625;
  // channel 1 carries the sample position, beyond full scale from frame 2 on.
  const std::vector<double> in = Sine(44100, 0.1, 0.8);
  WriteWav(Path("in.wav"), 2, 44100, in);
  const size_t frames = in.size() / 2;
  long long expected = static_cast<long long>(frames) - 2;
  double peak = static_cast<double>(frames - 1);
  for (size_t i = 0; i < frames; ++i) {
    const double v = std::fabs(2.0 * static_cast<float>(in[2 * i]));  // the file holds floats
    if (v > 1.0) ++expected;
  }
  char line[256];
  snprintf(line, sizeof(line),
           "warning     %lld output samples beyond full scale (peak %+.1f dBFS) were clipped in the 16-bit PCM "
           "WAV; --format float keeps them, --no-clip refuses them\n",
           expected, 20 * std::log10(peak));
  ToolRun r = Render("out.wav", {"--set-normalized", "0=1", "--format", "pcm16"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
  r = Render("float.wav", {"--set-normalized", "0=1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("clipped"), std::string::npos) << r.out;

  // --no-clip: the render fails, nothing is written, not even the preset.
  const auto before = Snapshot();
  r = Render("strict.wav", {"--set-normalized", "0=1", "--format", "pcm24", "--no-clip", "--save-preset", "p.xml"});
  ExpectOneLineError(r, "the output goes beyond full scale at 0.000 s (frame 2)");
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(HostOutputs, NonFiniteSamplesAreCountedOnTheSideTheyComeFrom) {
  std::vector<double> in = Sine(44100, 0.01, 0.5);
  in[10] = NAN;
  in[11] = INFINITY;
  in[20] = NAN;  // channel 0, which the plug-in passes on; channel 1 it replaces
  WriteWav(Path("in.wav"), 2, 44100, in);
  ToolRun r = Render("out.wav");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("warning     the input has 3 samples that are not numbers (NaN or infinite)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("warning     the output has 2 samples that are not numbers (NaN or infinite)\n"),
            std::string::npos)
      << r.out;

  // All NaN is not silence.
  WriteWav(Path("in.wav"), 2, 44100, std::vector<double>(200, NAN));
  r = Render("out.wav");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("level in    no finite samples (all are NaN or infinite)\n"), std::string::npos) << r.out;

  // What the plug-in makes of a clean input is its own.
  WriteWav(Path("in.wav"), 2, 44100, Sine(44100, 0.01, 0.5));
  setenv("FAKE_PLUGIN_MODE", "nan", 1);
  r = Render("out.wav");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("warning     the output has 441 samples that are not numbers (NaN or infinite), all made "
                       "by the plug-in (the input has none)\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("the input has 4"), std::string::npos) << r.out;
}

TEST_F(HostOutputs, APluginThatCrashesAbortsOrExitsIsNamedAndLeavesNothing) {
  const auto before = Snapshot();
  const struct {
    const char* mode;
    int exitCode;
    const char* message;
  } cases[] = {
      {"crash", 128 + SIGSEGV,
       "toneglass-host: error: the plug-in crashed in processDoubleReplacing, block 2 (SIGSEGV, a bad memory "
       "access); the partial output was removed\n"},
      {"abort", 128 + SIGABRT,
       "toneglass-host: error: the plug-in crashed in processDoubleReplacing, block 2 (SIGABRT, it aborted); "
       "the partial output was removed\n"},
      {"exit", 1,
       "toneglass-host: error: the plug-in ended the process (it called exit) in processDoubleReplacing, block "
       "2; the partial output was removed\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    setenv("FAKE_PLUGIN_MODE", c.mode, 1);
    const ToolRun r = Render("out.wav", {"--save-preset", "p.fxp"});
#if !defined(__SANITIZE_ADDRESS__)
    // Under the sanitizers their own report and exit status take over a crash.
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
#else
    EXPECT_NE(r.exitCode, 0);
#endif
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(HostOutputs, APluginThatHangsIsAbandonedASecondAfterAnInterrupt) {
  setenv("FAKE_PLUGIN_MODE", "hang", 1);
  setenv("FAKE_PLUGIN_LOG", Path("calls.log").c_str(), 1);
  const pid_t pid = Start({"render", "in.wav", "out.wav", "--plugin", FAKE_PLUGIN_SO, "--save-preset", "p.fxp"});
  unsetenv("FAKE_PLUGIN_LOG");
  // Wait until it is inside the second block.
  auto blocks = [&] {
    const std::string log = Slurp(Path("calls.log"));
    size_t n = 0;
    for (size_t at = log.find("process "); at != std::string::npos; at = log.find("process ", at + 1)) ++n;
    return n;
  };
  for (int i = 0; i < 500 && blocks() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GE(blocks(), 2u);
  const auto start = std::chrono::steady_clock::now();
  kill(pid, SIGTERM);
  const ToolRun r = Finish(pid);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.exitCode, 128 + SIGTERM) << r.err;
  EXPECT_NE(r.err.find("toneglass-host: error: interrupted, and a second later the plug-in was still in "
                       "processDoubleReplacing, block 2; the render was abandoned; the partial output was removed\n"),
            std::string::npos)
      << r.err;
  EXPECT_LT(seconds, 5.0);
  unlink(Path("calls.log").c_str());
  EXPECT_EQ(Snapshot().size(), 1u);  // in.wav alone
}

// ---- Reports and details ------------------------------------------------------------------

TEST_F(HostOutputs, FloatOutputHasTheExtensibleHeaderFloatReadersExpect) {
  ASSERT_EQ(Render("out.wav").exitCode, 0);
  const std::string bytes = Slurp(Path("out.wav"));
  ASSERT_GT(bytes.size(), 60u);
  ASSERT_EQ(bytes.compare(12, 4, "fmt "), 0);
  auto le16 = [&](size_t at) { return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8; };
  EXPECT_EQ(le16(16), 40);       // fmt chunk size: the extended part is there
  EXPECT_EQ(le16(20), 0xFFFE);   // WAVE_FORMAT_EXTENSIBLE
  EXPECT_EQ(le16(36), 22);       // cbSize
  EXPECT_EQ(le16(44), 3);        // sub-format: IEEE float
  EXPECT_EQ(le16(34), 32);       // bits per sample
}

TEST_F(HostOutputs, VersionBlockWordingAndPluginSearchByName) {
  ToolRun r = Tool({"--version"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.rfind("toneglass-host ", 0), 0u) << r.out;
  r = Render("out.wav", {"--block", "1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("blocks of 1 frame\n"), std::string::npos) << r.out;

  // By name, as hosts find plug-ins: in a subfolder of a VST_PATH folder.
  ASSERT_EQ(mkdir(Path("vst").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("vst/suite").c_str(), 0755), 0);
  ASSERT_EQ(symlink(FAKE_PLUGIN_SO, Path("vst/suite/fake-by-name.so").c_str()), 0);
  setenv("VST_PATH", (Path("nowhere") + ":" + Path("vst")).c_str(), 1);
  r = Tool({"info", "--plugin", "fake-by-name"});
  ToolRun missing = Tool({"info", "--plugin", "no-such-plugin"});
  unsetenv("VST_PATH");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("fake-by-name.so"), std::string::npos) << r.out;
  ExpectOneLineError(missing, "(looked for it in " + Path("nowhere") + ", " + Path("vst"));
  unlink(Path("vst/suite/fake-by-name.so").c_str());
  rmdir(Path("vst/suite").c_str());
  rmdir(Path("vst").c_str());

  // info shows each parameter's range and unit.
  r = Tool({"info", "--plugin", FAKE_PLUGIN_SO});
  EXPECT_NE(r.out.find("0.00 to 2.00 x"), std::string::npos) << r.out;
}

TEST_F(HostOutputs, LowSampleRatesAreRefusedForTheEditorPicture) {
  WriteWav(Path("slow.wav"), 2, 500, std::vector<double>(1000, 0.1));
  const auto before = Snapshot();
  ToolRun r = Tool({"render", "slow.wav", "out.wav", "--plugin", FAKE_PLUGIN_SO, "--editor-png", "e.png"});
  ExpectOneLineError(r, "--editor-png needs a sample rate of at least 1000 Hz (the input has 500 Hz)");
  EXPECT_EQ(Snapshot(), before);
}

// ---- With Toneglass ------------------------------------------------------------------------

class ToneglassOutputs : public HostOutputs {
 protected:
  void SetUp() override {
    HostOutputs::SetUp();
#ifdef TONEGLASS_PLUGIN_SO
    mPlugin = TONEGLASS_PLUGIN_SO;
#endif
    if (mPlugin.empty() || !FileExists(mPlugin)) GTEST_SKIP() << "Toneglass.so is not built";
  }
  std::string mPlugin;
};

TEST_F(ToneglassOutputs, DemoWithAPictureNameIsRefusedAndItsListenLineTellsOnlyWhatItKnows) {
  const auto before = Snapshot();
  ExpectOneLineError(Tool({"demo", "x.png", "--plugin", mPlugin}),
                     "OUT 'x.png' and --editor-png 'x.png' are the same file");
  EXPECT_EQ(Snapshot(), before);
  // To a device when one can be made here (no picture is drawn beside a device, which
  // also keeps the test short), else to files.
  const bool device = MakeDevice("null", 3);
  const std::string out = device ? "null" : "d.wav";
  ToolRun r = Tool({"demo", out, "--plugin", mPlugin});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("listen to   " + out + ": tones gliding through 1000-4000 Hz"), std::string::npos) << r.out;
  if (device) {
    EXPECT_FALSE(FileExists(Path("null.png")));
  }
  // With the user's own settings the tool cannot know what sounds: it promises nothing.
  r = Tool({"demo", device ? out : "quiet.wav", "--plugin", mPlugin, "--set", "Threshold=-40"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("listen to"), std::string::npos) << r.out;
}

TEST_F(ToneglassOutputs, SetTakesDisplayTextsAsTypedAndRangesInTheirOwnPrecision) {
  ToolRun r = Tool({"info", "--plugin", mPlugin, "--set", "Dry=-inf", "--set", " Wet = -12 dB ", "--set",
                    "Selection Start=22050"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");  // 22050 is the top of the range, not beyond it
  EXPECT_NE(r.out.find("Dry                       -inf"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Selection Start          22050 "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("-12.0"), std::string::npos) << r.out;
  // Beyond the range by more than the display's last digit: still told.
  r = Tool({"info", "--plugin", mPlugin, "--set", "Selection Start=22051"});
  EXPECT_NE(r.err.find("22051 is outside it"), std::string::npos) << r.err;
  // Words that are no display text are refused, with the texts it does show.
  ExpectOneLineError(Tool({"info", "--plugin", mPlugin, "--set", "Dry=-infinite"}),
                     "parameter 'Dry' takes a number or one of its display texts, not '-infinite'");
}

TEST_F(HostOutputs, SetTakesAThirdPartyPluginsOwnTexts) {
  const char* const compressor = "/usr/lib/vst/lsp-plugins/compressor-stereo.so";
  if (!FileExists(compressor)) GTEST_SKIP() << compressor << " is not installed";
  // The LSP plug-ins keep memory at unload: no leak report for them.
  const char* asan = getenv("ASAN_OPTIONS");
  const std::string saved = asan ? asan : "";
  setenv("ASAN_OPTIONS", (saved + (saved.empty() ? "" : ":") + "detect_leaks=0").c_str(), 1);
  ToolRun rms = Tool({"info", "--plugin", compressor, "--set", "scm=RMS"});
  ToolRun lower = Tool({"info", "--plugin", compressor, "--set", "scm=peak"});
  ToolRun bad = Tool({"info", "--plugin", compressor, "--set", "scm=loud"});
  if (asan)
    setenv("ASAN_OPTIONS", saved.c_str(), 1);
  else
    unsetenv("ASAN_OPTIONS");
  ASSERT_EQ(rms.exitCode, 0) << rms.err;
  EXPECT_NE(rms.out.find("scm                      RMS "), std::string::npos) << rms.out;
  ASSERT_EQ(lower.exitCode, 0) << lower.err;  // no display reads "peak": any case then
  EXPECT_NE(lower.out.find("scm                      Peak "), std::string::npos) << lower.out;
  ExpectOneLineError(bad, "not 'loud' (it shows 'Peak', 'RMS'");
}

}  // namespace
