#include "param_assign.h"

#include <strings.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

namespace vsthost {

namespace {

bool ParseNumber(const std::string& text, double* out) {
  errno = 0;
  char* end = nullptr;
  const double v = strtod(text.c_str(), &end);
  if (end == text.c_str() || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return false;
  *out = v;
  return true;
}

std::string FormatNumber(double v) {
  char text[64];
  snprintf(text, sizeof(text), "%g", v);
  return text;
}

// The display text at a normalised position, read as a number (a leading number
// followed by a unit also counts: "-6.0 dB"). NaN when it is not one.
double DisplayedNumber(const Plugin& plugin, int index, float normalized) {
  plugin.SetParameter(index, normalized);
  const std::string text = plugin.ParamDisplay(index);
  char* end = nullptr;
  const double v = strtod(text.c_str(), &end);
  if (end == text.c_str()) return std::nan("");
  return v;
}

std::string Trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Tells the user that `asked` lies outside the parameter's range and which value was
// used instead; `shown` is the display at that end when it reads otherwise ("-inf").
void WarnOutOfRange(const Plugin& plugin, int index, const std::string& asked, const std::string& low,
                    const std::string& high, double used, const std::string& shown, const std::string& unit) {
  const std::string withUnit = unit.empty() ? "" : " " + unit;
  std::string message = "'" + plugin.ParamName(index) + "' ranges from " + low + " to " + high + withUnit +
                        "; " + asked + " is outside it, so the value used is " + FormatNumber(used) + withUnit;
  const std::string display = Trimmed(shown);
  char* end = nullptr;
  const double shownNumber = strtod(display.c_str(), &end);
  if (!display.empty() && (end == display.c_str() || FormatNumber(shownNumber) != FormatNumber(used)))
    message += " (shown as '" + display + "')";
  fprintf(stderr, "toneglass-host: warning: %s\n", message.c_str());
}

// The unit as the plug-in labels the middle of the range: an end shown as a word may
// carry none.
std::string MiddleLabel(const Plugin& plugin, int index) {
  const float before = plugin.GetParameter(index);
  plugin.SetParameter(index, 0.5f);
  const std::string label = plugin.ParamLabel(index);
  plugin.SetParameter(index, before);
  return label;
}

// Half the last digit a display shows ("-61.0": 0.05): numbers closer than that to an
// end read the same as the end.
double HalfDisplayStep(const std::string& text) {
  const size_t dot = text.find('.');
  if (dot == std::string::npos) return 0.5;
  size_t digits = 0;
  while (dot + 1 + digits < text.size() && text[dot + 1 + digits] >= '0' && text[dot + 1 + digits] <= '9') ++digits;
  return 0.5 * std::pow(10.0, -static_cast<double>(digits));
}

// The number shown nearest to an end that is shown as a word or an infinity: the
// position closest to `end` whose display is a finite number, and its text.
double FiniteEdge(const Plugin& plugin, int index, float end, std::string* text) {
  double inside = 0.5, outside = end;
  if (!std::isfinite(DisplayedNumber(plugin, index, 0.5f))) return std::nan("");
  for (int i = 0; i < 40; ++i) {
    const double m = 0.5 * (inside + outside);
    if (std::isfinite(DisplayedNumber(plugin, index, static_cast<float>(m))))
      inside = m;
    else
      outside = m;
  }
  const double v = DisplayedNumber(plugin, index, static_cast<float>(inside));
  *text = plugin.ParamDisplay(index);
  return v;
}

// Searches [0, 1] for the normalised value whose display shows `target`, assuming the
// display grows (or shrinks) monotonically with the value. When a span of positions
// shows the same number, the middle of the span is taken, so a display rounded to
// one decimal still lands on the value asked for and not on a rounding edge.
bool SearchByDisplay(const Plugin& plugin, int index, double target, float* out) {
  const double atZero = DisplayedNumber(plugin, index, 0.0f);
  const double atOne = DisplayedNumber(plugin, index, 1.0f);
  if (std::isnan(atZero) || std::isnan(atOne) || atZero == atOne) return false;
  const bool rising = atOne > atZero;
  const double lo = rising ? atZero : atOne;
  const double hi = rising ? atOne : atZero;
  if (target == atZero) {
    *out = 0.0f;
    return true;
  }
  if (target == atOne) {
    *out = 1.0f;
    return true;
  }
  // Beyond the range, the nearer end is used, as plug-ins clamp what they convert.
  // An end shown as a word ("-inf") stands for the number shown next to it.
  std::string loText, hiText;
  const float loEnd = rising ? 0.0f : 1.0f, hiEnd = rising ? 1.0f : 0.0f;
  const double loEdge = std::isinf(lo) ? FiniteEdge(plugin, index, loEnd, &loText) : lo;
  const double hiEdge = std::isinf(hi) ? FiniteEdge(plugin, index, hiEnd, &hiText) : hi;
  const bool below = !std::isnan(loEdge) && target < loEdge - (std::isinf(lo) ? HalfDisplayStep(loText) : 0.0);
  const bool above = !std::isnan(hiEdge) && target > hiEdge + (std::isinf(hi) ? HalfDisplayStep(hiText) : 0.0);
  if (below || above || !(target > lo && target < hi)) {
    const bool low = below || target <= lo;
    const float end = low ? loEnd : hiEnd;
    plugin.SetParameter(index, end);
    const std::string shownAtEnd = plugin.ParamDisplay(index);
    const double used = low ? loEdge : hiEdge;
    WarnOutOfRange(plugin, index, FormatNumber(target), FormatNumber(loEdge), FormatNumber(hiEdge), used,
                   shownAtEnd, MiddleLabel(plugin, index));
    *out = end;
    return true;
  }
  // Displayed value as an increasing function of the position.
  auto shown = [&](double x) {
    const double v = DisplayedNumber(plugin, index, static_cast<float>(x));
    return rising ? v : -v;
  };
  const double want = rising ? target : -target;
  // First position showing at least `want`, and first showing more than `want`.
  auto firstAtLeast = [&](bool strictly) {
    double a = 0.0, b = 1.0;
    for (int i = 0; i < 40; ++i) {
      const double m = 0.5 * (a + b);
      const double v = shown(m);
      if (std::isnan(v)) return std::nan("");
      if (strictly ? v > want : v >= want)
        b = m;
      else
        a = m;
    }
    return b;
  };
  const double begin = firstAtLeast(false);
  const double end = firstAtLeast(true);
  if (std::isnan(begin) || std::isnan(end)) return false;
  double position = end > begin ? 0.5 * (begin + end) : begin;
  // An end of the range shown as a word ("-inf", read as an infinity) stands for the
  // number next to it: "-61" on a level whose -61 reads "-inf" means that very end.
  const double kEdge = 1e-6;
  if (begin < kEdge && std::isinf(atZero)) position = 0.0;
  if (end > 1.0 - kEdge && std::isinf(atOne)) position = 1.0;
  *out = static_cast<float>(position);
  return true;
}


// A number, alone or followed by the parameter's unit ("-30", "-30 dB", "-30dB").
bool ParseNumberInUnit(const std::string& text, const std::string& unit, double* out) {
  if (ParseNumber(text, out)) return true;
  if (unit.empty() || text.size() <= unit.size()) return false;
  const size_t at = text.size() - unit.size();
  if (strcasecmp(text.c_str() + at, unit.c_str()) != 0) return false;
  return ParseNumber(text.substr(0, at), out);
}

bool SameText(const std::string& a, const std::string& b) {
  return strcasecmp(Trimmed(a).c_str(), Trimmed(b).c_str()) == 0;
}

// effString2Parameter with a copy the plug-in may write into.
bool TextToParameter(const Plugin& plugin, int index, const std::string& text) {
  std::string copy = text;
  copy.resize(text.size() + 1);
  return plugin.Dispatch(effString2Parameter, index, 0, &copy[0]) != 0;
}

bool TextToParameter(const Plugin& plugin, int index, double value) {
  char text[64];
  snprintf(text, sizeof(text), "%.17g", value);
  return TextToParameter(plugin, index, std::string(text));
}

// The plain value at which the plug-in's own text conversion reaches the end of the
// range `atEnd` (0 or 1), found by bisection between `beyond` (which lands on that end)
// and `inside` (which does not). The plug-in's own limit, not its rounded display.
double BoundByConversion(const Plugin& plugin, int index, float atEnd, double beyond, double inside) {
  for (int i = 0; i < 64; ++i) {
    const double mid = 0.5 * (beyond + inside);
    if (mid == beyond || mid == inside) break;
    if (!TextToParameter(plugin, index, mid)) return std::nan("");
    if (plugin.GetParameter(index) == atEnd)
      beyond = mid;
    else
      inside = mid;
  }
  return beyond;
}

std::string ShownEnd(const Plugin& plugin, int index, float atEnd, double* number) {
  plugin.SetParameter(index, atEnd);
  const std::string shown = Trimmed(plugin.ParamDisplay(index));
  char* end = nullptr;
  *number = strtod(shown.c_str(), &end);
  if (end == shown.c_str()) *number = std::nan("");
  return shown;
}

// The plug-in has taken `target` through its text conversion. When that put the
// parameter at an end of its range although the number lies beyond it, the plug-in
// clamped it: say so, with the range and the value used. The parameter is left as the
// plug-in set it.
void ReportClamping(const Plugin& plugin, int index, const ParamAssignment& assignment, double target) {
  const float taken = plugin.GetParameter(index);
  if (taken != 0.0f && taken != 1.0f) return;
  const bool low = taken == 0.0f;
  double shownLow = 0.0, shownHigh = 0.0, shownMiddle = 0.0;
  const std::string lowText = ShownEnd(plugin, index, 0.0f, &shownLow);
  const std::string highText = ShownEnd(plugin, index, 1.0f, &shownHigh);
  ShownEnd(plugin, index, 0.5f, &shownMiddle);
  // The end as the plug-in itself converts numbers: its display may be rounded or a
  // word ("-inf").
  double bound = std::nan("");
  if (std::isfinite(target) && std::isfinite(shownMiddle) && TextToParameter(plugin, index, shownMiddle) &&
      plugin.GetParameter(index) != taken)
    bound = BoundByConversion(plugin, index, taken, target, shownMiddle);
  TextToParameter(plugin, index, assignment.value);
  if (std::isnan(bound)) bound = low ? shownLow : shownHigh;
  if (!std::isfinite(bound)) return;  // nothing tells where the range ends
  const double tolerance = 1e-9 * std::max(1.0, std::fabs(bound));
  if (low ? !(target < bound - tolerance) : !(target > bound + tolerance)) return;

  auto endText = [&](bool isLow) {
    if (isLow == low) return FormatNumber(bound);
    const double shown = isLow ? shownLow : shownHigh;
    return std::isfinite(shown) ? FormatNumber(shown) : (isLow ? lowText : highText);
  };
  WarnOutOfRange(plugin, index, assignment.value, endText(true), endText(false), bound, low ? lowText : highText,
                 MiddleLabel(plugin, index));
}

}  // namespace

int FindParameter(const Plugin& plugin, const std::string& name) {
  const int n = plugin.NumParams();
  for (int i = 0; i < n; ++i)
    if (plugin.ParamName(i) == name) return i;
  for (int i = 0; i < n; ++i)
    if (strcasecmp(plugin.ParamName(i).c_str(), name.c_str()) == 0) return i;
  char* end = nullptr;
  errno = 0;
  const long index = strtol(name.c_str(), &end, 10);
  if (!name.empty() && *end == '\0' && errno == 0 && index >= 0 && index < n) return static_cast<int>(index);
  return -1;
}

bool ApplyAssignment(const Plugin& plugin, const ParamAssignment& assignment, std::string* error) {
  if (assignment.normalized) {
    char* end = nullptr;
    errno = 0;
    const long index = strtol(assignment.key.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || index < 0 || index >= plugin.NumParams()) {
      *error = "--set-normalized: no parameter number '" + assignment.key + "' (the plug-in has " +
               std::to_string(plugin.NumParams()) + ", numbered from 0)";
      return false;
    }
    double v = 0.0;
    if (!ParseNumber(assignment.value, &v) || !(v >= 0.0 && v <= 1.0)) {
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
  const float before = plugin.GetParameter(index);
  double target = 0.0;
  const bool numeric = ParseNumberInUnit(assignment.value, plugin.ParamLabel(index), &target);
  if (TextToParameter(plugin, index, assignment.value)) {
    // Many plug-ins read any text as a number, so a word that is not one of the
    // parameter's display texts would silently become 0.
    if (numeric || SameText(plugin.ParamDisplay(index), assignment.value)) {
      if (numeric) ReportClamping(plugin, index, assignment, target);
      return true;
    }
    plugin.SetParameter(index, before);
    *error = "parameter '" + plugin.ParamName(index) + "' takes a number or one of its display texts, not '" +
             assignment.value + "'";
    return false;
  }

  float normalized = 0.0f;
  if (numeric && std::isfinite(target) && SearchByDisplay(plugin, index, target, &normalized)) {
    plugin.SetParameter(index, normalized);
    return true;
  }
  plugin.SetParameter(index, before);
  if (!numeric) {
    *error = "parameter '" + plugin.ParamName(index) + "' takes a number or one of its display texts, not '" +
             assignment.value + "'";
  } else {
    *error = "parameter '" + plugin.ParamName(index) + "' does not take the value '" + assignment.value +
             "' (try --set-normalized " + std::to_string(index) + "=V)";
  }
  return false;
}

bool ApplyAssignments(const Plugin& plugin, const std::vector<ParamAssignment>& assignments,
                      std::string* error) {
  for (const ParamAssignment& a : assignments)
    if (!ApplyAssignment(plugin, a, error)) return false;
  return true;
}

}  // namespace vsthost
