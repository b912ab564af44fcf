// The built plug-in's audio, bit for bit, against fingerprints recorded from an earlier
// build: every change to the audio path (loop splitting, vector code, fused conversions)
// must leave each output sample exactly as it was. Driven through the AEffect as a host
// drives it, in both precisions, at several settings (tones sounding and not), block
// patterns (1, 64, 512, 4096 and odd sizes) and with the outputs on the inputs.
//
// TONEGLASS_GOLDEN_PRINT=1 prints the table from the build under test instead of comparing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vst_test_host.h"

namespace {

#ifndef TONEGLASS_PLUGIN_SO
#define TONEGLASS_PLUGIN_SO "Toneglass.so"
#endif

vsthost::Library& PluginLibrary() {
  static vsthost::Library library(TONEGLASS_PLUGIN_SO);
  return library;
}

// Five analysis frames and a part: several tone starts, attacks and releases, and a
// frame boundary inside most block patterns' blocks.
constexpr int kSamples = 5 * 2048 + 333;

// Parameter ranges, for the normalised values the host sends.
struct Range {
  double min, max;
};
const Range kRanges[5] = {{-60.0, 6.0}, {20.0, 22050.0}, {50.0, 10000.0}, {-61.0, 0.0}, {-61.0, 0.0}};

struct Setting {
  const char* name;
  float rate;
  double plain[5];  // threshold dB, selection start Hz, selection size Hz, dry dB, wet dB
};
const Setting kSettings[] = {
    {"defaults", 44100.0f, {0.0, 20.0, 50.0, -6.0, -6.0}},
    {"tones", 44100.0f, {-30.0, 100.0, 10000.0, -6.0, -3.0}},
    {"tones_wet_only", 48000.0f, {-45.0, 300.0, 9000.0, -61.0, 0.0}},
    {"tones_high_band", 96000.0f, {-50.0, 4000.0, 10000.0, -1.5, -20.0}},
};

struct Pattern {
  const char* name;
  std::vector<int> blocks;  // repeated until the signal ends
  bool inPlace;
};
const std::vector<Pattern>& Patterns() {
  static const std::vector<Pattern> patterns = {
      {"b1", {1}, false},
      {"b64", {64}, false},
      {"b512", {512}, false},
      {"b4096", {4096}, false},
      {"odd", {37, 1, 511, 1023, 3, 2049, 700}, false},
      {"b512_inplace", {512}, true},
      {"odd_inplace", {129, 7, 2047, 999}, true},
  };
  return patterns;
}

// A stereo signal that moves: a swept sine that crosses the bands at changing levels,
// a second sine on the right only, and a little noise, so that tones start at several
// pitches and pans, and some frames stay quiet.
template <class T>
void MakeSignal(double rate, std::vector<T>* left, std::vector<T>* right) {
  left->assign(kSamples, 0);
  right->assign(kSamples, 0);
  unsigned long long state = 88172645463325252ULL;
  for (int i = 0; i < kSamples; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double noise = (static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0) * 0.01;
    const double t = i / rate;
    const double sweep = 0.4 * std::sin(2.0 * M_PI * (500.0 * t + 4000.0 * t * t));
    const double level = (i / 2048) % 3 == 1 ? 0.02 : 1.0;
    const double side = 0.25 * std::sin(2.0 * M_PI * 7000.0 * t);
    (*left)[i] = static_cast<T>(level * sweep + noise);
    (*right)[i] = static_cast<T>(level * (0.5 * sweep + side) - noise);
  }
}

uint64_t Fnv1a(uint64_t h, const void* data, size_t bytes) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < bytes; ++i) {
    h ^= p[i];
    h *= 1099511628211ULL;
  }
  return h;
}

enum class Call { kFloat, kDouble, kAccumulate };
const char* CallName(Call c) { return c == Call::kFloat ? "float" : c == Call::kDouble ? "double" : "accumulate"; }

