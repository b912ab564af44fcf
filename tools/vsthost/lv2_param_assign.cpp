#include "lv2_param_assign.h"

#include <strings.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "param_text.h"

namespace vsthost {

namespace {

bool IsControlInput(const Lv2Port& port) { return port.kind == Lv2Port::Kind::kControl && port.input; }

// The value a port really takes: whole for integer ports, 0 or 1 for toggles.
double Quantised(const Lv2Port& port, double v) {
  if (port.toggled) return v > 0.0 ? 1.0 : 0.0;
  if (port.integer) return std::round(v);
  return v;
}

// Within the port's bounds, telling the user when the number asked for lies beyond.
double Bounded(const Lv2Port& port, const std::string& asked, double v) {
  const bool hasLow = !std::isnan(port.minimum), hasHigh = !std::isnan(port.maximum);
  const bool below = hasLow && v < port.minimum, above = hasHigh && v > port.maximum;
  if (!below && !above) return v;
  const double used = below ? port.minimum : port.maximum;
  WarnOutOfRange(port.name, asked, hasLow ? FormatNumber(port.minimum) : "-inf",
                 hasHigh ? FormatNumber(port.maximum) : "inf", used, "", port.unit);
  return used;
}

// A scale point's value by its label: as written, then in any letter case.
bool FindScalePoint(const Lv2Port& port, const std::string& text, double* value) {
  for (int pass = 0; pass < 2; ++pass)
    for (const auto& point : port.scalePoints) {
      const std::string label = Trimmed(point.second);
      if (pass == 0 ? label == text : strcasecmp(label.c_str(), text.c_str()) == 0) {
        *value = point.first;
        return true;
      }
    }
  return false;
}

bool ApplyNormalized(Lv2Plugin& plugin, const ParamAssignment& assignment, std::string* error) {
  const std::string key = Trimmed(assignment.key);
  char* end = nullptr;
  errno = 0;
  const long index = strtol(key.c_str(), &end, 10);
  const std::vector<Lv2Port>& ports = plugin.Ports();
  if (key.empty() || *end != '\0' || errno != 0 || index < 0 || index >= static_cast<long>(ports.size()) ||
      !IsControlInput(ports[static_cast<size_t>(index)])) {
    *error = "--set-normalized: no control input port number '" + assignment.key +
             "' (toneglass-host info lists the ports)";
    return false;
  }
  const Lv2Port& port = ports[static_cast<size_t>(index)];
  double v = 0.0;
  const std::string noUnit;
  if (!ReadNumber(assignment.value, &noUnit, &v) || !(v >= 0.0 && v <= 1.0)) {
    *error = "--set-normalized: '" + assignment.value + "' is not a value from 0 to 1";
    return false;
  }
  if (std::isnan(port.minimum) || std::isnan(port.maximum)) {
    *error = "--set-normalized: port " + std::to_string(index) + " ('" + port.symbol +
             "') has no range to normalise to; use --set";
    return false;
  }
  const double low = port.minimum, high = port.maximum;
  const double value = port.logarithmic && low > 0.0 && high > 0.0 ? low * std::pow(high / low, v)
                                                                    : low + v * (high - low);
  plugin.SetControlValue(port.index, static_cast<float>(Quantised(port, value)));
  return true;
}

bool ApplyOne(Lv2Plugin& plugin, const ParamAssignment& assignment, std::string* error) {
  if (assignment.normalized) return ApplyNormalized(plugin, assignment, error);
  const int index = FindLv2Control(plugin, assignment.key);
  if (index < 0) {
    *error = "unknown parameter '" + assignment.key + "' (toneglass-host info lists them)";
    return false;
  }
  const Lv2Port& port = plugin.Ports()[static_cast<size_t>(index)];
  const std::string value = Trimmed(assignment.value);
  double target = 0.0;
  if (ReadNumber(value, &port.unit, &target) && std::isfinite(target)) {
    plugin.SetControlValue(port.index, static_cast<float>(Quantised(port, Bounded(port, value, target))));
    return true;
  }
  if (FindScalePoint(port, value, &target)) {
    plugin.SetControlValue(port.index, static_cast<float>(target));
    return true;
  }
  if (port.toggled && (strcasecmp(value.c_str(), "on") == 0 || strcasecmp(value.c_str(), "off") == 0)) {
    plugin.SetControlValue(port.index, strcasecmp(value.c_str(), "on") == 0 ? 1.0f : 0.0f);
    return true;
  }
  std::vector<std::string> labels;
  for (const auto& point : port.scalePoints) labels.push_back(point.second);
  if (port.toggled && labels.empty()) labels = {"on", "off"};
  *error = NotATextError(port.name, assignment.value, labels);
  return false;
}

}  // namespace

int FindLv2Control(const Lv2Plugin& plugin, const std::string& typed) {
  const std::string name = Trimmed(typed);
  const std::vector<Lv2Port>& ports = plugin.Ports();
  for (int pass = 0; pass < 2; ++pass)
    for (const Lv2Port& port : ports) {
      if (!IsControlInput(port)) continue;
      for (const std::string* candidate : {&port.symbol, &port.name}) {
        const std::string text = Trimmed(*candidate);
        if (pass == 0 ? text == name : strcasecmp(text.c_str(), name.c_str()) == 0)
          return static_cast<int>(port.index);
      }
    }
  char* end = nullptr;
  errno = 0;
  const long index = strtol(name.c_str(), &end, 10);
  if (!name.empty() && *end == '\0' && errno == 0 && index >= 0 && index < static_cast<long>(ports.size()) &&
      IsControlInput(ports[static_cast<size_t>(index)]))
    return static_cast<int>(index);
  return -1;
}

bool ApplyLv2Assignments(Lv2Plugin& plugin, const std::vector<ParamAssignment>& assignments, std::string* error) {
  for (const ParamAssignment& a : assignments)
    if (!ApplyOne(plugin, a, error)) return false;
  return true;
}

}  // namespace vsthost
