// VST 2 program files, read and written from outside the plug-in: the header fields
// big-endian, then the values or the program chunk.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>

#include "preset_file.h"

namespace vsthost {

namespace {

constexpr size_t kHeaderBytes = 56;  // up to and with the 28-byte program name
constexpr size_t kNameBytes = 28;

constexpr uint32_t FourCC(const char (&c)[5]) {
  return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8) |
         uint32_t(uint8_t(c[3]));
}

uint32_t ReadBE32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void AppendBE32(std::vector<unsigned char>* b, uint32_t v) {
  b->push_back(uint8_t(v >> 24));
  b->push_back(uint8_t(v >> 16));
  b->push_back(uint8_t(v >> 8));
  b->push_back(uint8_t(v));
}

std::string IdText(uint32_t id) {
  char text[32];
  bool printable = true;
  for (int shift = 24; shift >= 0; shift -= 8) printable = printable && ((id >> shift) & 0xFF) >= 0x20 && ((id >> shift) & 0xFF) < 0x7F;
  if (printable)
    snprintf(text, sizeof(text), "'%c%c%c%c'", char(id >> 24), char(id >> 16), char(id >> 8), char(id));
  else
    snprintf(text, sizeof(text), "0x%08X", id);
  return text;
}

}  // namespace

bool IsProgramFile(const std::vector<unsigned char>& bytes) {
  return bytes.size() >= 4 && ReadBE32(bytes.data()) == FourCC("CcnK");
}

bool MakeProgramFile(const Plugin& plugin, std::vector<unsigned char>* bytes, std::string* error) {
  const bool chunks = plugin.HasFlag(effFlagsProgramChunks);
  const unsigned char* chunk = nullptr;
  size_t chunkSize = 0;
  if (chunks) {
    void* data = nullptr;
    const VstIntPtr n = plugin.Query(effGetChunk, 1, 0, &data);  // 1: this program only
    if (n <= 0 || !data || n > INT32_MAX - 64) {
      *error = "the plug-in handed over no program state to save";
      return false;
    }
    chunk = static_cast<const unsigned char*>(data);
    chunkSize = static_cast<size_t>(n);
  }
  const int nParams = plugin.NumParams();
  const size_t size = chunks ? kHeaderBytes + 4 + chunkSize : kHeaderBytes + 4 * static_cast<size_t>(nParams);
  bytes->clear();
  AppendBE32(bytes, FourCC("CcnK"));
  AppendBE32(bytes, static_cast<uint32_t>(size - 8));
  AppendBE32(bytes, chunks ? FourCC("FPCh") : FourCC("FxCk"));
  AppendBE32(bytes, 1);
  AppendBE32(bytes, static_cast<uint32_t>(plugin.Effect()->uniqueID));
  AppendBE32(bytes, static_cast<uint32_t>(plugin.Effect()->version));
  AppendBE32(bytes, static_cast<uint32_t>(nParams));
  const std::string name = plugin.Text(effGetProgramName);
  unsigned char field[kNameBytes] = {};
  memcpy(field, name.data(), std::min(name.size(), kNameBytes - 1));
  bytes->insert(bytes->end(), field, field + kNameBytes);
  if (chunks) {
    AppendBE32(bytes, static_cast<uint32_t>(chunkSize));
    bytes->insert(bytes->end(), chunk, chunk + chunkSize);
  } else {
    for (int i = 0; i < nParams; ++i) {
      const float v = plugin.GetParameter(i);
      uint32_t bits;
      memcpy(&bits, &v, 4);
      AppendBE32(bytes, bits);
    }
  }
  return true;
}

