#include "param_assign.h"
#include "param_text.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace vsthost {

namespace {

// Steps of every bisection: beyond the resolution of the float a normalised value is.
constexpr int kBisectionSteps = 64;
// Positions a display-text search looks at: every step of any parameter with up to a
// thousand steps is among them.
constexpr int kTextScanSteps = 1000;

}  // namespace

std::string Trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string FormatNumber(double v) {
  char text[64];
  snprintf(text, sizeof(text), "%g", v);
  return text;
}

bool ReadNumber(const std::string& text, const std::string* unit, double* out) {
  const std::string t = Trimmed(text);
  errno = 0;
  char* end = nullptr;
  const double v = strtod(t.c_str(), &end);
  if (t.empty() || end == t.c_str() || errno == ERANGE || std::isnan(v)) return false;
  if (unit) {
    const std::string rest = Trimmed(end);
    if (!rest.empty() && (Trimmed(*unit).empty() || strcasecmp(rest.c_str(), Trimmed(*unit).c_str()) != 0))
      return false;
  }
  *out = v;
  return true;
}

namespace {

// A display read as a number; NaN when it is not one.
double DisplayNumber(const std::string& display) {
  double v = 0.0;
  return ReadNumber(display, nullptr, &v) ? v : std::nan("");
}

// The one bisection. `past` is false at `from` and true at `to` (either order) and
// turns once in between; the two positions either side of the turn come back.
template <typename Past>
std::pair<double, double> Bisect(double from, double to, Past past) {
  for (int i = 0; i < kBisectionSteps; ++i) {
    const double mid = 0.5 * (from + to);
    if (mid == from || mid == to) break;
    if (past(mid))
      to = mid;
    else
      from = mid;
  }
  return {from, to};
}

// The one save-and-restore probe: looks at a parameter at other values and puts back
// the value it had, or the one chosen with Keep, when it ends.
class Probe {
 public:
  Probe(Plugin& plugin, int index) : mPlugin(plugin), mIndex(index), mSaved(plugin.GetParameter(index)) {}
  ~Probe() {
    if (!mKeptText.empty())
      Convert(mKeptText);
    else
      mPlugin.SetParameter(mIndex, mKeep ? mKept : mSaved);
  }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  std::string DisplayAt(double x) {
    mPlugin.SetParameter(mIndex, static_cast<float>(x));
    return Trimmed(mPlugin.ParamDisplay(mIndex));
  }
  double NumberAt(double x) { return DisplayNumber(DisplayAt(x)); }
  std::string LabelAt(double x) {
    mPlugin.SetParameter(mIndex, static_cast<float>(x));
    return Trimmed(mPlugin.ParamLabel(mIndex));
  }
  // effString2Parameter with a copy the plug-in may write into; whether it took it.
  bool Convert(const std::string& text) {
    std::string copy = text;
    copy.resize(text.size() + 1);
    return mPlugin.Dispatch(effString2Parameter, mIndex, 0, &copy[0]) != 0;
  }
  bool Convert(double value) {
    char text[64];
    snprintf(text, sizeof(text), "%.17g", value);
    return Convert(std::string(text));
  }
  float Value() const { return mPlugin.GetParameter(mIndex); }
  std::string Display() const { return Trimmed(mPlugin.ParamDisplay(mIndex)); }

  // The value to leave behind: a normalised one, or a text the plug-in converts itself
  // (which keeps its own precision).
  void Keep(float normalized) {
    mKeep = true;
    mKept = normalized;
  }
  void KeepText(const std::string& text) { mKeptText = text; }

 private:
  Plugin& mPlugin;
  const int mIndex;
  const float mSaved;
  bool mKeep = false;
  float mKept = 0.0f;
  std::string mKeptText;
};

// Half the last digit a display shows ("-61.0": 0.05): numbers closer than that to a
// bound read the same as the bound, in the parameter's own precision.
double HalfDisplayStep(const std::string& text) {
  const size_t dot = text.find('.');
  if (dot == std::string::npos) return 0.5;
  size_t digits = 0;
  while (dot + 1 + digits < text.size() && text[dot + 1 + digits] >= '0' && text[dot + 1 + digits] <= '9') ++digits;
  return 0.5 * std::pow(10.0, -static_cast<double>(digits));
}

}  // namespace

