// Applies --set and --set-normalized to an LV2 plug-in's control inputs, by the rules
// the VST 2 parameters follow where they carry over.
//
// A control input is named by its symbol or its name (exactly, then in any letter
// case) or by its port number. A value is a number, optionally followed by the port's
// unit, or the label of one of its scale points. Integer ports take the nearest whole
// number, toggles 0 or 1 ("on" and "off" too). A number beyond the port's range is set
// to the nearer end, with a warning. --set-normalized I=V maps 0..1 onto the range of
// control input port I (logarithmically on a logarithmic port).
#ifndef TOOLS_VSTHOST_LV2_PARAM_ASSIGN_H_
#define TOOLS_VSTHOST_LV2_PARAM_ASSIGN_H_

#include <string>
#include <vector>

#include "lv2_plugin.h"
#include "options.h"

namespace vsthost {

// The port index of the control input `name` names; -1 when none does.
int FindLv2Control(const Lv2Plugin& plugin, const std::string& name);

// Applies all in order; stops at the first failure with a one-line reason.
bool ApplyLv2Assignments(Lv2Plugin& plugin, const std::vector<ParamAssignment>& assignments, std::string* error);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_LV2_PARAM_ASSIGN_H_
