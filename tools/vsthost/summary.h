// The report printed after a render: what went in, what came out, levels and speed.
#ifndef TOOLS_VSTHOST_SUMMARY_H_
#define TOOLS_VSTHOST_SUMMARY_H_

#include <cstdio>
#include <string>

#include "options.h"
#include "render_engine.h"

namespace vsthost {

struct SummaryInfo {
  std::string pluginName;
  std::string pluginPath;
  std::string inputName;
  std::string outputPath;
  OutputFormat format = OutputFormat::kFloat;
};

// "-12.3 dBFS", or "-inf dBFS" for silence.
std::string FormatDb(double linear);

// Audio seconds per wall-clock second; 0 when nothing was timed.
double RealTimeFactor(const RenderResult& result);

void PrintSummary(FILE* out, const SummaryInfo& info, const RenderResult& result);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_SUMMARY_H_
