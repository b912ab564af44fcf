// Preset XML files, read and written from outside the plug-in with TinyXML: the same
// tree the plug-in framework writes, plus each parameter's exact normalised value.
#include <tinyxml.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "param_assign.h"
#include "preset_file.h"

namespace vsthost {

namespace {

struct Setting {
  int index;
  bool exact;          // from "normalized"
  float normalized;
  std::string plain;   // from "val"
};

// "val" for a display text that starts with a number; empty when it does not.
std::string PlainValueText(const std::string& display) {
  char* end = nullptr;
  const double v = strtod(display.c_str(), &end);
  if (end == display.c_str() || !std::isfinite(v)) return "";
  char text[512];
  snprintf(text, sizeof(text), "%f", v);
  return text;
}

bool ParseFinite(const char* text, double* out) {
  if (!text) return false;
  errno = 0;
  char* end = nullptr;
  const double v = strtod(text, &end);
  while (*end == ' ') ++end;
  if (end == text || *end || errno == ERANGE || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

std::string TextOf(const TiXmlElement* e) {
  const char* t = e ? e->GetText() : nullptr;
  return t ? t : "";
}

// Upper bound of the nesting depth: TinyXML recurses once per level, so a text with
// far more elements than a preset needs is refused before it is parsed.
int CountElementStarts(const std::vector<unsigned char>& bytes) {
  int n = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    const unsigned char c = bytes[i + 1];
    if (bytes[i] == '<' && c != '/' && c != '!' && c != '?' && c > ' ') ++n;
  }
  return n;
}

}  // namespace

bool MakePresetXml(const Plugin& plugin, std::vector<unsigned char>* bytes, std::string* error) {
  TiXmlDocument doc;
  doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
  TiXmlElement* root = new TiXmlElement("PresetXMLTree");
  root->SetAttribute("version", "1");
  doc.LinkEndChild(root);
  auto addText = [&](const char* name, const std::string& text) {
    TiXmlElement* e = new TiXmlElement(name);
    e->LinkEndChild(new TiXmlText(text.c_str()));
    root->LinkEndChild(e);
  };
  addText("PluginVendor", plugin.VendorString());
  addText("PluginName", plugin.EffectName());
  addText("PluginVersion", std::to_string(plugin.Query(effGetVendorVersion)));
  TiXmlElement* preset = new TiXmlElement("Preset");
  preset->SetAttribute("name", plugin.Text(effGetProgramName).c_str());
  root->LinkEndChild(preset);
  TiXmlElement* params = new TiXmlElement("Parameter");
  preset->LinkEndChild(params);
  for (int i = 0; i < plugin.NumParams(); ++i) {
    TiXmlElement* e = new TiXmlElement("Param");
    e->SetAttribute("name", plugin.ParamName(i).c_str());
    const std::string plain = PlainValueText(plugin.ParamDisplay(i));
    if (!plain.empty()) e->SetAttribute("val", plain.c_str());
    char normalized[32];
    snprintf(normalized, sizeof(normalized), "%.9g", static_cast<double>(plugin.GetParameter(i)));
    e->SetAttribute("normalized", normalized);
    params->LinkEndChild(e);
  }
  TiXmlPrinter printer;
  doc.Accept(&printer);
  const char* text = printer.CStr();
  bytes->assign(text, text + strlen(text));
  (void)error;
  return true;
}

bool LoadPresetXml(Plugin& plugin, const std::string& path, const std::vector<unsigned char>& bytes,
                   std::string* error) {
  const std::string what = "preset " + path;
  const int nParams = plugin.NumParams();
  if (CountElementStarts(bytes) > 64 + 2 * nParams) {
    *error = what + " is not a preset file of this plug-in (far too many XML elements)";
    return false;
  }
  const std::string text(bytes.begin(), bytes.end());
  TiXmlDocument doc;
  doc.Parse(text.c_str());
  if (doc.Error()) {
    *error = what + " is damaged (XML error at line " + std::to_string(doc.ErrorRow()) + ": " + doc.ErrorDesc() + ")";
    return false;
  }
  const TiXmlElement* root = doc.FirstChildElement();
  if (!root || strcmp(root->Value(), "PresetXMLTree") != 0) {
    *error = what + " is not a preset file (XML whose first element is not PresetXMLTree)";
    return false;
  }
  TiXmlHandle tree(const_cast<TiXmlElement*>(root));
  const TiXmlElement* vendor = tree.FirstChild("PluginVendor").ToElement();
  const TiXmlElement* name = tree.FirstChild("PluginName").ToElement();
  if (!vendor || !name) {
    *error = what + " is damaged (no PluginVendor or PluginName element)";
    return false;
  }
  if (TextOf(vendor) != plugin.VendorString() || TextOf(name) != plugin.EffectName()) {
    *error = what + " belongs to another plug-in ('" + TextOf(name) + "' by '" + TextOf(vendor) + "'; this one is '" +
             plugin.EffectName() + "' by '" + plugin.VendorString() + "')";
    return false;
  }
  const TiXmlElement* preset = tree.FirstChild("Preset").ToElement();
  const TiXmlAttribute* presetName = preset ? preset->FirstAttribute() : nullptr;
  if (!tree.FirstChild("PluginVersion").ToElement() || !presetName || strcmp(presetName->Name(), "name") != 0) {
    *error = what + " is damaged (no PluginVersion element, or no Preset element named by its first attribute)";
    return false;
  }
  const TiXmlElement* params = TiXmlHandle(const_cast<TiXmlElement*>(preset)).FirstChild("Parameter").ToElement();
  if (!params || !params->FirstChild() || !params->FirstChild()->ToElement()) {
    *error = what + " is damaged (no Parameter element with Param elements)";
    return false;
  }

  // Everything is checked before the first value is set.
  std::vector<Setting> settings;
  for (const TiXmlElement* e = params->FirstChildElement(); e; e = e->NextSiblingElement()) {
    if (strcmp(e->Value(), "Param") != 0) {
      *error = what + " is damaged (a '" + std::string(e->Value()) + "' element among the parameters)";
      return false;
    }
    const char* paramName = e->Attribute("name");
    if (!paramName) {
      *error = what + " is damaged (a Param element without a name)";
      return false;
    }
    int index = -1;
    for (int i = nParams - 1; i >= 0 && index < 0; --i)
      if (plugin.ParamName(i) == paramName) index = i;
    if (index < 0) {
      fprintf(stderr, "toneglass-host: warning: %s: no parameter '%s' in this plug-in; skipped\n", what.c_str(),
              paramName);
      continue;
    }
    Setting s{index, false, 0.0f, ""};
    double v = 0.0;
    if (const char* normalized = e->Attribute("normalized")) {
      if (!ParseFinite(normalized, &v) || v < 0.0 || v > 1.0) {
        *error = what + " is damaged (parameter '" + paramName + "' has the normalised value '" + normalized + "')";
        return false;
      }
      s.exact = true;
      s.normalized = static_cast<float>(v);
    } else {
      const char* val = e->Attribute("val");
      if (!ParseFinite(val, &v)) {
        *error = what + " is damaged (parameter '" + paramName + "' has the value '" + (val ? val : "") +
                 "', not a number)";
        return false;
      }
      s.plain = val;
    }
    settings.push_back(s);
  }

  for (const Setting& s : settings) {
    if (s.exact) {
      plugin.SetParameter(s.index, s.normalized);
      continue;
    }
    ParamAssignment a;
    a.key = std::to_string(s.index);
    a.value = s.plain;
    if (!ApplyAssignment(plugin, a, error)) {
      *error = what + ": " + *error;
      return false;
    }
  }
  if (presetName->Value()[0]) {
    std::vector<char> programName(presetName->Value(), presetName->Value() + strlen(presetName->Value()) + 1);
    if (programName.size() > kVstMaxProgNameLen) {  // the longest name plug-ins take, with its NUL
      programName.resize(kVstMaxProgNameLen);
      programName.back() = '\0';
    }
    plugin.Dispatch(effSetProgramName, 0, 0, programName.data());
  }
  return true;
}

}  // namespace vsthost
