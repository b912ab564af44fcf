// IPlugBase: preset XML files, read and written with TinyXML:
//
//   <PresetXMLTree version="1">
//     <PluginVendor>maker</PluginVendor> <PluginName>name</PluginName>
//     <PluginVersion>text</PluginVersion>
//     <Preset name="preset"> <Parameter> <Param name="Gain" val="-6.000000" /> ... </Parameter> </Preset>
//   </PresetXMLTree>
//
// Files come from anywhere. Before TinyXML sees a text its size and its number of
// elements are bounded: the parser recurses once per nesting level, and a preset of
// this plug-in needs only a handful of elements beside one per parameter.
#include <tinyxml.h>

#include <cmath>
#include <cstring>
#include <string>

#include "AtomicFile.h"
#include "IPlugBase.h"

namespace {

constexpr int kMaxPresetXMLBytes = 16 << 20;

// An upper bound on the nesting depth TinyXML would reach: every "<" that may open an
// element, wherever it stands (quotes, comments and text included).
int CountElementStarts(const char* text) {
  int n = 0;
  for (const char* p = text; *p; ++p) {
    if (p[0] != '<') continue;
    const char c = p[1];
    if (c != '/' && c != '!' && c != '?' && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != 0) ++n;
  }
  return n;
}

bool ParsePresetText(const char* text, int nParams, TiXmlDocument* doc) {
  if (!text) return false;
  if (CountElementStarts(text) > 64 + 2 * nParams) return false;
  // TinyXML steps over a whole UTF-8 sequence from its lead byte even when the text ends
  // inside it, landing up to three bytes past the terminator and parsing on from there.
  // It reads a copy followed by enough terminators that such a step still lands on one.
  std::string padded(text);
  padded.append(4, '\0');
  doc->Parse(padded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
  return !doc->Error();
}

// The file's text, NUL-terminated, in *text.
bool ReadPresetText(const WDL_String& p1, const WDL_String& p2, const WDL_String& p3, ByteChunk* text) {
  WDL_String path(p1);
  path.Append(p2.Get());
  path.Append(p3.Get());
  const char nul = 0;
  return ReadWholeFile(path.Get(), kMaxPresetXMLBytes, text) && text->AppendValue(&nul) > 0;
}

bool TextEquals(const TiXmlElement* e, const char* expected) {
  const char* text = e->GetText();
  return strcmp(text ? text : "", expected ? expected : "") == 0;
}

// The checks both readers make, in order. On success *pParams is the "Parameter"
// element and *pName the preset's name.
bool CheckPresetDocument(TiXmlDocument* doc, const char* mfrName, const char* plugName, TiXmlElement** pParams,
                         const char** pName) {
  TiXmlElement* root = doc->FirstChildElement();
  if (!root || strcmp(root->Value(), "PresetXMLTree") != 0) return false;
  TiXmlHandle tree(root);
  const TiXmlElement* vendor = tree.FirstChild("PluginVendor").ToElement();
  if (!vendor || !TextEquals(vendor, mfrName)) return false;
  const TiXmlElement* name = tree.FirstChild("PluginName").ToElement();
  if (!name || !TextEquals(name, plugName)) return false;
  if (!tree.FirstChild("PluginVersion").ToElement()) return false;
  TiXmlElement* preset = tree.FirstChild("Preset").ToElement();
  if (!preset) return false;
  const TiXmlAttribute* first = preset->FirstAttribute();
  if (!first || strcmp(first->Name(), "name") != 0) return false;
  TiXmlElement* params = TiXmlHandle(preset).FirstChild("Parameter").ToElement();
  if (!params || !params->FirstChild() || !params->FirstChild()->ToElement()) return false;
  *pParams = params;
  *pName = first->Value();
  return true;
}

// The "val" attribute; 0 when it is missing or not a finite number.
double ParamValue(const TiXmlElement* e) {
  double v = 0.0;
  if (e->QueryDoubleAttribute("val", &v) != TIXML_SUCCESS || !std::isfinite(v)) v = 0.0;
  return v;
}

bool IsParamElement(const TiXmlElement* e) {
  return strcmp(e->Value(), "Param") == 0;
}

}  // namespace

// The last parameter named name (names need not be unique), or -1.
static int FindLastParamNamed(const IPlugBase* plug, const char* name) {
  for (int i = plug->NParams() - 1; i >= 0; --i) {
    const IParam* param = plug->GetParam(i);
    if (param && strcmp(param->GetNameForHost(), name) == 0) return i;
  }
  return -1;
}

// ---- Writing -----------------------------------------------------------------------------------

static void AddTextElement(TiXmlElement* parent, const char* name, const char* text) {
  TiXmlElement* e = new TiXmlElement(name);
  e->LinkEndChild(new TiXmlText(text ? text : ""));
  parent->LinkEndChild(e);
}

bool IPlugBase::SavePresetXML(WDL_String mfrName, WDL_String plugName, WDL_String version, WDL_String path1,
                              WDL_String path2, WDL_String path3, WDL_String presetName,
                              bool presetParamsOnly) {
  WDL_String path(path1);
  path.Append(path2.Get());
  path.Append(path3.Get());
  if (!path.GetLength()) return false;
  const char* name = presetName.GetLength() ? presetName.Get() : GetPresetName(mCurrentPresetIdx);

  TiXmlDocument doc;
  doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
  TiXmlElement* root = new TiXmlElement("PresetXMLTree");
  root->SetAttribute("version", "1");
  doc.LinkEndChild(root);
  AddTextElement(root, "PluginVendor", mfrName.Get());
  AddTextElement(root, "PluginName", plugName.Get());
  AddTextElement(root, "PluginVersion", version.Get());
  TiXmlElement* preset = new TiXmlElement("Preset");
  preset->SetAttribute("name", name);
  root->LinkEndChild(preset);
  TiXmlElement* params = new TiXmlElement("Parameter");
  preset->LinkEndChild(params);
  for (int i = 0; i < NParams(); ++i) {
    const IParam* param = GetParam(i);
    if (presetParamsOnly && !param->GetIsPresetParam()) continue;
    TiXmlElement* e = new TiXmlElement("Param");
    e->SetAttribute("name", param->GetNameForHost());
    WDL_String value;
    value.SetFormatted(0, "%f", param->Value());
    e->SetAttribute("val", value.Get());
    params->LinkEndChild(e);
  }

  AtomicFile file;
  FILE* fp = file.Open(path.Get());
  return fp && doc.SaveFile(fp) && file.Commit();
}

// ---- Reading -----------------------------------------------------------------------------------

bool IPlugBase::LoadPresetXMLText(const char* mfrName, const char* plugName, const char* text,
                                  WDL_String* pPresetName, bool presetParamsOnly) {
  TiXmlDocument doc;
  TiXmlElement* params = nullptr;
  const char* presetName = nullptr;
  if (!ParsePresetText(text, NParams(), &doc) ||
      !CheckPresetDocument(&doc, mfrName, plugName, &params, &presetName))
    return false;
  if (pPresetName) pPresetName->Set(presetName);
  // The audio thread reads the values under this lock; no notification follows.
  WDL_MutexLock lock(&mMutex);
  for (const TiXmlElement* e = params->FirstChildElement(); e; e = e->NextSiblingElement()) {
    if (!IsParamElement(e)) return false;
    const char* name = e->Attribute("name");
    if (!name) continue;
    const double value = ParamValue(e);
    IParam* param = GetParam(FindLastParamNamed(this, name));
    if (!param || (presetParamsOnly && !param->GetIsPresetParam())) continue;
    param->SetClamped(value);
  }
  return true;
}

bool IPlugBase::CreatePresetXMLText(const char* mfrName, const char* plugName, IPreset* pPreset,
                                    const char* text, bool presetParamsOnly) {
  if (!pPreset) return false;
  TiXmlDocument doc;
  TiXmlElement* params = nullptr;
  const char* presetName = nullptr;
  if (!ParsePresetText(text, NParams(), &doc) ||
      !CheckPresetDocument(&doc, mfrName, plugName, &params, &presetName))
    return false;
  pPreset->mChunk.Clear();
  pPreset->mInitialized = true;
  pPreset->SetName(presetName);
  const int n = NParams();
  WDL_TypedBuf<double> values;
  values.Resize(n);
  if (values.GetSize() != n) return false;
  for (int i = 0; i < n; ++i) values.Get()[i] = GetParam(i)->GetDefault();
  for (const TiXmlElement* e = params->FirstChildElement(); e; e = e->NextSiblingElement()) {
    if (!IsParamElement(e)) return false;
    const char* name = e->Attribute("name");
    if (!name) continue;
    const double value = ParamValue(e);
    const int idx = FindLastParamNamed(this, name);
    if (idx < 0 || (presetParamsOnly && !GetParam(idx)->GetIsPresetParam())) continue;
    values.Get()[idx] = value;
  }
  for (int i = 0; i < n; ++i) pPreset->mChunk.AppendValue(values.Get() + i);
  return true;
}

bool IPlugBase::LoadPresetXML(WDL_String mfrName, WDL_String plugName, WDL_String, WDL_String path1,
                              WDL_String path2, WDL_String path3, WDL_String* pPresetName,
                              bool presetParamsOnly) {
  ByteChunk text;
  if (!ReadPresetText(path1, path2, path3, &text)) return false;
  return LoadPresetXMLText(mfrName.Get(), plugName.Get(), reinterpret_cast<const char*>(text.GetBytes()),
                           pPresetName, presetParamsOnly);
}

bool IPlugBase::CreatePresetXML(WDL_String mfrName, WDL_String plugName, WDL_String, IPreset* pPreset,
                                WDL_String path1, WDL_String path2, WDL_String path3, bool presetParamsOnly) {
  ByteChunk text;
  if (!pPreset || !ReadPresetText(path1, path2, path3, &text)) return false;
  return CreatePresetXMLText(mfrName.Get(), plugName.Get(), pPreset, reinterpret_cast<const char*>(text.GetBytes()),
                             presetParamsOnly);
}
