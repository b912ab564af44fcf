// IPlugBase: VST 2 program files (fxp). One program, either as one normalised 32-bit
// float per parameter (kind FxCk) or as the plug-in's own state chunk (kind FPCh):
//
//   0 "CcnK"   4 byte size (file length - 8)   8 kind   12 format version 1
//   16 unique ID   20 version (decimal)   24 parameter count   28 name, 28 bytes
//   56 FxCk: the values        56 FPCh: chunk size s, then s chunk bytes at 60
//
// Every field is big-endian in the file whatever the machine's order, so they are
// assembled and taken apart byte by byte. Files come from anywhere: every field is
// checked before anything changes.
#include <cmath>
#include <cstring>
#include <new>

#include "AtomicFile.h"
#include "IPlugBase.h"

namespace {

constexpr int kNameOffset = 28;
constexpr int kNameBytes = 28;
constexpr int kDataOffset = 56;
constexpr int kChunkOffset = 60;
constexpr int kFormatVersion = 1;
// Far beyond any program; keeps a stray huge file from being read into memory.
constexpr int kMaxProgramFileBytes = 64 << 20;

constexpr uint32_t FourCC(const char (&c)[5]) {
  return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8) |
         uint32_t(uint8_t(c[3]));
}
constexpr uint32_t kChunkMagic = FourCC("CcnK");
constexpr uint32_t kKindValues = FourCC("FxCk");
constexpr uint32_t kKindChunk = FourCC("FPCh");

uint32_t ReadBE32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void AppendBE32(ByteChunk* chunk, uint32_t v) {
  const unsigned char b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  chunk->AppendBytes(b, 4);
}

uint32_t FloatBits(float f) {
  uint32_t u;
  memcpy(&u, &f, sizeof(u));
  return u;
}

float BitsFloat(uint32_t u) {
  float f;
  memcpy(&f, &u, sizeof(f));
  return f;
}

// What a program file holds once its header has been checked.
struct ProgramFile {
  bool isChunk = false;
  WDL_String name;
  const unsigned char* data = nullptr;  // from offset 56
  int dataSize = 0;                     // bytes from offset 56 to the end of the file
};

}  // namespace

// ---- Writing -------------------------------------------------------------------------------

bool IPlugBase::MakeProgramFXP(const char* name, ByteChunk* pOut) {
  if (!pOut) return false;
  pOut->Clear();
  const bool isChunk = DoesStateChunks();
  ByteChunk state;
  if (isChunk) {
    InitChunkWithIPlugVer(&state);
    if (!SerializeState(&state)) return false;
  }
  const int64_t fileSize =
      isChunk ? int64_t(kChunkOffset) + state.Size() : int64_t(kDataOffset) + 4 * int64_t(NParams());
  if (fileSize > kMaxProgramFileBytes) return false;

  AppendBE32(pOut, kChunkMagic);
  AppendBE32(pOut, static_cast<uint32_t>(fileSize - 8));
  AppendBE32(pOut, isChunk ? kKindChunk : kKindValues);
  AppendBE32(pOut, kFormatVersion);
  AppendBE32(pOut, static_cast<uint32_t>(GetUniqueID()));
  AppendBE32(pOut, static_cast<uint32_t>(GetEffectVersion(true)));
  AppendBE32(pOut, static_cast<uint32_t>(NParams()));
  unsigned char nameField[kNameBytes] = {};
  if (name) memcpy(nameField, name, strnlen(name, kNameBytes - 1));
  pOut->AppendBytes(nameField, kNameBytes);
  if (isChunk) {
    AppendBE32(pOut, static_cast<uint32_t>(state.Size()));
    pOut->AppendChunk(&state);
  } else {
    for (int i = 0; i < NParams(); ++i) AppendBE32(pOut, FloatBits(static_cast<float>(GetParam(i)->GetNormalized())));
  }
  if (pOut->Size() != fileSize) {  // out of memory on the way
    pOut->Clear();
    return false;
  }
  return true;
}

bool IPlugBase::SaveProgramAsFXPName(WDL_String* pPath, const char* name) {
  if (!pPath || !pPath->GetLength()) return false;
  ByteChunk file;
  return MakeProgramFXP(name, &file) && WriteFileAtomically(pPath->Get(), file.GetBytes(), file.Size());
}

bool IPlugBase::SaveProgramAsFXP(WDL_String* pPath) {
  return SaveProgramAsFXPName(pPath, GetPresetName(mCurrentPresetIdx));
}

// ---- Reading -------------------------------------------------------------------------------

// Checks the header against this plug-in. Files of 28 to 55 bytes pass with no name
// and no data (their parameters keep their values).
static bool ParseProgramFile(IPlugBase* plug, const unsigned char* data, int size, ProgramFile* out) {
  if (!data || size < kNameOffset) return false;
  if (ReadBE32(data) != kChunkMagic) return false;
  const uint32_t kind = ReadBE32(data + 8);
  if (ReadBE32(data + 12) != kFormatVersion) return false;
  if (static_cast<int32_t>(ReadBE32(data + 16)) != plug->GetUniqueID()) return false;
  if (static_cast<int32_t>(ReadBE32(data + 24)) != plug->NParams()) return false;
  if (kind == kKindChunk) {
    if (!plug->DoesStateChunks()) return false;
    out->isChunk = true;
  } else if (kind != kKindValues) {
    return false;
  }
  if (size >= kDataOffset) {
    const char* name = reinterpret_cast<const char*>(data + kNameOffset);
    out->name.Set(name, kNameBytes);  // bounded: the field need not end in NUL
    out->data = data + kDataOffset;
    out->dataSize = size - kDataOffset;
  }
  return true;
}

