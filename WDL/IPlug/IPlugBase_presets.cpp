// IPlugBase: the preset slots. The makers that fill empty slots, restoring and
// rewriting slots, and the default names.
//
// A slot's chunk always holds exactly one state: every maker empties it before it
// writes, so a slot that a bank emptied and a maker refilled never restores stale
// values. Names are cut to the slot's 255 characters.
#include <cstdio>
#include <cstring>
#include <memory>

#include "Base64.h"
#include "IPlugBase.h"
#include "Log.h"

// Stands for "no value given" in the named-parameter makers.
static const double kUnsetParamValue = 9.999e-08;

// ---- Filling slots --------------------------------------------------------------------------

IPreset* IPlugBase::GetNextUninitializedPreset() {
  for (int i = 0; i < NPresets(); ++i) {
    IPreset* preset = GetPreset(i);
    if (!preset->mInitialized) return preset;
  }
  return nullptr;
}

void IPlugBase::WritePresetValues(IPreset* pPreset, const char* name, const double* values) {
  pPreset->mInitialized = true;
  pPreset->SetName(name);
  pPreset->mChunk.Clear();
  for (int i = 0; i < NParams(); ++i) pPreset->mChunk.AppendValue(values + i);
}

// Reads one value per parameter: ints for the stepped kinds, doubles for the others.
void IPlugBase::ReadPresetValueList(double* values, va_list args) {
  for (int i = 0; i < NParams(); ++i) {
    const EParamType type = GetParam(i)->Type();
    const bool passedAsInt = type == kTypeBool || type == kTypeInt || type == kTypeEnum;
    values[i] = passedAsInt ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
  }
}

void IPlugBase::InitPresetFromNamedParamList(IPreset* pPreset, const char* name, int nNamed, va_list args) {
  const int n = NParams();
  std::unique_ptr<double[]> values(new double[n > 0 ? n : 1]);
  for (int i = 0; i < n; ++i) values[i] = kUnsetParamValue;
  for (int k = 0; k < nNamed; ++k) {
    const int paramIdx = va_arg(args, int);
    IParam* param = GetParam(paramIdx);
    // The value's type follows the parameter's kind; for an unknown index the
    // caller's type cannot be known, so it is taken as a double and dropped.
    const EParamType type = param ? param->Type() : kTypeDouble;
    const bool passedAsInt = type == kTypeBool || type == kTypeInt || type == kTypeEnum;
    const double value = passedAsInt ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
    if (param) values[paramIdx] = value;
  }
  for (int i = 0; i < n; ++i) {
    if (values[i] == kUnsetParamValue) values[i] = GetParam(i)->Value();
  }
  WritePresetValues(pPreset, name, values.get());
}

void IPlugBase::MakePreset(const char* name, ...) {
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return;
  const int n = NParams();
  std::unique_ptr<double[]> values(new double[n > 0 ? n : 1]);
  va_list args;
  va_start(args, name);
  ReadPresetValueList(values.get(), args);
  va_end(args);
  WritePresetValues(preset, name, values.get());
}

void IPlugBase::MakePresetFromNamedParams(const char* name, int nNamed, ...) {
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return;
  va_list args;
  va_start(args, nNamed);
  InitPresetFromNamedParamList(preset, name, nNamed, args);
  va_end(args);
}

void IPlugBase::InitPresetFromNamedParams(int presetIdx, const char* name, int nNamed, ...) {
  IPreset* preset = GetPreset(presetIdx);
  if (!preset) return;
  va_list args;
  va_start(args, nNamed);
  InitPresetFromNamedParamList(preset, name, nNamed, args);
  va_end(args);
}

void IPlugBase::InitPresetFromNamedParams1(IPreset* pPreset, const char* name, int nNamed, ...) {
  if (!pPreset) return;
  va_list args;
  va_start(args, nNamed);
  InitPresetFromNamedParamList(pPreset, name, nNamed, args);
  va_end(args);
}

void IPlugBase::MakePresetFromDefaultParam(const char* name) {
  InitPresetFromDefaultParam(GetNextUninitializedPreset(), name);
}

void IPlugBase::InitPresetFromDefaultParam(IPreset* pPreset, const char* name) {
  if (!pPreset) return;
  const int n = NParams();
  std::unique_ptr<double[]> values(new double[n > 0 ? n : 1]);
  for (int i = 0; i < n; ++i) values[i] = GetParam(i)->GetDefault();
  WritePresetValues(pPreset, name, values.get());
}

