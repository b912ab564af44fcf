// The TTL writer. Numbers go out with enough digits to read back the same float, and
// always as decimals or doubles (never as Turtle integers) where LV2 expects floats.
#include "IPlugLV2Ttl.h"

#include <lv2/atom/atom.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "IPlugBase.h"
#include "IPlugLV2Ports.h"

namespace {

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix param: <http://lv2plug.in/ns/ext/parameters#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string Number(double v) {
  char buf[64];
  snprintf(buf, sizeof(buf), "%.9g", v);
  std::string s(buf);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string Quoted(const char* text) {
  std::string s = "\"";
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '"' || *p == '\\') s += '\\';
    if (*p == '\n') {
      s += "\\n";
      continue;
    }
    s += *p;
  }
  return s + "\"";
}

std::string Trimmed(const char* text) {
  std::string s(text ? text : "");
  const size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The LV2 unit for a parameter label, or null when LV2 has none.
const char* UnitFor(const char* label) {
  static const struct {
    const char* label;
    const char* unit;
  } kUnits[] = {{"dB", "units:db"},   {"Hz", "units:hz"}, {"kHz", "units:khz"}, {"ms", "units:ms"},
                {"s", "units:s"},     {"%", "units:pc"},  {"bpm", "units:bpm"}, {"cents", "units:cent"},
                {"semitones", "units:semitone12TET"}};
  const std::string l = Trimmed(label);
  for (const auto& u : kUnits)
    if (l == u.label) return u.unit;
  return nullptr;
}

class SymbolTable {
 public:
  std::string Take(const char* name) {
    const std::string base = IPlugLV2Symbol(name);
    std::string s = base;
    for (int n = 2; mUsed.count(s); ++n) s = base + "_" + std::to_string(n);
    mUsed.insert(s);
    return s;
  }

 private:
  std::set<std::string> mUsed;
};

std::string Stem(const char* binaryName) {
  std::string s(binaryName);
  const size_t dot = s.rfind('.');
  return dot == std::string::npos ? s : s.substr(0, dot);
}

void WriteParamPort(std::ostream& o, const IParam* p, uint32_t index, const std::string& symbol) {
  o << "    a lv2:InputPort, lv2:ControlPort ;\n"
    << "    lv2:index " << index << " ;\n"
    << "    lv2:symbol " << Quoted(symbol.c_str()) << " ;\n"
    << "    lv2:name " << Quoted(p->GetNameForHost()) << " ;\n"
    << "    lv2:default " << Number(p->GetDefault()) << " ;\n"
    << "    lv2:minimum " << Number(p->GetMin()) << " ;\n"
    << "    lv2:maximum " << Number(p->GetMax());
  switch (p->Type()) {
    case kTypeBool:
      o << " ;\n    lv2:portProperty lv2:toggled";
      break;
    case kTypeInt:
      o << " ;\n    lv2:portProperty lv2:integer";
      break;
    case kTypeEnum:
      o << " ;\n    lv2:portProperty lv2:integer, lv2:enumeration";
      break;
    default:
      break;
  }
  if (const char* unit = UnitFor(p->GetLabelForHost())) o << " ;\n    units:unit " << unit;
  for (int i = 0; i < p->GetNDisplayTexts(); ++i) {
    int value = 0;
    const char* text = p->GetDisplayTextAtIdx(i, &value);
    o << (i == 0 ? " ;\n    lv2:scalePoint " : " , ") << "[ rdfs:label " << Quoted(Trimmed(text).c_str())
      << " ; rdf:value " << Number(value) << " ]";
  }
}

std::string PluginTtl(IPlugBase* pPlug, const std::string& uri, bool hasUI, std::vector<std::string>* pSymbols) {
  const IPlugLV2Ports ports = IPlugLV2Ports::For(pPlug);
  std::ostringstream o;
  o << kPrefixes;
  int major = 0, minor = 0, patch = 0;
  GetVersionParts(pPlug->GetEffectVersion(false), &major, &minor, &patch);
  o << "<" << uri << ">\n"
    << "  a " << (pPlug->IsInst() ? "lv2:InstrumentPlugin" : "lv2:AnalyserPlugin") << ", lv2:Plugin, doap:Project ;\n"
    << "  doap:name " << Quoted(pPlug->GetEffectName()) << " ;\n"
    << "  doap:maintainer [ foaf:name " << Quoted(pPlug->GetMfrName()) << " ] ;\n"
    // LV2 versions: even minor numbers are releases, so the framework's major.minor
    // becomes 2 * (100 * major + minor).
    << "  lv2:minorVersion " << 2 * (100 * major + minor) << " ;\n"
    << "  lv2:microVersion " << patch << " ;\n"
    << "  lv2:optionalFeature lv2:hardRTCapable, opts:options ;\n"
    << "  opts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n";
  // The display port and the state's key both need URIs mapped.
  if (ports.display != IPlugLV2Ports::kNone || pPlug->DoesStateChunks()) o << "  lv2:requiredFeature urid:map ;\n";
  if (pPlug->DoesStateChunks()) o << "  lv2:extensionData state:interface ;\n";
  if (hasUI) o << "  ui:ui <" << uri << IPLUG_LV2_UI_SUFFIX << "> ;\n";

  SymbolTable symbols;
  std::vector<std::string> paramSymbols;
  o << "  lv2:port";
  bool first = true;
  auto open = [&](uint32_t) {
    o << (first ? " [\n" : " , [\n");
    first = false;
  };
  auto close = [&]() { o << "\n  ]"; };
  auto audio = [&](uint32_t index, bool input, int channel) {
    open(index);
    char name[32];
    snprintf(name, sizeof(name), "%s %d", input ? "Input" : "Output", channel + 1);
    const char* label = input ? pPlug->GetInputLabel(channel) : pPlug->GetOutputLabel(channel);
    const std::string display = label && label[0] ? label : name;
    o << "    a lv2:" << (input ? "InputPort" : "OutputPort") << ", lv2:AudioPort ;\n"
      << "    lv2:index " << index << " ;\n"
      << "    lv2:symbol " << Quoted(symbols.Take(input ? (std::string("in ") + std::to_string(channel + 1)).c_str()
                                                        : (std::string("out ") + std::to_string(channel + 1)).c_str())
                                     .c_str())
      << " ;\n"
      << "    lv2:name " << Quoted(display.c_str());
    close();
  };
  for (uint32_t i = 0; i < ports.nAudioIn; ++i) audio(ports.firstAudioIn + i, true, static_cast<int>(i));
  for (uint32_t i = 0; i < ports.nAudioOut; ++i) audio(ports.firstAudioOut + i, false, static_cast<int>(i));
  for (uint32_t i = 0; i < ports.nParams; ++i) {
    const IParam* p = pPlug->GetParam(static_cast<int>(i));
    open(ports.firstParam + i);
    paramSymbols.push_back(symbols.Take(p->GetNameForHost()));
    WriteParamPort(o, p, ports.firstParam + i, paramSymbols.back());
    close();
  }
  open(ports.enabled);
  o << "    a lv2:InputPort, lv2:ControlPort ;\n"
    << "    lv2:index " << ports.enabled << " ;\n"
    << "    lv2:symbol " << Quoted(symbols.Take("enabled").c_str()) << " ;\n"
    << "    lv2:name \"Enabled\" ;\n"
    << "    lv2:designation lv2:enabled ;\n"
    << "    lv2:portProperty lv2:toggled ;\n"
    << "    lv2:default 1.0 ;\n    lv2:minimum 0.0 ;\n    lv2:maximum 1.0";
  close();
  if (ports.latency != IPlugLV2Ports::kNone) {
    open(ports.latency);
    o << "    a lv2:OutputPort, lv2:ControlPort ;\n"
      << "    lv2:index " << ports.latency << " ;\n"
      << "    lv2:symbol " << Quoted(symbols.Take("latency").c_str()) << " ;\n"
      << "    lv2:name \"Latency\" ;\n"
      << "    lv2:designation lv2:latency ;\n"
      << "    lv2:portProperty lv2:reportsLatency, lv2:integer ;\n"
      << "    units:unit units:frame";
    close();
  }
  std::string displaySymbol;
  if (ports.display != IPlugLV2Ports::kNone) {
    open(ports.display);
    displaySymbol = symbols.Take("display");
    o << "    a lv2:OutputPort, atom:AtomPort ;\n"
      << "    atom:bufferType atom:Sequence ;\n"
      << "    atom:supports atom:Object ;\n"
      << "    lv2:index " << ports.display << " ;\n"
      << "    lv2:symbol " << Quoted(displaySymbol.c_str()) << " ;\n"
      << "    lv2:name \"Display\" ;\n"
      << "    lv2:portProperty lv2:connectionOptional ;\n"
      << "    rsz:minimumSize " << sizeof(LV2_Atom_Sequence) + IPlugLV2DisplayBufferBytes(ports.displayFloats);
    close();
  }
  o << " .\n";

  if (hasUI) {
    o << "\n<" << uri << IPLUG_LV2_UI_SUFFIX << ">\n"
      << "  a ui:X11UI ;\n"
      << "  lv2:requiredFeature ui:idleInterface, ui:parent ;\n"
      << "  lv2:optionalFeature ui:noUserResize, ui:touch, ui:resize, urid:map, opts:options ;\n"
      << "  opts:supportedOption param:sampleRate ;\n"
      << "  lv2:extensionData ui:idleInterface";
    if (!displaySymbol.empty())
      o << " ;\n  ui:portNotification [\n    ui:plugin <" << uri << "> ;\n    lv2:symbol "
        << Quoted(displaySymbol.c_str()) << " ;\n    ui:notifyType atom:Object\n  ]";
    o << " .\n";
  }
  *pSymbols = paramSymbols;
  return o.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
  f.close();
  return f.good();
}

}  // namespace

