// Pushes a built-in test signal through the analysis and sonification engine and
// prints one line for every blip it starts: when, which bin, the tone's pitch and
// its stereo position.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "Toneglass.h"

namespace {

constexpr double kSampleRate = 44100.0;
constexpr int kBlockSize = 512;
constexpr double kPi = 3.14159265358979323846;

struct Segment {
  double seconds;
  double frequency;  // Hz; 0 = silence
  double levelDb;    // peak level of the sine
  const char* what;
};

// Each segment says what the engine should make of it at a -30 dB threshold and a
// 100 Hz to 10.1 kHz band. Sines that fall between bins read up to 1.4 dB low.
const Segment kSignal[] = {
    {0.25, 0.0, 0.0, "silence: no blips"},
    {0.25, 440.0, -20.0, "440 Hz at -20 dB: high tones, panned far left (low in the spectrum)"},
    {0.25, 1000.0, -27.0, "1 kHz at -27 dB: a few dB above the threshold, low tones"},
    {0.25, 5000.0, -6.0, "5 kHz at -6 dB: 12 dB or more above, capped at 880 Hz"},
    {0.25, 9000.0, -29.0, "9 kHz at -29 dB: barely above, the lowest tones, nearer the centre"},
    {0.25, 50.0, -6.0, "50 Hz at -6 dB: below the band, no blips"},
    {19200 / 44100.0, 0.0, 0.0, "silence: the last blip fades"},
};

// Each segment fades in and out over 30 ms, so its edges do not splatter into the band.
constexpr double kFadeSeconds = 0.03;

}  // namespace

int main() {
  auto plug = std::make_unique<Toneglass>();
  plug->SetSampleRate(kSampleRate);
  const double values[Toneglass::kNumParams] = {-30.0, 100.0, 10000.0, -6.0, -6.0};
  for (int i = 0; i < Toneglass::kNumParams; ++i) plug->GetParam(i)->Set(values[i]);
  plug->OnParamReset();
  plug->Reset();

  std::vector<double> left, right;
  for (const Segment& seg : kSignal) {
    const size_t n = static_cast<size_t>(seg.seconds * kSampleRate);
    const double amp = seg.frequency > 0.0 ? std::pow(10.0, seg.levelDb / 20.0) : 0.0;
    const double fade = kFadeSeconds * kSampleRate;
    for (size_t i = 0; i < n; ++i) {
      const double edge = std::min(static_cast<double>(i), static_cast<double>(n - 1 - i));
      const double gain = edge < fade ? 0.5 - 0.5 * std::cos(kPi * edge / fade) : 1.0;
      const double v = gain * amp * std::sin(2.0 * kPi * seg.frequency * static_cast<double>(left.size()) / kSampleRate);
      left.push_back(v);
      right.push_back(v);
    }
  }

  std::printf("Toneglass demo: %.2f s of test signal at %.0f Hz through the engine\n",
              static_cast<double>(left.size()) / kSampleRate, kSampleRate);
  std::printf("threshold %.0f dB, band %.0f to %.0f Hz, dry %.0f dB, wet %.0f dB\n", values[0], values[1],
              values[1] + values[2], values[3], values[4]);
  double t = 0.0;
  for (const Segment& seg : kSignal) {
    std::printf("  %5.2f s  %s\n", t, seg.what);
    t += seg.seconds;
  }
  std::printf("%8s %6s %10s %10s %10s %7s\n", "time_s", "bin", "bin_Hz", "tone_Hz", "semitones", "pan");

  std::vector<double> outL(left.size()), outR(left.size());
  long long lastFrame = -1;
  int blips = 0;
  double peak = 0.0;
  const double binWidth = kSampleRate / Toneglass::kFrameSize;
  for (size_t pos = 0; pos < left.size(); pos += kBlockSize) {
    const int n = static_cast<int>(std::min<size_t>(kBlockSize, left.size() - pos));
    double* ins[2] = {left.data() + pos, right.data() + pos};
    double* outs[2] = {outL.data() + pos, outR.data() + pos};
    plug->ProcessDoubleReplacing(ins, outs, n);
    for (int i = 0; i < n; ++i) peak = std::max({peak, std::fabs(outs[0][i]), std::fabs(outs[1][i])});

    // A block is shorter than a frame, so it starts at most one blip.
    const Toneglass::ToneStart& tone = plug->GetLastToneStart();
    if (tone.frameIndex != lastFrame) {
      lastFrame = tone.frameIndex;
      ++blips;
      // The tone starts on the sample that completes its frame.
      const double at = static_cast<double>((tone.frameIndex + 1) * Toneglass::kFrameSize - 1) / kSampleRate;
      std::printf("%8.3f %6d %10.1f %10.2f %10d %+7.3f\n", at, tone.bin, tone.bin * binWidth, tone.frequency,
                  tone.semitones, tone.pan);
    }
  }
  std::printf("%d blips; output peak %.3f (%.1f dB)\n", blips, peak, 20.0 * std::log10(peak > 0.0 ? peak : 1e-12));
  return 0;
}