// Loads the file's values into the parameters. For a chunk file the plug-in's state
// reader decides, and false means it refused the state. The chunk size field bounds
// the state when it is honest; when it claims more than the file holds, the bytes
// that are there are offered.
static bool ApplyProgramFile(IPlugBase* plug, WDL_Mutex* mutex, const ProgramFile& file) {
  if (file.isChunk) {
    ByteChunk state;
    if (file.dataSize >= 4) {
      const int available = file.dataSize - 4;
      const int64_t declared = static_cast<int32_t>(ReadBE32(file.data));
      const int n = declared >= 0 && declared <= available ? static_cast<int>(declared) : available;
      if (state.AppendBytes(file.data + 4, n) != n) return false;
    }
    int pos = 0;
    int32_t magic = 0;
    if (state.ReadValue(&magic, 0) > 0 && magic == IPLUG_CHUNK_MAGIC) pos = 8;
    return plug->UnserializeState(&state, pos) >= 0;
  }
  WDL_MutexLock lock(mutex);
  for (int i = 0; i < plug->NParams() && 4 * (i + 1) <= file.dataSize; ++i) {
    const float v = BitsFloat(ReadBE32(file.data + 4 * i));
    // NaN has no place in 0..1; that parameter keeps its value.
    if (!std::isnan(v)) plug->GetParam(i)->SetNormalized(v);
  }
  return true;
}

bool IPlugBase::LoadProgramFromFXPData(const unsigned char* data, int size, bool notifyOnly) {
  ProgramFile file;
  if (!ParseProgramFile(this, data, size, &file)) return false;
  if (!ApplyProgramFile(this, &mMutex, file)) return false;
  if (!file.isChunk && notifyOnly) {
    WDL_MutexLock lock(&mMutex);
    for (int i = 0; i < NParams(); ++i) OnParamChange(i);
  } else {
    // The preset takes the loaded values; restoring it tells the plug-in about them.
    ModifyCurrentPreset(file.name.Get());
    RestorePreset(mCurrentPresetIdx, false);
  }
  InformHostOfProgramChange();
  return true;
}

bool IPlugBase::LoadProgramFromFXP(WDL_String* pPath, bool notifyOnly) {
  ByteChunk bytes;
  if (!pPath || !ReadWholeFile(pPath->Get(), kMaxProgramFileBytes, &bytes)) return false;
  return LoadProgramFromFXPData(bytes.GetBytes(), bytes.Size(), notifyOnly);
}

bool IPlugBase::LoadProgramFromFXPDataToPreset(const unsigned char* data, int size, const char* name) {
  ProgramFile file;
  if (!ParseProgramFile(this, data, size, &file)) return false;
  IPreset saved;
  InitPresetFromNamedParams1(&saved, "tmp", 0);
  saved.mChunk.Clear();
  SerializeState(&saved.mChunk);

  const bool wasHeld = mHoldParamNotifications;
  if (file.isChunk) HoldParamNotifications(true);
  const bool loaded = ApplyProgramFile(this, &mMutex, file);
  HoldParamNotifications(wasHeld);
  IPreset* slot = loaded ? new (std::nothrow) IPreset() : nullptr;
  const bool added = slot && mPresets.Add(slot);
  if (!added) {
    delete slot;
    UnserializeState(&saved.mChunk, 0);
    return false;
  }
  const int idx = NPresets() - 1;
  InitPresetFromNamedParams(idx, name, 0);
  ModifyPreset(idx, name);
  UnserializeState(&saved.mChunk, 0);
  RedrawParamControls();
  return true;
}

bool IPlugBase::LoadProgramFromFXPtoPreset(WDL_String* pPath) {
  ByteChunk bytes;
  if (!pPath || !ReadWholeFile(pPath->Get(), kMaxProgramFileBytes, &bytes)) return false;
  WDL_String name;
  PresetNameFromPath(pPath->Get(), &name);
  return LoadProgramFromFXPDataToPreset(bytes.GetBytes(), bytes.Size(), name.Get());
}

void IPlugBase::PresetNameFromPath(const char* path, WDL_String* pName) {
  if (!pName) return;
  pName->Set(path ? path : "");
  // The extension: the last dot, unless a folder separator comes after it.
  for (int i = pName->GetLength() - 1; i >= 0; --i) {
    const char c = pName->Get()[i];
    if (c == '/' || c == '\\') break;
    if (c == '.') {
      pName->SetLen(i);
      break;
    }
  }
  const char* text = pName->Get();
  const char* last = text;
  for (const char* p = text; *p; ++p)
    if (*p == '/' || *p == '\\') last = p + 1;
  if (last != text) pName->Set(WDL_String(last).Get());
}
