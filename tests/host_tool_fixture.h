// Runs the built command-line host in a fresh folder of the test's own, as a user would:
// stdin from /dev/null, stdout and stderr captured, the exit status as a shell reports it.
// Also the WAV reading and writing those tests share.
#ifndef TESTS_HOST_TOOL_FIXTURE_H_
#define TESTS_HOST_TOOL_FIXTURE_H_

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Anything at the path, a dangling link included.
inline bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

struct Audio {
  int channels = 0;
  int rate = 0;
  int format = 0;
  std::vector<double> samples;  // interleaved
  size_t Frames() const { return channels ? samples.size() / static_cast<size_t>(channels) : 0; }
  double At(size_t frame, int channel) const { return samples[frame * channels + channel]; }
};

inline void WriteWav(const std::string& path, int channels, int rate, const std::vector<double>& interleaved,
                     int subformat = SF_FORMAT_FLOAT) {
  SF_INFO info = {};
  info.channels = channels;
  info.samplerate = rate;
  info.format = SF_FORMAT_WAV | subformat;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  sf_writef_double(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / channels));
  sf_close(f);
}

// Empty (no channels) when the file cannot be read.
inline Audio ReadWav(const std::string& path) {
  Audio a;
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return a;
  a.channels = info.channels;
  a.rate = info.samplerate;
  a.format = info.format;
  a.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_double(f, a.samples.data(), info.frames);
  sf_close(f);
  return a;
}

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class HostToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/toneglass-host-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mDir = pattern;
  }
  void TearDown() override {
    if (mDir.empty()) return;
    // Write-protected entries a test made must not keep the folder alive.
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator(mDir, ignored))
      if (!e.is_symlink()) chmod(e.path().c_str(), 0755);
    std::filesystem::remove_all(mDir, ignored);
  }

  std::string Path(const std::string& name) const { return mDir + "/" + name; }

  // Everything in the folder except the captured streams, sorted.
  std::vector<std::string> List() const {
    std::vector<std::string> names;
    DIR* d = opendir(mDir.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != ".." && n != ".stdout" && n != ".stderr") names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }

  // Starts the tool in the folder; stdout goes to stdoutPath when given. A plug-in that
  // leaks memory of its own at unload (pluginLeaks) turns leak checking off for the run
  // in a sanitizer build.
  pid_t Start(const std::vector<std::string>& args, const std::string& stdoutPath = "", bool pluginLeaks = false) {
    const std::string outPath = stdoutPath.empty() ? mDir + "/.stdout" : stdoutPath;
    const std::string errPath = mDir + "/.stderr";
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
      dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      dup2(open("/dev/null", O_RDONLY), 0);
      if (chdir(mDir.c_str()) != 0) _exit(126);
      if (pluginLeaks) {
        const char* asan = getenv("ASAN_OPTIONS");
        const std::string options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "detect_leaks=0";
        setenv("ASAN_OPTIONS", options.c_str(), 1);
      }
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(TONEGLASS_HOST_EXE));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(TONEGLASS_HOST_EXE, argv.data());
      _exit(127);
    }
    return pid;
  }

  ToolRun Finish(pid_t pid, const std::string& stdoutPath = "") {
    ToolRun r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = stdoutPath.empty() ? Slurp(mDir + "/.stdout") : "";
    r.err = Slurp(mDir + "/.stderr");
    return r;
  }

  ToolRun Tool(const std::vector<std::string>& args, const std::string& stdoutPath = "") {
    return Finish(Start(args, stdoutPath), stdoutPath);
  }
  ToolRun ToolWithLeakyPlugin(const std::vector<std::string>& args) { return Finish(Start(args, "", true)); }

  // A failure is one line on stderr in the tool's format, mentioning `about`.
  static void ExpectOneLineError(const ToolRun& r, const std::string& about) {
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.err.rfind("toneglass-host: error: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(about), std::string::npos) << r.err;
  }

  std::string mDir;
};

#endif  // TESTS_HOST_TOOL_FIXTURE_H_
