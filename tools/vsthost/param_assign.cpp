#include "param_assign.h"

#include <strings.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

// Searches [0, 1] for the normalised value whose display shows `target`, assuming the
// display grows (or shrinks) monotonically with the value. When a span of positions
// shows the same number, the middle of the span is taken, so a display rounded to
// one decimal still lands on the value asked for and not on a rounding edge.
bool SearchByDisplay(const Plugin& plugin, int index, double target, float* out, std::string* error) {
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
  if (!(target > lo && target < hi)) {
    char range[96];
    snprintf(range, sizeof(range), "%g to %g", lo, hi);
    *error = "value " + FormatNumber(target) + " is outside the range of '" + plugin.ParamName(index) +
             "' (" + range;
    const std::string label = plugin.ParamLabel(index);
    *error += label.empty() ? ")" : " " + label + ")";
    return false;
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
  std::string text = assignment.value;
  if (plugin.Dispatch(effString2Parameter, index, 0, &text[0]) != 0) return true;

  const float before = plugin.GetParameter(index);
  double target = 0.0;
  std::string searchError;
  float normalized = 0.0f;
  if (ParseNumber(assignment.value, &target) && std::isfinite(target) &&
      SearchByDisplay(plugin, index, target, &normalized, &searchError)) {
    plugin.SetParameter(index, normalized);
    return true;
  }
  plugin.SetParameter(index, before);
  if (!searchError.empty()) {
    *error = searchError;
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
