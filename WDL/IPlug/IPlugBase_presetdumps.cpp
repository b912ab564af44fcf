// IPlugBase: preset dumps, texts to paste into a plug-in's constructor. One call that
// names every parameter, or calls that carry a preset's chunk as Base64:
//
//   MakePresetFromNamedParams("name", 2,
//     kGain, -6.000000,
//     kMode, 3);
//   MakePresetFromBlob("Warm", "AAAAAAAAJMA=", 8);
//
// Blobs of any length are encoded whole.
#include <climits>

#include "AtomicFile.h"
#include "Base64.h"
#include "IPlugBase.h"

namespace {

// A preset name inside a C string literal: quotes and backslashes escaped.
void AppendQuoted(WDL_String* out, const char* name) {
  for (const char* p = name; *p; ++p) {
    if (*p == '"' || *p == '\\') out->Append("\\");
    out->Append(p, 1);
  }
}

// One MakePresetFromBlob line; the single-preset dump leaves the name for the user.
bool AppendBlobCall(WDL_String* out, const char* quotedName, const ByteChunk& chunk) {
  WDL_String base64;
  if (!Base64Encode(chunk.GetBytes(), chunk.Size(), &base64)) return false;
  out->AppendFormatted(0, "MakePresetFromBlob(\"%s\", \"", quotedName);
  out->AppendFormatted(0, "%s\", %i);\n", base64.Get(), chunk.Size());
  return true;
}

bool WriteText(const char* path, const WDL_String& text) {
  return WriteFileAtomically(path, text.Get(), text.GetLength());
}

}  // namespace

bool IPlugBase::DumpPresetSrcCode(const char* path, const char** paramEnumNames) {
  WDL_String text;
  text.SetFormatted(0, "  MakePresetFromNamedParams(\"name\", %d", NParams());
  for (int i = 0; i < NParams(); ++i) {
    const IParam* param = GetParam(i);
    WDL_String id;
    if (paramEnumNames && paramEnumNames[i])
      id.Set(paramEnumNames[i]);
    else
      id.SetFormatted(0, "%d", i);
    const double v = param->Value();
    WDL_String value;
    switch (param->Type()) {
      case kTypeBool:
        value.Set(v >= 0.5 ? "true" : "false");
        break;
      case kTypeInt:
      case kTypeEnum: {
        // Truncated towards zero, kept inside int for any stored value.
        const double t = v != v ? 0.0 : (v < INT_MIN ? INT_MIN : (v > INT_MAX ? INT_MAX : v));
        value.SetFormatted(0, "%d", static_cast<int>(t));
        break;
      }
      default:
        value.SetFormatted(0, "%.6f", v);
        break;
    }
    text.AppendFormatted(0, ",\n    %s, %s", id.Get(), value.Get());
  }
  text.Append(");\n");
  return WriteText(path, text);
}

bool IPlugBase::DumpPresetBlob(const char* path) {
  const IPreset* preset = GetPreset(mCurrentPresetIdx);
  if (!preset) return false;
  WDL_String text;
  return AppendBlobCall(&text, "name", preset->mChunk) && WriteText(path, text);
}

bool IPlugBase::DumpBankBlob(const char* path) {
  WDL_String text;
  for (int i = 0; i < NPresets(); ++i) {
    const IPreset* preset = GetPreset(i);
    WDL_String name;
    AppendQuoted(&name, preset->mName);
    if (!AppendBlobCall(&text, name.Get(), preset->mChunk)) return false;
  }
  return WriteText(path, text);
}