std::string IPlugLV2Symbol(const char* name) {
  std::string s;
  for (const char* p = name ? name : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    s += (isalnum(c) && c < 128) ? static_cast<char>(tolower(c)) : '_';
  }
  if (s.empty() || isdigit(static_cast<unsigned char>(s[0]))) s = "_" + s;
  return s;
}

bool IPlugLV2WriteBundleTtl(IPlugBase* pPlug, const char* pluginURI, const char* folder, const char* binaryName,
                            const char* uiBinaryName) {
  if (!pPlug || !pluginURI || !folder || !binaryName) return false;
  const std::string uri(pluginURI), dir(folder), stem = Stem(binaryName);
  const std::string ttlName = stem + ".ttl";
  std::vector<std::string> symbols;
  const std::string plugin = PluginTtl(pPlug, uri, uiBinaryName != nullptr, &symbols);

  std::ostringstream manifest, presets;
  manifest << kPrefixes << "<" << uri << ">\n  a lv2:Plugin ;\n  lv2:binary <" << binaryName
           << "> ;\n  rdfs:seeAlso <" << ttlName << "> .\n";
  if (uiBinaryName)
    manifest << "\n<" << uri << IPLUG_LV2_UI_SUFFIX << ">\n  a ui:X11UI ;\n  ui:binary <" << uiBinaryName
             << "> ;\n  rdfs:seeAlso <" << ttlName << "> .\n";

  // Each initialised preset slot, read by restoring it; the current preset comes back after.
  presets << kPrefixes;
  WDL_MutexLock lock(pPlug->GetMutex());
  const int current = pPlug->GetCurrentPresetIdx();
  for (int i = 0; i < pPlug->NPresets(); ++i) {
    const IPreset* preset = pPlug->GetPreset(i);
    if (!preset || !preset->mInitialized || !pPlug->RestorePreset(i)) continue;
    const std::string presetURI = uri + IPLUG_LV2_PRESET_SUFFIX + std::to_string(i);
    manifest << "\n<" << presetURI << ">\n  a pset:Preset ;\n  lv2:appliesTo <" << uri
             << "> ;\n  rdfs:seeAlso <presets.ttl> .\n";
    presets << "<" << presetURI << ">\n  a pset:Preset ;\n  lv2:appliesTo <" << uri << "> ;\n  rdfs:label "
            << Quoted(pPlug->GetPresetName(i)) << " ;\n  lv2:port";
    for (int p = 0; p < pPlug->NParams(); ++p)
      presets << (p ? " , " : " ") << "[\n    lv2:symbol " << Quoted(symbols[static_cast<size_t>(p)].c_str())
              << " ;\n    pset:value " << Number(pPlug->GetParam(p)->Value()) << "\n  ]";
    presets << " .\n\n";
  }
  pPlug->RestorePreset(current);

  return WriteFile(dir + "/manifest.ttl", manifest.str()) && WriteFile(dir + "/" + ttlName, plugin) &&
         WriteFile(dir + "/presets.ttl", presets.str());
}
