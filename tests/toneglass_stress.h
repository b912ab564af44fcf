// The load a host puts on one plug-in instance from its threads at once: an audio thread
// processing blocks in single and double precision, and a host thread automating every
// parameter and restoring program and bank chunks taken from the plug-in. The caller's
// thread plays the editor's side meanwhile. Checks what the threads saw afterwards.
#ifndef TESTS_TONEGLASS_STRESS_H_
#define TESTS_TONEGLASS_STRESS_H_

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "aeffectx.h"

namespace stress {

// Seconds each stress test runs: TONEGLASS_STRESS_SECONDS, 10 by default.
inline double Seconds() {
  const char* s = getenv("TONEGLASS_STRESS_SECONDS");
  const double v = s ? atof(s) : 0.0;
  return v > 0.0 ? v : 10.0;
}

struct Result {
  long long floatBlocks = 0, doubleBlocks = 0;
  long long badSamples = 0;  // outputs that were not finite or beyond any sane level
  long long automations = 0;
  long long restoresAccepted = 0, restoresRefused = 0;
  long long editorPasses = 0;
};

constexpr int kBlock = 128;

// Runs the audio and host threads for the given time while editorPass is called over
// and over on the calling thread (it gets the pass number).
inline Result Run(AEffect* e, double seconds, const std::function<void(long long)>& editorPass) {
  Result res;
  std::atomic<bool> stop{false};
  std::atomic<long long> floatBlocks{0}, doubleBlocks{0}, bad{0};

  std::thread audio([&] {
    std::vector<float> fin[2], fout[2];
    std::vector<double> din[2], dout[2];
    for (int c = 0; c < 2; ++c) {
      fin[c].resize(kBlock);
      fout[c].resize(kBlock);
      din[c].resize(kBlock);
      dout[c].resize(kBlock);
    }
    float* fi[2] = {fin[0].data(), fin[1].data()};
    float* fo[2] = {fout[0].data(), fout[1].data()};
    double* di[2] = {din[0].data(), din[1].data()};
    double* dO[2] = {dout[0].data(), dout[1].data()};
    long long n = 0;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    for (long long b = 0; !stop.load(std::memory_order_relaxed); ++b) {
      // A sweeping tone loud enough to start blips, with a little noise.
      for (int i = 0; i < kBlock; ++i, ++n) {
        const double t = double(n) / 44100.0;
        const double x = 0.6 * std::sin(2.0 * M_PI * (300.0 + 40.0 * std::fmod(t, 50.0)) * t) + noise(rng);
        din[0][size_t(i)] = x;
        din[1][size_t(i)] = 0.5 * x;
        fin[0][size_t(i)] = float(x);
        fin[1][size_t(i)] = float(-x);
      }
      long long worse = 0;
      if (b & 1) {
        e->processDoubleReplacing(e, di, dO, kBlock);
        for (int c = 0; c < 2; ++c)
          for (double v : dout[c]) worse += !(std::isfinite(v) && std::fabs(v) < 64.0);
        doubleBlocks.fetch_add(1, std::memory_order_relaxed);
      } else {
        e->processReplacing(e, fi, fo, kBlock);
        for (int c = 0; c < 2; ++c)
          for (float v : fout[c]) worse += !(std::isfinite(v) && std::fabs(v) < 64.0f);
        floatBlocks.fetch_add(1, std::memory_order_relaxed);
      }
      if (worse) bad.fetch_add(worse, std::memory_order_relaxed);
    }
  });

  std::thread host([&] {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (long long k = 0; !stop.load(std::memory_order_relaxed); ++k) {
      for (int i = 0; i < e->numParams; ++i) {
        e->setParameter(e, i, unit(rng));
        ++res.automations;
      }
      if (k % 16 == 0) {
        // Take a chunk as a host saving its project does, copy it, and hand it back.
        for (int isPreset : {1, 0}) {
          void* ptr = nullptr;
          const VstIntPtr size = e->dispatcher(e, effGetChunk, isPreset, 0, &ptr, 0.0f);
          if (size <= 0 || !ptr) {
            ++res.restoresRefused;
            continue;
          }
          std::vector<unsigned char> copy(static_cast<unsigned char*>(ptr), static_cast<unsigned char*>(ptr) + size);
          const VstIntPtr ok = e->dispatcher(e, effSetChunk, isPreset, VstIntPtr(copy.size()), copy.data(), 0.0f);
          ++(ok ? res.restoresAccepted : res.restoresRefused);
        }
      }
      std::this_thread::yield();
    }
  });

  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) editorPass(res.editorPasses++);
  stop = true;
  audio.join();
  host.join();
  res.floatBlocks = floatBlocks;
  res.doubleBlocks = doubleBlocks;
  res.badSamples = bad;
  return res;
}

}  // namespace stress

#endif  // TESTS_TONEGLASS_STRESS_H_
