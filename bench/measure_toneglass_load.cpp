// What a host pays to load a plug-in the way it scans one: in a fresh process, the
// time from VSTPluginMain to the end of effOpen for the first instance (and for a
// second one), and the resident memory the process gains from loading the file and
// opening that first instance. Beside the wall time it gives the processor time the
// first instance took and the page faults it caused: on a busy machine the wall time
// includes waiting for a core, the processor time does not.
//
//   measure_toneglass_load [RUNS] [PLUGIN.so ...]
//
// Every file (Toneglass.so of this build when none is named) is measured RUNS times
// (default 9), each time in a new process started from this program, the files taking
// turns so that the machine's load falls on all of them alike; the medians follow,
// with each file's ratio to the first. Not a Google benchmark: a fresh process per
// sample is the whole point.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "vst_test_host.h"

#ifndef TONEGLASS_VST_PATH
#error "TONEGLASS_VST_PATH must name the built Toneglass.so"
#endif

namespace {

struct Sample {
  double loadMs = 0, firstMs = 0, secondMs = 0;
  double firstCpuMs = 0;  // processor time of this thread
  long firstFaults = 0;   // minor and major page faults of the process
  long residentKiB = 0;   // loading the file and opening the first instance
  long instanceKiB = 0;   // the first instance's share of it
};

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

long PageFaults() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_minflt + u.ru_majflt;
}

long ResidentKiB() {
  long pages = 0, resident = 0;
  if (FILE* f = fopen("/proc/self/statm", "r")) {
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double MsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// The child's side: one sample, printed as one line on stdout.
int MeasureOnce(const char* path) {
  const long before = ResidentKiB();
  auto t0 = std::chrono::steady_clock::now();
  vsthost::Library lib(path);
  if (!lib.Ok()) {
    fprintf(stderr, "%s: %s\n", path, lib.Error().c_str());
    return 1;
  }
  Sample s;
  s.loadMs = MsSince(t0);
  const long loaded = ResidentKiB();
  const long faults0 = PageFaults();
  const double cpu0 = CpuMs();
  t0 = std::chrono::steady_clock::now();
  vsthost::Plugin first(lib.Main());
  if (!first.Ok()) return 1;
  first.Dispatch(effOpen);
  s.firstMs = MsSince(t0);
  s.firstCpuMs = CpuMs() - cpu0;
  s.firstFaults = PageFaults() - faults0;
  s.residentKiB = ResidentKiB() - before;
  s.instanceKiB = ResidentKiB() - loaded;
  t0 = std::chrono::steady_clock::now();
  vsthost::Plugin second(lib.Main());
  if (!second.Ok()) return 1;
  second.Dispatch(effOpen);
  s.secondMs = MsSince(t0);
  printf("%.4f %.4f %.4f %.4f %ld %ld %ld\n", s.loadMs, s.firstMs, s.secondMs, s.firstCpuMs, s.firstFaults,
         s.residentKiB, s.instanceKiB);
  return 0;
}

// Runs this program again as a child measuring `path` and reads its line.
bool MeasureInFreshProcess(const char* self, const char* path, Sample* out) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execl(self, self, "--child", path, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char line[256] = {};
  size_t used = 0;
  ssize_t got;
  while (used < sizeof(line) - 1 && (got = read(fds[0], line + used, sizeof(line) - 1 - used)) > 0) used += got;
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  return sscanf(line, "%lf %lf %lf %lf %ld %ld %ld", &out->loadMs, &out->firstMs, &out->secondMs,
                &out->firstCpuMs, &out->firstFaults, &out->residentKiB, &out->instanceKiB) == 7;
}

template <class F>
double Median(const std::vector<Sample>& samples, F field) {
  std::vector<double> v;
  for (const Sample& s : samples) v.push_back(field(s));
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--child") == 0) return MeasureOnce(argv[2]);

  int runs = 9;
  int firstPath = 1;
  if (argc > 1 && atoi(argv[1]) > 0) {
    runs = atoi(argv[1]);
    firstPath = 2;
  }
  std::vector<const char*> paths(argv + firstPath, argv + argc);
  if (paths.empty()) paths.push_back(TONEGLASS_VST_PATH);

  std::vector<std::vector<Sample>> samples(paths.size());
  for (int r = 0; r < runs; ++r) {
    for (size_t i = 0; i < paths.size(); ++i) {
      Sample s;
      if (!MeasureInFreshProcess("/proc/self/exe", paths[i], &s)) {
        fprintf(stderr, "measuring %s failed\n", paths[i]);
        return 1;
      }
      samples[i].push_back(s);
    }
  }

  printf("medians of %d fresh processes each; ratios to the first file\n", runs);
  printf("%10s %10s %10s %10s %8s %12s %12s %8s %8s  %s\n", "dlopen ms", "first ms", "first cpu", "second ms",
         "faults", "resident KiB", "instance KiB", "first/1", "rss/1", "file");
  const double firstRef = Median(samples[0], [](const Sample& s) { return s.firstMs; });
  const double rssRef = Median(samples[0], [](const Sample& s) { return double(s.residentKiB); });
  for (size_t i = 0; i < paths.size(); ++i) {
    const double load = Median(samples[i], [](const Sample& s) { return s.loadMs; });
    const double first = Median(samples[i], [](const Sample& s) { return s.firstMs; });
    const double second = Median(samples[i], [](const Sample& s) { return s.secondMs; });
    const double cpu = Median(samples[i], [](const Sample& s) { return s.firstCpuMs; });
    const double faults = Median(samples[i], [](const Sample& s) { return double(s.firstFaults); });
    const double instance = Median(samples[i], [](const Sample& s) { return double(s.instanceKiB); });
    const double rss = Median(samples[i], [](const Sample& s) { return double(s.residentKiB); });
    printf("%10.3f %10.3f %10.3f %10.3f %8.0f %12.0f %12.0f %8.3f %8.3f  %s\n", load, first, cpu, second, faults,
           rss, instance, first / firstRef, rss / rssRef, paths[i]);
  }
  return 0;
}
