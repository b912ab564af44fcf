#include "preset_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "param_assign.h"

namespace vsthost {

namespace {

// Far beyond any program or preset; a bigger file is not read into memory.
constexpr long long kMaxPresetFileBytes = 64ll << 20;

bool ReadPresetBytes(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
  FILE* fp = fopen(path.c_str(), "rb");
  if (!fp) {
    *error = "cannot read preset " + path + ": " + strerror(errno);
    return false;
  }
  struct stat st;
  if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = "cannot read preset " + path + ": not a regular file";
  } else if (st.st_size > kMaxPresetFileBytes) {
    *error = "preset " + path + " is not a preset file (" + std::to_string(st.st_size) + " bytes is far too large)";
  } else {
    bytes->resize(static_cast<size_t>(st.st_size));
    const size_t got = bytes->empty() ? 0 : fread(bytes->data(), 1, bytes->size(), fp);
    bytes->resize(got);
    if (ferror(fp)) *error = "cannot read preset " + path + ": " + strerror(errno);
  }
  fclose(fp);
  return error->empty();
}

// XML may start with a byte-order mark and white space before its first "<".
bool LooksLikeXml(const std::vector<unsigned char>& bytes) {
  size_t i = 0;
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
  while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
  return i < bytes.size() && bytes[i] == '<';
}

}  // namespace

bool LoadPresetFile(Plugin& plugin, const std::string& path, std::string* error) {
  std::vector<unsigned char> bytes;
  error->clear();
  if (!ReadPresetBytes(path, &bytes, error)) return false;
  if (IsProgramFile(bytes)) return LoadProgramFile(plugin, path, bytes, error);
  if (LooksLikeXml(bytes)) return LoadPresetXml(plugin, path, bytes, error);
  *error = "preset " + path + " is not a preset file (neither a VST 2 program file nor a preset XML file)";
  return false;
}

bool MakePresetBytes(const Plugin& plugin, const std::string& path, std::vector<unsigned char>* bytes,
                     std::string* error) {
  const PresetFormat format = PresetFormatForName(path);
  if (format == PresetFormat::kNone) {
    *error = "--save-preset wants a file name ending in .fxp or .xml, not '" + path + "'";
    return false;
  }
  return format == PresetFormat::kFxp ? MakeProgramFile(plugin, bytes, error) : MakePresetXml(plugin, bytes, error);
}

bool ApplyPresetOptions(Plugin& plugin, const Options& options,
                        const std::vector<ParamAssignment>& assignments, std::string* error) {
  if (!options.loadPresetPath.empty() && !LoadPresetFile(plugin, options.loadPresetPath, error)) return false;
  return ApplyAssignments(plugin, assignments, error);
}

}  // namespace vsthost