void WarnOutOfRange(const std::string& name, const std::string& asked, const std::string& low,
                    const std::string& high, double used, const std::string& shown, const std::string& unit) {
  const std::string withUnit = unit.empty() ? "" : " " + unit;
  std::string message = "'" + name + "' ranges from " + low + " to " + high + withUnit + "; " + asked +
                        " is outside it, so the value used is " + FormatNumber(used) + withUnit;
  const double shownNumber = DisplayNumber(shown);
  if (!shown.empty() && (std::isnan(shownNumber) || FormatNumber(shownNumber) != FormatNumber(used)))
    message += " (shown as '" + shown + "')";
  fprintf(stderr, "toneglass-host: warning: %s\n", message.c_str());
}

namespace {

// The number shown nearest to an end that is shown as a word or an infinity, and its
// text; NaN when even the middle shows no number.
double FiniteEdge(Probe& probe, double end, std::string* text) {
  if (!std::isfinite(probe.NumberAt(0.5))) return std::nan("");
  const double inside = Bisect(0.5, end, [&](double x) { return !std::isfinite(probe.NumberAt(x)); }).first;
  *text = probe.DisplayAt(inside);
  return DisplayNumber(*text);
}

// A parameter without text conversion: the normalised value whose display shows
// `target`, assuming the display grows (or shrinks) monotonically with the value. When
// a span of positions shows the same number the middle of the span is taken, so a
// display rounded to one decimal lands on the value asked for and not on a rounding
// edge. Beyond the range the nearer end is used, as plug-ins clamp what they convert.
bool SearchByDisplay(Probe& probe, const std::string& name, double target, float* out) {
  const double atZero = probe.NumberAt(0.0), atOne = probe.NumberAt(1.0);
  if (std::isnan(atZero) || std::isnan(atOne) || atZero == atOne) return false;
  const bool rising = atOne > atZero;
  const double lo = rising ? atZero : atOne, hi = rising ? atOne : atZero;
  if (target == atZero || target == atOne) {
    *out = target == atZero ? 0.0f : 1.0f;
    return true;
  }
  // An end shown as a word ("-inf") stands for the number shown next to it.
  std::string loText, hiText;
  const double loEnd = rising ? 0.0 : 1.0, hiEnd = rising ? 1.0 : 0.0;
  const double loEdge = std::isinf(lo) ? FiniteEdge(probe, loEnd, &loText) : lo;
  const double hiEdge = std::isinf(hi) ? FiniteEdge(probe, hiEnd, &hiText) : hi;
  const bool below = !std::isnan(loEdge) && target < loEdge - (std::isinf(lo) ? HalfDisplayStep(loText) : 0.0);
  const bool above = !std::isnan(hiEdge) && target > hiEdge + (std::isinf(hi) ? HalfDisplayStep(hiText) : 0.0);
  if (below || above || !(target > lo && target < hi)) {
    const bool low = below || target <= lo;
    const double end = low ? loEnd : hiEnd;
    const std::string shownAtEnd = probe.DisplayAt(end);
    WarnOutOfRange(name, FormatNumber(target), FormatNumber(loEdge), FormatNumber(hiEdge), low ? loEdge : hiEdge,
                   shownAtEnd, probe.LabelAt(0.5));
    *out = static_cast<float>(end);
    return true;
  }
  // The display as an increasing function of the position.
  bool sawNan = false;
  auto shown = [&](double x) {
    const double v = probe.NumberAt(x);
    sawNan = sawNan || std::isnan(v);
    return rising ? v : -v;
  };
  const double want = rising ? target : -target;
  const double begin = Bisect(0.0, 1.0, [&](double x) { return shown(x) >= want; }).second;
  const double end = Bisect(0.0, 1.0, [&](double x) { return shown(x) > want; }).second;
  if (sawNan) return false;
  double position = end > begin ? 0.5 * (begin + end) : begin;
  // "-61" on a level whose -61 reads "-inf" means that very end.
  const double kEdge = 1e-6;
  if (begin < kEdge && std::isinf(atZero)) position = 0.0;
  if (end > 1.0 - kEdge && std::isinf(atOne)) position = 1.0;
  *out = static_cast<float>(position);
  return true;
}

// The plug-in has taken `target` through its text conversion. When that put the
// parameter at an end of its range although the number lies beyond it, the plug-in
// clamped it: say so, with the range and the value used. A number that differs from
// the end by less than the display's last digit is the end itself.
void ReportClamping(Probe& probe, const std::string& name, const std::string& asked, double target) {
  const float taken = probe.Value();
  if (taken != 0.0f && taken != 1.0f) return;
  const bool low = taken == 0.0f;
  const std::string lowText = probe.DisplayAt(0.0), highText = probe.DisplayAt(1.0);
  const double shownLow = DisplayNumber(lowText), shownHigh = DisplayNumber(highText);
  const double shownMiddle = probe.NumberAt(0.5);
  const std::string unit = probe.LabelAt(0.5);
  // The end as the plug-in itself converts numbers: its display may be rounded or a
  // word ("-inf").
  double bound = std::nan("");
  if (std::isfinite(target) && std::isfinite(shownMiddle) && probe.Convert(shownMiddle) && probe.Value() != taken) {
    bool converts = true;
    bound = Bisect(shownMiddle, target, [&](double v) {
              converts = converts && probe.Convert(v);
              return probe.Value() == taken;
            }).second;
    if (!converts) bound = std::nan("");
  }
  if (std::isnan(bound)) bound = low ? shownLow : shownHigh;
  if (!std::isfinite(bound)) return;  // nothing tells where the range ends
  const double tolerance = std::max(1e-9 * std::max(1.0, std::fabs(bound)),
                                    std::isfinite(low ? shownLow : shownHigh) ? HalfDisplayStep(low ? lowText : highText) : 0.0);
  if (low ? !(target < bound - tolerance) : !(target > bound + tolerance)) return;
  auto endText = [&](bool isLow) {
    if (isLow == low) return FormatNumber(bound);
    const double shown = isLow ? shownLow : shownHigh;
    return std::isfinite(shown) ? FormatNumber(shown) : (isLow ? lowText : highText);
  };
  WarnOutOfRange(name, asked, endText(true), endText(false), bound, low ? lowText : highText, unit);
}

// The normalised value at which the parameter shows `text` (trimmed; the letter case as
// the plug-in shows it, or, when no display matches so, in any case): the middle of the
// first span of positions that shows it. Also collects a few of the texts it shows.
bool FindDisplayText(Probe& probe, const std::string& text, float* out, std::vector<std::string>* seen) {
  for (int pass = 0; pass < 2; ++pass) {
    int first = -1, last = -1;
    for (int step = 0; step <= kTextScanSteps; ++step) {
      const double x = static_cast<double>(step) / kTextScanSteps;
      const std::string shown = probe.DisplayAt(x);
      if (pass == 0 && seen->size() < 6 && std::find(seen->begin(), seen->end(), shown) == seen->end())
        seen->push_back(shown);
      const bool match = pass == 0 ? shown == text : strcasecmp(shown.c_str(), text.c_str()) == 0;
      if (match) {
        if (first < 0) first = step;
        last = step;
      } else if (first >= 0) {
        break;
      }
    }
    if (first >= 0) {
      *out = first == 0 ? 0.0f
                        : last == kTextScanSteps ? 1.0f
                                                 : static_cast<float>(0.5 * (first + last) / kTextScanSteps);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string NotATextError(const std::string& name, const std::string& value, const std::vector<std::string>& seen) {
  std::string error = "parameter '" + name + "' takes a number or one of its display texts, not '" + value + "'";
  bool allNumbers = true;
  for (const std::string& s : seen) allNumbers = allNumbers && !std::isnan(DisplayNumber(s));
  if (!seen.empty() && !allNumbers) {
    error += " (it shows";
    for (size_t i = 0; i < seen.size(); ++i) error += (i ? ", '" : " '") + seen[i] + "'";
    error += seen.size() >= 6 ? ", ...)" : ")";
  }
  return error;
}


int FindParameter(const Plugin& plugin, const std::string& typed) {
  const std::string name = Trimmed(typed);
  const int n = plugin.NumParams();
  for (int i = 0; i < n; ++i)
    if (Trimmed(plugin.ParamName(i)) == name) return i;
  for (int i = 0; i < n; ++i)
    if (strcasecmp(Trimmed(plugin.ParamName(i)).c_str(), name.c_str()) == 0) return i;
  char* end = nullptr;
  errno = 0;
  const long index = strtol(name.c_str(), &end, 10);
  if (!name.empty() && *end == '\0' && errno == 0 && index >= 0 && index < n) return static_cast<int>(index);
  return -1;
}

std::string ParamRange(Plugin& plugin, int index) {
  Probe probe(plugin, index);
  const std::string low = probe.DisplayAt(0.0), high = probe.DisplayAt(1.0), unit = probe.LabelAt(0.5);
  return low + " to " + high + (unit.empty() ? "" : " " + unit);
}

bool ApplyAssignment(Plugin& plugin, const ParamAssignment& assignment, std::string* error) {
  if (assignment.normalized) {
    char* end = nullptr;
    errno = 0;
    const long index = strtol(assignment.key.c_str(), &end, 10);
    if (assignment.key.empty() || *end != '\0' || errno != 0 || index < 0 || index >= plugin.NumParams()) {
      *error = "--set-normalized: no parameter number '" + assignment.key + "' (the plug-in has " +
               std::to_string(plugin.NumParams()) + ", numbered from 0)";
      return false;
    }
    double v = 0.0;
    const std::string noUnit;
    if (!ReadNumber(assignment.value, &noUnit, &v) || !(v >= 0.0 && v <= 1.0)) {
      *error = "--set-normalized: '" + assignment.value + "' is not a value from 0 to 1";
      return false;
    }
    plugin.SetParameter(static_cast<int>(index), static_cast<float>(v));
    return true;
  }

  const int index = FindParameter(plugin, assignment.key);
  if (index < 0) {
    *error = "unknown parameter '" + assignment.key + "' (toneglass-host info lists them)";
    return false;
  }
  const std::string name = plugin.ParamName(index);
  const std::string value = Trimmed(assignment.value);
  Probe probe(plugin, index);
  double target = 0.0;
  const std::string unit = probe.LabelAt(0.5);
  // A finite number in the parameter's unit; an infinity ("-inf") is a display text.
  const bool numeric = ReadNumber(value, &unit, &target) && std::isfinite(target);

  if (numeric) {
    if (probe.Convert(value)) {
      // Many plug-ins read any text as a number; a number is what this is.
      ReportClamping(probe, name, value, target);
      probe.KeepText(value);
      return true;
    }
    float normalized = 0.0f;
    if (SearchByDisplay(probe, name, target, &normalized)) {
      probe.Keep(normalized);
      return true;
    }
  }
  // A display text: the plug-in's own conversion when it shows the text back, else
  // the position where it is shown.
  if (!numeric && probe.Convert(value) && probe.Display() == value) {
    probe.KeepText(value);
    return true;
  }
  float normalized = 0.0f;
  std::vector<std::string> seen;
  if (FindDisplayText(probe, value, &normalized, &seen)) {
    probe.Keep(normalized);
    return true;
  }
  if (numeric)
    *error = "parameter '" + name + "' does not take the value '" + assignment.value + "' (try --set-normalized " +
             std::to_string(index) + "=V)";
  else
    *error = NotATextError(name, assignment.value, seen);
  return false;
}

bool ApplyAssignments(Plugin& plugin, const std::vector<ParamAssignment>& assignments, std::string* error) {
  for (const ParamAssignment& a : assignments)
    if (!ApplyAssignment(plugin, a, error)) return false;
  return true;
}

}  // namespace vsthost
