#include "summary.h"

#include <cmath>

namespace vsthost {

namespace {

const char* FormatName(OutputFormat format) {
  switch (format) {
    case OutputFormat::kPcm16:
      return "16-bit PCM WAV";
    case OutputFormat::kPcm24:
      return "24-bit PCM WAV";
    case OutputFormat::kFloat:
    default:
      return "32-bit float WAV";
  }
}

// "+3.2 dBFS": above full scale the sign matters.
std::string FormatDbSigned(double linear) {
  char text[32];
  snprintf(text, sizeof(text), "%+.1f dBFS", LevelMeter::ToDb(linear));
  return text;
}

// Peak and RMS of the finite samples; an all-NaN signal is not silence.
std::string LevelText(const LevelMeter& meter) {
  if (meter.Count() == 0 && meter.NonFinite() > 0) return "no finite samples (all are NaN or infinite)";
  return "peak " + FormatDb(meter.Peak()) + ", RMS " + FormatDb(meter.Rms());
}

}  // namespace

std::string FormatDb(double linear) {
  const double db = LevelMeter::ToDb(linear);
  if (std::isinf(db)) return "-inf dBFS";
  char text[32];
  snprintf(text, sizeof(text), "%.1f dBFS", db);
  return text;
}

double RealTimeFactor(const RenderResult& result) {
  if (result.wallSeconds <= 0.0 || result.sampleRate <= 0.0) return 0.0;
  return static_cast<double>(result.frames) / result.sampleRate / result.wallSeconds;
}

void PrintSummary(FILE* out, const SummaryInfo& info, const RenderResult& r) {
  const double seconds = r.sampleRate > 0.0 ? static_cast<double>(r.frames) / r.sampleRate : 0.0;
  if (info.pluginName.empty())
    fprintf(out, "plug-in     %s\n", info.pluginPath.c_str());
  else
    fprintf(out, "plug-in     %s (%s)\n", info.pluginName.c_str(), info.pluginPath.c_str());
  fprintf(out, "input       %s: %d ch, %.0f Hz, %.3f s (%lld frames)%s\n", info.inputName.c_str(),
          r.sourceChannels, r.sampleRate, seconds, static_cast<long long>(r.frames),
          r.sourceChannels == 1 && r.pluginInputs > 1 ? ", fed to every input" : "");
  fprintf(out, "output      %s: %d ch, %s\n", info.outputPath.c_str(), r.pluginOutputs,
          FormatName(info.format));
  fprintf(out, "processing  %s precision%s, blocks of %d frame%s\n", r.doublePrecision ? "double" : "single",
          r.precisionFellBack ? " (the plug-in has no double-precision processing)" : "", r.blockSize,
          r.blockSize == 1 ? "" : "s");
  fprintf(out, "level in    %s\n", LevelText(r.in).c_str());
  fprintf(out, "level out   %s\n", LevelText(r.out).c_str());
  // Samples that are not numbers: told apart by side, so the plug-in is not blamed for
  // what it was given.
  const long long badIn = static_cast<long long>(r.in.NonFinite());
  const long long badOut = static_cast<long long>(r.out.NonFinite());
  if (badIn > 0)
    fprintf(out, "warning     the input has %lld sample%s that %s not numbers (NaN or infinite)\n", badIn,
            badIn == 1 ? "" : "s", badIn == 1 ? "is" : "are");
  if (badOut > 0)
    fprintf(out, "warning     the output has %lld sample%s that %s not numbers (NaN or infinite)%s\n", badOut,
            badOut == 1 ? "" : "s", badOut == 1 ? "is" : "are",
            badIn > 0 ? "" : ", all made by the plug-in (the input has none)");
  const long long clipped = static_cast<long long>(r.out.OverFullScale());
  if (r.integerOutput && clipped > 0)
    fprintf(out,
            "warning     %lld output sample%s beyond full scale (peak %s) %s clipped in the %s; "
            "--format float keeps them, --no-clip refuses them\n",
            clipped, clipped == 1 ? "" : "s", FormatDbSigned(r.out.Peak()).c_str(), clipped == 1 ? "was" : "were",
            FormatName(info.format));
  if (r.frames > 0)
    fprintf(out, "speed       %.3f s for %.3f s of audio: %.1fx real time\n", r.wallSeconds, seconds,
            RealTimeFactor(r));
}

}  // namespace vsthost