bool LoadProgramFile(Plugin& plugin, const std::string& path, const std::vector<unsigned char>& bytes,
                     std::string* error) {
  const std::string what = "preset " + path;
  if (bytes.size() < kHeaderBytes) {
    *error = what + " is damaged (" + std::to_string(bytes.size()) + " bytes, shorter than a program file's header)";
    return false;
  }
  const unsigned char* b = bytes.data();
  const uint32_t declared = ReadBE32(b + 4);
  if (static_cast<uint64_t>(declared) + 8 != bytes.size()) {
    *error = what + " is damaged (its header gives " + std::to_string(uint64_t(declared) + 8) + " bytes, the file holds " +
             std::to_string(bytes.size()) + ")";
    return false;
  }
  const uint32_t kind = ReadBE32(b + 8);
  if (kind == FourCC("FxBk") || kind == FourCC("FBCh")) {
    *error = what + " is a bank of programs; --load-preset takes one program (.fxp) or a preset XML file";
    return false;
  }
  if (kind != FourCC("FxCk") && kind != FourCC("FPCh")) {
    *error = what + " is not a VST 2 program file (unknown kind " + IdText(kind) + ")";
    return false;
  }
  if (ReadBE32(b + 12) != 1) {
    *error = what + " has program-file format version " + std::to_string(ReadBE32(b + 12)) + " (only 1 is known)";
    return false;
  }
  const uint32_t id = ReadBE32(b + 16);
  const uint32_t ownId = static_cast<uint32_t>(plugin.Effect()->uniqueID);
  if (id != ownId) {
    *error = what + " belongs to another plug-in (unique ID " + IdText(id) + "; this one is " + IdText(ownId) + ")";
    return false;
  }
  const int nParams = plugin.NumParams();
  if (static_cast<int32_t>(ReadBE32(b + 24)) != nParams) {
    *error = what + " holds " + std::to_string(static_cast<int32_t>(ReadBE32(b + 24))) +
             " parameters; this plug-in has " + std::to_string(nParams);
    return false;
  }
  const bool isChunk = kind == FourCC("FPCh");
  std::vector<float> values;
  if (isChunk) {
    if (!plugin.HasFlag(effFlagsProgramChunks)) {
      *error = what + " holds a state chunk, but this plug-in does not take chunks";
      return false;
    }
    if (bytes.size() < kHeaderBytes + 4 || ReadBE32(b + kHeaderBytes) != bytes.size() - kHeaderBytes - 4) {
      *error = what + " is damaged (its chunk size does not match the file)";
      return false;
    }
  } else {
    if (bytes.size() != kHeaderBytes + 4 * static_cast<size_t>(nParams)) {
      *error = what + " is damaged (it does not hold one value per parameter)";
      return false;
    }
    for (int i = 0; i < nParams; ++i) {
      const uint32_t bits = ReadBE32(b + kHeaderBytes + 4 * i);
      float v;
      memcpy(&v, &bits, 4);
      if (!(v >= 0.0f && v <= 1.0f)) {
        *error = what + " is damaged (parameter " + std::to_string(i) + " has a value outside 0 to 1)";
        return false;
      }
      values.push_back(v);
    }
  }

  // Checked whole: now apply it, the way a host loads a program.
  // Plug-ins take program names of at most 24 bytes with the NUL (kVstMaxProgNameLen).
  char name[kVstMaxProgNameLen] = {};
  memcpy(name, b + 28, kVstMaxProgNameLen - 1);
  plugin.Dispatch(effBeginSetProgram);
  if (isChunk) {
    const size_t n = bytes.size() - kHeaderBytes - 4;
    std::vector<unsigned char> chunk(b + kHeaderBytes + 4, b + bytes.size());
    // Plug-ins answer this request inconsistently (many always 0), so the answer is not
    // taken as a verdict.
    plugin.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(n), chunk.data());
  } else {
    for (int i = 0; i < nParams; ++i) plugin.SetParameter(i, values[i]);
  }
  if (name[0]) plugin.Dispatch(effSetProgramName, 0, 0, name);
  plugin.Dispatch(effEndSetProgram);
  return true;
}

}  // namespace vsthost
