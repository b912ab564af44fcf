// Applies --set and --set-normalized to a loaded plug-in.
//
// A plain value goes through effString2Parameter first. When the plug-in refuses it
// (many do not implement the request, others accept only their fixed display texts),
// the value is found by searching the normalised range for the position whose display
// text reads as that number, which works for any parameter whose display is a
// monotonic number.
//
// A value that is not a number (optionally followed by the parameter's unit) must be
// one of the parameter's display texts: the plug-in has to show it back once set, or
// the assignment fails. A number beyond the range is left to the plug-in to clamp, and
// a warning on stderr gives the range and the value used.
#ifndef TOOLS_VSTHOST_PARAM_ASSIGN_H_
#define TOOLS_VSTHOST_PARAM_ASSIGN_H_

#include <string>
#include <vector>

#include "options.h"
#include "plugin.h"

namespace vsthost {

// The parameter named `name`: an exact match first, then one ignoring case, then a
// plain index number. -1 when none matches.
int FindParameter(const Plugin& plugin, const std::string& name);

// Applies one assignment. False with a one-line reason (unknown name, index out of
// range, value the plug-in cannot take).
bool ApplyAssignment(const Plugin& plugin, const ParamAssignment& assignment, std::string* error);

// Applies all in order; stops at the first failure.
bool ApplyAssignments(const Plugin& plugin, const std::vector<ParamAssignment>& assignments,
                      std::string* error);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_PARAM_ASSIGN_H_
