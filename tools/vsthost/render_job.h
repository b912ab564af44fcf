// What render and demo share: load the plug-in, check and configure it, apply the
// parameter settings, render a source into OUT through a temporary file, report.
#ifndef TOOLS_VSTHOST_RENDER_JOB_H_
#define TOOLS_VSTHOST_RENDER_JOB_H_

#include <cstdio>
#include <string>
#include <vector>

#include "audio_source.h"
#include "options.h"

namespace vsthost {

// The plug-in the options name, or the default one.
std::string PluginPathFor(const Options& options);

// Loads the plug-in at `path`. False with a one-line reason, with a hint when the
// default plug-in is missing.
bool LoadPlugin(class Plugin& plugin, const std::string& path, bool isDefault, std::string* error);

// Where the report goes: stdout, or stderr when an output is written to stdout.
FILE* ReportStream(const Options& options);

// Renders `source` to options.outPath with the given parameter settings (applied in
// order) and prints the summary to stdout. False with a one-line reason; OUT is then
// untouched.
bool RunRenderJob(const Options& options, AudioSource& source,
                  const std::vector<ParamAssignment>& assignments, std::string* error);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_RENDER_JOB_H_
