// The demo's built-in input: ten seconds of stereo at 44.1 kHz, tones that glide
// through the band the demo selects (1 to 4 kHz) over quiet noise. Each two-second
// phrase glides up at a higher level, from 1 to 13 dB above kDemoThresholdDb, so the
// blips climb in pitch from phrase to phrase. The last phrase glides until the very
// end, so the editor's picture at the end shows the tone in the band with a blip
// sounding. The band lies above the blips' own pitches (440 to 880 Hz), so the two
// are easy to tell apart by ear and in the spectrum.
#ifndef TOOLS_VSTHOST_TEST_SIGNAL_H_
#define TOOLS_VSTHOST_TEST_SIGNAL_H_

#include <cstdint>

#include "audio_source.h"

namespace vsthost {

constexpr double kDemoSampleRate = 44100.0;
constexpr double kDemoSeconds = 10.0;
// The settings the demo makes: a threshold that lets the tones stay well below full
// scale, and a band wide enough (about 94 pixels of the spectrum view) to be seen.
constexpr double kDemoThresholdDb = -24.0;
constexpr double kDemoSelectionStartHz = 1000.0;
constexpr double kDemoSelectionSizeHz = 3000.0;
constexpr double kDemoToneLowHz = 1200.0;
constexpr double kDemoToneHighHz = 3600.0;
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
