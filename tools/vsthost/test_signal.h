// The demo's built-in input: ten seconds of stereo at 44.1 kHz, low tones that glide
// through the plug-in's default band (20 to 70 Hz) over quiet noise. Each two-second
// phrase glides up at a higher level, from 1 to 13 dB above kDemoThresholdDb, so the
// blips climb in pitch from phrase to phrase.
#ifndef TOOLS_VSTHOST_TEST_SIGNAL_H_
#define TOOLS_VSTHOST_TEST_SIGNAL_H_

#include <cstdint>

#include "audio_source.h"

namespace vsthost {

constexpr double kDemoSampleRate = 44100.0;
constexpr double kDemoSeconds = 10.0;
// The threshold the demo sets, so the tones can stay well below full scale.
constexpr double kDemoThresholdDb = -24.0;
constexpr double kDemoToneLowHz = 25.0;
constexpr double kDemoToneHighHz = 65.0;
constexpr double kDemoNoiseRms = 0.003;  // about -50 dBFS

class TestSignalSource : public AudioSource {
 public:
  explicit TestSignalSource(double sampleRate = kDemoSampleRate, double seconds = kDemoSeconds);

  int Channels() const override { return 2; }
  double SampleRate() const override { return mSampleRate; }
  int64_t Frames() const override { return mFrames; }
  int64_t Read(double* interleaved, int64_t frames, std::string* error) override;
  std::string Describe() const override { return "built-in test signal"; }

  // The tone's amplitude and frequency at a frame (both 0 in the gaps between phrases).
  void ToneAt(int64_t frame, double* amplitude, double* frequency) const;

 private:
  double NextNoise();

  double mSampleRate;
  int64_t mFrames;
  int64_t mPosition = 0;
  double mPhase = 0.0;
  uint32_t mNoiseState = 0x12345678u;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_TEST_SIGNAL_H_