// Runs the whole signal and returns the fingerprint of both output channels.
template <class T>
uint64_t RunCase(const Setting& setting, const Pattern& pattern, Call call) {
  vsthost::Plugin plug(PluginLibrary().Main());
  EXPECT_TRUE(plug.Ok());
  if (!plug.Ok()) return 0;
  plug.Host().mRecord = false;
  plug.Start(setting.rate, 512);
  AEffect* e = plug.Effect();
  for (int p = 0; p < 5; ++p)
    e->setParameter(e, p, static_cast<float>((setting.plain[p] - kRanges[p].min) / (kRanges[p].max - kRanges[p].min)));
  if (call == Call::kDouble) plug.Dispatch(effSetProcessPrecision, 0, kVstProcessPrecision64);

  std::vector<T> inL, inR;
  MakeSignal(setting.rate, &inL, &inR);
  std::vector<T> outL(kSamples), outR(kSamples);
  if (call == Call::kAccumulate) {
    // The host's own signal already in the outputs: the plug-in adds to it.
    for (int i = 0; i < kSamples; ++i) outL[i] = outR[i] = static_cast<T>(0.125 * std::sin(i * 0.01));
  }
  if (pattern.inPlace) {
    outL = inL;
    outR = inR;
  }
  size_t k = 0;
  for (int pos = 0; pos < kSamples; ++k) {
    const int n = std::min(pattern.blocks[k % pattern.blocks.size()], kSamples - pos);
    T* ins[2] = {(pattern.inPlace ? outL.data() : inL.data()) + pos, (pattern.inPlace ? outR.data() : inR.data()) + pos};
    T* outs[2] = {outL.data() + pos, outR.data() + pos};
    if constexpr (sizeof(T) == sizeof(double)) {
      e->processDoubleReplacing(e, ins, outs, n);
    } else if (call == Call::kAccumulate) {
      e->process(e, ins, outs, n);
    } else {
      e->processReplacing(e, ins, outs, n);
    }
    pos += n;
  }
  uint64_t h = 14695981039346656037ULL;
  h = Fnv1a(h, outL.data(), sizeof(T) * kSamples);
  return Fnv1a(h, outR.data(), sizeof(T) * kSamples);
}

struct Golden {
  const char* name;
  uint64_t hash;
};

// Recorded from the build before any speed work on the audio path.
const Golden kGolden[] = {
#include "golden/toneglass_audio_hashes.inc"
};

std::string CaseName(const Setting& s, const Pattern& p, Call c) {
  return std::string(s.name) + "/" + p.name + "/" + CallName(c);
}

TEST(ToneglassGolden, EveryOutputSampleMatchesTheRecordedBuild) {
  ASSERT_TRUE(PluginLibrary().Ok()) << PluginLibrary().Error();
  const bool print = getenv("TONEGLASS_GOLDEN_PRINT") != nullptr;
  size_t next = 0;
  for (const Setting& s : kSettings) {
    for (const Pattern& p : Patterns()) {
      for (Call c : {Call::kFloat, Call::kDouble, Call::kAccumulate}) {
        if (c == Call::kAccumulate && p.inPlace) continue;  // the outputs would hold the input
        const std::string name = CaseName(s, p, c);
        const uint64_t h = c == Call::kDouble ? RunCase<double>(s, p, c) : RunCase<float>(s, p, c);
        if (print) {
          printf("    {\"%s\", 0x%016llxULL},\n", name.c_str(), static_cast<unsigned long long>(h));
          continue;
        }
        ASSERT_LT(next, sizeof(kGolden) / sizeof(kGolden[0])) << name << " has no recorded fingerprint";
        EXPECT_EQ(name, kGolden[next].name);
        EXPECT_EQ(h, kGolden[next].hash) << name << ": the output differs from the recorded build";
        ++next;
      }
    }
  }
  if (!print) {
    EXPECT_EQ(next, sizeof(kGolden) / sizeof(kGolden[0])) << "recorded cases left unchecked";
  }
}

// The signal really exercises what the fingerprints are meant to guard: in a tone
// setting the output leaves the scaled dry signal for thousands of samples, and only
// once the first frame has ended.
TEST(ToneglassGolden, TheRecordedCasesSoundTones) {
  ASSERT_TRUE(PluginLibrary().Ok()) << PluginLibrary().Error();
  const Setting& s = kSettings[1];
  vsthost::Plugin plug(PluginLibrary().Main());
  ASSERT_TRUE(plug.Ok());
  plug.Host().mRecord = false;
  plug.Start(s.rate, 512);
  AEffect* e = plug.Effect();
  for (int p = 0; p < 5; ++p)
    e->setParameter(e, p, static_cast<float>((s.plain[p] - kRanges[p].min) / (kRanges[p].max - kRanges[p].min)));
  std::vector<float> inL, inR;
  MakeSignal(s.rate, &inL, &inR);
  std::vector<float> outL(kSamples), outR(kSamples);
  for (int pos = 0; pos < kSamples; pos += 512) {
    const int n = std::min(512, kSamples - pos);
    float* ins[2] = {inL.data() + pos, inR.data() + pos};
    float* outs[2] = {outL.data() + pos, outR.data() + pos};
    e->processReplacing(e, ins, outs, n);
  }
  const double dry = std::pow(10.0, -6.0 / 20.0);
  int toneSamples = 0;
  for (int i = 0; i < kSamples; ++i) toneSamples += std::fabs(outL[i] - inL[i] * dry) > 1e-4 ? 1 : 0;
  EXPECT_GT(toneSamples, 2048);
  // Before the first frame ends the output is the dry signal.
  for (int i = 0; i < 2047; ++i) ASSERT_NEAR(outL[i], inL[i] * dry, 1e-6) << i;
}

}  // namespace
