// --load-preset and --save-preset: the plug-in's parameters kept in a file and put back
// without a DAW. Two formats, as any host sees a plug-in from outside:
//
// - VST 2 program files (.fxp): the program chunk the plug-in hands over (effGetChunk /
//   effSetChunk) when it says it keeps its state in chunks, else one normalised value
//   per parameter (getParameter / setParameter).
// - Preset XML files (.xml): the plug-in's maker and name, the program name, and per
//   parameter its name, the value it displays ("val") and its exact normalised value
//   ("normalized"). A file without "normalized" (written by the plug-in itself) is set
//   from "val" the way --set sets a value.
//
// Loading tells the formats apart by content, saving by extension. Files are checked
// whole before anything is applied; a file of another plug-in, a damaged file or one
// that is not a preset gives a one-line reason.
#ifndef TOOLS_VSTHOST_PRESET_FILE_H_
#define TOOLS_VSTHOST_PRESET_FILE_H_

#include <strings.h>

#include <string>
#include <vector>

#include "options.h"
#include "plugin.h"

namespace vsthost {

enum class PresetFormat { kNone, kFxp, kXml };

// The format a file name asks for: .fxp or .xml in any case, else kNone.
inline PresetFormat PresetFormatForName(const std::string& path) {
  auto endsWith = [&](const char* ext) { return path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ext) == 0; };
  if (endsWith(".fxp")) return PresetFormat::kFxp;
  if (endsWith(".xml")) return PresetFormat::kXml;
  return PresetFormat::kNone;
}

bool LoadPresetFile(Plugin& plugin, const std::string& path, std::string* error);
// The bytes --save-preset writes to `path` (its extension picks the format), made from
// the parameters as they stand now.
bool MakePresetBytes(const Plugin& plugin, const std::string& path, std::vector<unsigned char>* bytes,
                     std::string* error);

// What the commands do before they run: --load-preset, then the assignments in order.
// The preset is saved by the command once it has succeeded.
bool ApplyPresetOptions(Plugin& plugin, const Options& options,
                        const std::vector<ParamAssignment>& assignments, std::string* error);

// ---- The two formats (preset_fxp.cpp, preset_xml.cpp) ----------------------------------
bool IsProgramFile(const std::vector<unsigned char>& bytes);  // starts with the chunk magic
bool LoadProgramFile(Plugin& plugin, const std::string& path, const std::vector<unsigned char>& bytes,
                     std::string* error);
bool MakeProgramFile(const Plugin& plugin, std::vector<unsigned char>* bytes, std::string* error);
bool LoadPresetXml(Plugin& plugin, const std::string& path, const std::vector<unsigned char>& bytes,
                   std::string* error);
bool MakePresetXml(const Plugin& plugin, std::vector<unsigned char>* bytes, std::string* error);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_PRESET_FILE_H_
