// What the commands do differently for an LV2 plug-in: the options that apply to VST 2
// plug-ins only, presets by name, and the info report.
#ifndef TOOLS_VSTHOST_LV2_JOB_H_
#define TOOLS_VSTHOST_LV2_JOB_H_

#include <string>
#include <vector>

#include "lv2_plugin.h"
#include "options.h"

namespace vsthost {

// False with a reason when the options ask for what the tool does with VST 2 plug-ins
// only: the editor's picture, or preset files saved.
bool CheckLv2Options(const Options& options, std::string* error);

// --load-preset (an LV2 preset's URI or label), then the assignments in order.
bool ApplyLv2PresetOptions(Lv2Plugin& plugin, const Options& options, const std::vector<ParamAssignment>& assignments,
                           std::string* error);

// `toneglass-host info` for an LV2 plug-in.
bool RunLv2Info(const Options& options, const std::string& reference, std::string* error);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_LV2_JOB_H_
