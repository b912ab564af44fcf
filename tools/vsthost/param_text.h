// The text rules every format's parameter settings share: how a typed number is read,
// and the words of the warnings and errors about values.
#ifndef TOOLS_VSTHOST_PARAM_TEXT_H_
#define TOOLS_VSTHOST_PARAM_TEXT_H_

#include <string>
#include <vector>

namespace vsthost {

// The text without blanks (spaces, tabs) around it.
std::string Trimmed(const std::string& s);

// A number as "%g" writes it.
std::string FormatNumber(double v);

// The one number reader. Blanks around the text are ignored. With a unit, the number
// may be followed by that unit and nothing else ("-30", "-30 dB", "-30dB"); without
// one (unit null), anything may follow ("-6.0 dB" as a display reads -6). NaN is not
// a number here; infinities are.
bool ReadNumber(const std::string& text, const std::string* unit, double* out);

// Tells the user that `asked` lies outside the parameter's range and which value was
// used instead; `shown` is the display at that end when it reads otherwise ("-inf").
void WarnOutOfRange(const std::string& name, const std::string& asked, const std::string& low,
                    const std::string& high, double used, const std::string& shown, const std::string& unit);

// The error for a value that is neither a number nor one of the texts the parameter
// shows; `seen` lists some of those texts.
std::string NotATextError(const std::string& name, const std::string& value, const std::vector<std::string>& seen);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_PARAM_TEXT_H_