void IPlugBase::MakePresetFromChunk(const char* name, ByteChunk* pChunk) {
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return;
  preset->mInitialized = true;
  preset->SetName(name);
  preset->mChunk.Clear();
  preset->mChunk.AppendChunk(pChunk);
}

void IPlugBase::MakePresetFromBlob(const char* name, const char* base64, int size) {
  if (size < 0) return;
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return;
  preset->mChunk.Clear();
  if (preset->mChunk.Resize(size) != size) {
    preset->mChunk.Clear();
    return;
  }
  if (size > 0) {
    memset(preset->mChunk.GetBytes(), 0, static_cast<size_t>(size));
    Base64Decode(base64, preset->mChunk.GetBytes(), size);
  }
  preset->mInitialized = true;
  preset->SetName(name);
}

void IPlugBase::MakeDefaultPreset(const char* name, int count) {
  for (int i = 0; i < count; ++i) {
    IPreset* preset = GetNextUninitializedPreset();
    if (!preset) return;
    preset->mInitialized = true;
    preset->SetName(name ? name : "Empty");
    preset->mChunk.Clear();
    SerializeState(&preset->mChunk);
  }
}

void IPlugBase::EnsureDefaultPreset() {
  MakeDefaultPreset("Empty", NPresets());
}

void IPlugBase::PruneUninitializedPresets() {
  for (int i = NPresets() - 1; i >= 0; --i) {
    if (GetPreset(i)->mInitialized) continue;
    mPresets.Delete(i, true);
    // The current index keeps naming the same slot; if that slot itself went, or the
    // index no longer names any slot, the first slot becomes current.
    if (i < mCurrentPresetIdx) --mCurrentPresetIdx;
    else if (i == mCurrentPresetIdx) mCurrentPresetIdx = 0;
  }
  if (mCurrentPresetIdx >= NPresets()) mCurrentPresetIdx = 0;
}

// ---- Restoring and rewriting -------------------------------------------------------------------

bool IPlugBase::RestorePreset(int idx, bool presetParamsOnly) {
  IPreset* preset = GetPreset(idx);
  if (!preset) return false;
  bool restored;
  if (preset->mInitialized) {
    const int pos = presetParamsOnly ? UnserializeState_New(&preset->mChunk, 0, true)
                                     : UnserializeState(&preset->mChunk, 0);
    restored = pos > 0;
  } else {
    preset->mInitialized = true;
    MakeDefaultUserPresetName(&mPresets, preset->mName);
    preset->mChunk.Clear();
    restored = SerializeState(&preset->mChunk);
  }
  if (restored) {
    mCurrentPresetIdx = idx;
    PresetsChangedByHost();
    RedrawParamControls();
  }
  return restored;
}

bool IPlugBase::RestorePreset(const char* name) {
  if (!name || !*name) return false;
  for (int i = 0; i < NPresets(); ++i) {
    if (!strcmp(GetPreset(i)->mName, name)) return RestorePreset(i, false);
  }
  return false;
}

const char* IPlugBase::GetPresetName(int idx) const {
  const IPreset* preset = GetPreset(idx);
  return preset ? preset->mName : "";
}

// Stores the current state in the slot and, when a name is given, renames it.
static void RewritePreset(IPlugBase* plug, IPreset* preset, const char* name) {
  preset->mChunk.Clear();
  plug->SerializeState(&preset->mChunk);
  if (name && *name) preset->SetName(name);
}

void IPlugBase::ModifyCurrentPreset(const char* name) {
  IPreset* preset = GetPreset(mCurrentPresetIdx);
  if (!preset) return;
  Trace(TRACELOC, "%d %s", mCurrentPresetIdx, preset->mName);
  RewritePreset(this, preset, name);
}

void IPlugBase::ModifyPreset(int idx, const char* name) {
  IPreset* preset = GetPreset(idx);
  if (!preset) return;
  Trace(TRACELOC, "%d %s", idx, preset->mName);
  RewritePreset(this, preset, name);
}

// ---- Names ----------------------------------------------------------------------------------------

void MakeDefaultUserPresetName(WDL_PtrList<IPreset>* pPresets, char* out) {
  if (!out) return;
  int nUserPresets = 0;
  for (int i = 0; pPresets && i < pPresets->GetSize(); ++i) {
    if (strstr(pPresets->Get(i)->mName, "user preset")) ++nUserPresets;
  }
  snprintf(out, MAX_PRESET_NAME_LEN, "%s %d", "user preset", nUserPresets + 1);
}
