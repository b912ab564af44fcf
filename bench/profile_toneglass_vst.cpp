// A fixed amount of audio through Toneglass.so's entry point, for instruction-count
// profiles (callgrind counts repeatably where wall-clock timings are noisy):
//
//   profile_toneglass_vst float|double BLOCK SECONDS noise|silence|denormal|tones
//
//   e.g. valgrind --tool=callgrind --toggle-collect="IPlugVST::VSTProcess*"
//          build/bench/profile_toneglass_vst float 512 2 noise
// The signal is the benchmark's: stereo white noise at -12 dBFS; "tones" adds a 1 kHz
// sine and lowers the threshold so that every analysis frame starts a tone.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "vst_test_host.h"

namespace {

template <class T>
int Run(AEffect* e, int block, long long total, const std::string& signal) {
  std::vector<T> in[2], out[2];
  // Several analysis frames of signal, cycled through.
  const int length = 16 * 2048;
  std::mt19937 rng(1234);
  std::uniform_real_distribution<double> dist(-0.25, 0.25);
  for (auto& ch : in) {
    ch.resize(length + block);
    for (int i = 0; i < length + block; ++i) {
      double v = dist(rng);
      if (signal == "silence") v = 0.0;
      if (signal == "denormal") v = v * 1e-310;
      if (signal == "tones") v = 0.1 * v + 0.5 * std::sin(2.0 * M_PI * 1000.0 * i / 44100.0);
      ch[i] = static_cast<T>(v);
    }
  }
  for (auto& ch : out) ch.resize(block);
  T* outs[2] = {out[0].data(), out[1].data()};
  int pos = 0;
  for (long long done = 0; done < total; done += block) {
    T* ins[2] = {in[0].data() + pos, in[1].data() + pos};
    if constexpr (sizeof(T) == sizeof(double)) {
      e->processDoubleReplacing(e, ins, outs, block);
    } else {
      e->processReplacing(e, ins, outs, block);
    }
    pos = (pos + block) % length;
  }
  return out[0][block / 2] == out[0][block / 2] ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s float|double BLOCK SECONDS noise|silence|denormal|tones\n", argv[0]);
    return 2;
  }
  const std::string precision = argv[1], signal = argv[4];
  const int block = atoi(argv[2]);
  const double seconds = atof(argv[3]);
  if (block <= 0 || seconds <= 0.0) return 2;
  vsthost::Library lib(TONEGLASS_VST_PATH);
  if (!lib.Ok()) {
    fprintf(stderr, "%s\n", lib.Error().c_str());
    return 1;
  }
  vsthost::Plugin p(lib.Main());
  if (!p.Ok()) return 1;
  p.Host().mRecord = false;
  p.Start(44100.0f, block);
  AEffect* e = p.Effect();
  if (signal == "tones") {
    e->setParameter(e, 0, 30.0f / 66.0f);              // threshold -30 dB
    e->setParameter(e, 2, 9950.0f / 9950.0f);          // band 10 kHz wide
  }
  const long long total = static_cast<long long>(seconds * 44100.0);
  if (precision == "double") {
    p.Dispatch(effSetProcessPrecision, 0, kVstProcessPrecision64);
    return Run<double>(e, block, total, signal);
  }
  return Run<float>(e, block, total, signal);
}
