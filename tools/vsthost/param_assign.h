// Applies --set and --set-normalized to a loaded plug-in.
//
// Names and values are matched as a user types them: blanks around them do not count.
// A plain number (optionally followed by the parameter's unit) goes through
// effString2Parameter first. When the plug-in refuses it (many do not implement the
// request, others accept only their fixed display texts), the value is found by
// searching the normalised range for the position whose display text reads as that
// number, which works for any parameter whose display is a monotonic number.
//
// Anything else ("RMS", "-inf") must be one of the parameter's display texts, in the
// letter case the plug-in shows it (any case when that finds none): the plug-in's own
// conversion is used when it shows the text back, else the position that shows it. A
// number beyond the range is left to the plug-in to clamp, and a warning on stderr
// gives the range and the value used; a number that differs from an end by less than
// the display's last digit is that end.
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

// What the parameter shows at both ends of its range, with the unit it shows in the
// middle: "-60 to 6 dB", "Peak to Uniform". The parameter keeps its value.
std::string ParamRange(Plugin& plugin, int index);

// Applies one assignment. False with a one-line reason (unknown name, index out of
// range, value the plug-in cannot take).
bool ApplyAssignment(Plugin& plugin, const ParamAssignment& assignment, std::string* error);

// Applies all in order; stops at the first failure.
bool ApplyAssignments(Plugin& plugin, const std::vector<ParamAssignment>& assignments,
                      std::string* error);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_PARAM_ASSIGN_H_
