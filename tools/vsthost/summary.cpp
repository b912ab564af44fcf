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
  fprintf(out, "processing  %s precision%s, blocks of %d frames\n", r.doublePrecision ? "double" : "single",
          r.precisionFellBack ? " (the plug-in has no double-precision processing)" : "", r.blockSize);
  fprintf(out, "level in    peak %s, RMS %s\n", FormatDb(r.in.Peak()).c_str(), FormatDb(r.in.Rms()).c_str());
  fprintf(out, "level out   peak %s, RMS %s\n", FormatDb(r.out.Peak()).c_str(),
          FormatDb(r.out.Rms()).c_str());
  if (r.out.NonFinite() > 0)
    fprintf(out, "warning     the plug-in produced %lld samples that are not numbers (NaN or infinite)\n",
            static_cast<long long>(r.out.NonFinite()));
  if (r.frames > 0)
    fprintf(out, "speed       %.3f s for %.3f s of audio: %.1fx real time\n", r.wallSeconds, seconds,
            RealTimeFactor(r));
}

}  // namespace vsthost
