// IPlugBase: state chunks. The program state (one 64-bit float per parameter), the
// bank (every preset slot), the framework header, and the comparison of a stored
// state with the live parameters.
//
// Chunks come from hosts and files, so they are untrusted: every read is checked
// against the chunk's size, and a read that fails changes nothing it cannot undo.
#include <cmath>
#include <cstring>
#include <memory>

#include "IPlugBase.h"
#include "Log.h"

// ---- Program state ------------------------------------------------------------------------

bool IPlugBase::SerializeState(ByteChunk* pChunk) {
  return SerializeParams(pChunk);
}

int IPlugBase::UnserializeState(ByteChunk* pChunk, int startPos) {
  return UnserializeParams(pChunk, startPos, false);
}

int IPlugBase::UnserializeState_New(ByteChunk* pChunk, int startPos, bool presetParamsOnly) {
  return UnserializeParams(pChunk, startPos, presetParamsOnly);
}

bool IPlugBase::SerializeParams(ByteChunk* pChunk) {
  if (!pChunk) return false;
  WDL_MutexLock lock(&mMutex);
  const int before = pChunk->Size();
  for (int i = 0; i < NParams(); ++i) {
    IParam* param = GetParam(i);
    double value = param->Value();
    Trace(TRACELOC, "%d %s %f", i, param->GetNameForHost(), value);
    if (pChunk->AppendValue(&value) < 0) {
      pChunk->Resize(before);  // out of memory: no half-written state
      return false;
    }
  }
  return true;
}

int IPlugBase::UnserializeParams(ByteChunk* pChunk, int startPos, bool presetParamsOnly) {
  WDL_MutexLock lock(&mMutex);
  int pos = startPos;
  const int n = NParams();
  if (n > 0 && startPos >= 0) {
    // A state cut short is rejected whole, before any value changes: applying the
    // values that happen to be there would leave a mix of two states behind.
    const int64_t end = static_cast<int64_t>(startPos) + static_cast<int64_t>(n) * sizeof(double);
    if (!pChunk || end > pChunk->Size()) {
      pos = -1;
    } else {
      for (int i = 0; i < n; ++i) {
        IParam* param = GetParam(i);
        Trace(TRACELOC, "%d %s %f", i, param->GetNameForHost(), param->Value());
        double value = 0.0;
        pos = pChunk->ReadValue(&value, pos);
        if (presetParamsOnly && !param->GetIsPresetParam()) continue;
        // NaN has no place in any range; such a parameter keeps its value.
        if (std::isnan(value)) continue;
        double lo, hi;
        param->GetBounds(&lo, &hi);
        param->Set(value < lo ? lo : (value > hi ? hi : value));
      }
    }
  }
  if (!mHoldParamNotifications) {
    for (int i = 0; i < n; ++i) OnParamChange(i);
  }
  return pos;
}

// ---- Bank ----------------------------------------------------------------------------------

bool IPlugBase::SerializePresets(ByteChunk* pChunk) {
  if (!pChunk) return false;
  const int before = pChunk->Size();
  for (int i = 0; i < NPresets(); ++i) {
    IPreset* preset = GetPreset(i);
    bool ok = pChunk->AppendString(preset->mName) >= 0;
    Trace(TRACELOC, "%d %s", i, preset->mName);
    ok = ok && pChunk->AppendValue(&preset->mInitialized) >= 0;
    if (ok && preset->mInitialized) ok = pChunk->AppendChunk(&preset->mChunk) >= 0;
    if (!ok) {
      pChunk->Resize(before);
      return false;
    }
  }
  return true;
}

int IPlugBase::UnserializePresets(ByteChunk* pChunk, int startPos) {
  const int nPresets = NPresets();
  int pos = startPos;
  if (nPresets > 0 && startPos >= 0) {
    if (!pChunk) return -1;
    // Reading a slot loads its values into the live parameters (through the virtual
    // UnserializeState), so the slots and the live state are kept aside in case the
    // bank turns out to be cut short or corrupt.
    std::unique_ptr<IPreset[]> savedSlots(new IPreset[nPresets]);
    for (int i = 0; i < nPresets; ++i) savedSlots[i] = *GetPreset(i);
    ByteChunk savedState;
    const bool haveSavedState = SerializeState(&savedState);

    for (int i = 0; i < nPresets && pos >= 0; ++i) {
      IPreset* preset = GetPreset(i);
      // A name that cannot be read leaves the slot's name as it was.
      WDL_String name;
      name.Set(preset->mName);
      pos = pChunk->ReadString(&name, pos);
      preset->SetName(name.Get());
      Trace(TRACELOC, "%d %s", i, preset->mName);

      if (pos >= 0 && pos < pChunk->Size()) {
        preset->mInitialized = pChunk->GetBytes()[pos] != 0;
        ++pos;
      } else {
        pos = -1;
      }
      if (preset->mInitialized) {
        pos = UnserializeState(pChunk, pos);
        if (pos > 0) {
          preset->mChunk.Clear();
          SerializeState(&preset->mChunk);
        }
      }
    }

    if (pos < 0) {
      for (int i = 0; i < nPresets; ++i) *GetPreset(i) = savedSlots[i];
      if (haveSavedState) UnserializeState(&savedState, 0);
      return -1;
    }
  }
  RestorePreset(mCurrentPresetIdx, false);
  return pos;
}

// ---- Framework header -----------------------------------------------------------------------

void IPlugBase::InitChunkWithIPlugVer(ByteChunk* pChunk) {
  if (!pChunk) return;
  pChunk->Clear();
  const int32_t magic = IPLUG_CHUNK_MAGIC;
  const int32_t version = IPLUG_CHUNK_VERSION;
  pChunk->AppendValue(&magic);
  pChunk->AppendValue(&version);
}

int IPlugBase::GetIPlugVerFromChunk(ByteChunk* pChunk, int* pPos) {
  if (!pChunk || !pPos || *pPos < 0) return 0;
  int32_t magic = 0;
  const int afterMagic = pChunk->ReadValue(&magic, *pPos);
  if (afterMagic < 0 || magic != IPLUG_CHUNK_MAGIC) return 0;
  int32_t version = 0;
  const int afterVersion = pChunk->ReadValue(&version, afterMagic);
  if (afterVersion < 0) {
    *pPos = -1;
    return 0;
  }
  *pPos = afterVersion;
  return version;
}

// ---- Comparing a stored state -----------------------------------------------------------------

bool IPlugBase::CompareState(const unsigned char* data, int startIdx) {
  const int n = NParams();
  if (n == 0) return true;
  if (!data || startIdx < 0) return false;
  for (int i = 0; i < n; ++i) {
    double stored;
    memcpy(&stored, data + (static_cast<size_t>(startIdx) + i) * sizeof(double), sizeof(double));
    const float current = static_cast<float>(GetParam(i)->Value());
    // Both sides are rounded to single precision, but the difference and the
    // tolerance stay in double: 1e-5f lies below 1e-5, so a float comparison would
    // reject a difference of exactly 1e-5f. Written so that NaN counts as different.
    const double difference = static_cast<double>(current) - static_cast<double>(static_cast<float>(stored));
    if (!(std::fabs(difference) < 1e-5)) return false;
  }
  return true;
}
