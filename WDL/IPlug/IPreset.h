// IPreset: one preset slot of a plug-in: whether it holds a state, its name, and the
// state itself as written by the plug-in's SerializeState.
#ifndef IPLUG_IPRESET_H_
#define IPLUG_IPRESET_H_

#include <cstdio>

#include "ByteChunk.h"
#include "IPlugStructs.h"

struct IPreset {
  bool mInitialized = false;
  char mName[MAX_PRESET_NAME_LEN];
  ByteChunk mChunk;

  IPreset() { mName[0] = 0; }
  // An empty slot named after its index: "empty 0", "empty 1", ...
  explicit IPreset(int idx) { snprintf(mName, sizeof(mName), "%s %d", "empty", idx); }

  // Names come from hosts and files: the copy is cut to fit. Null clears the name.
  void SetName(const char* name) { CopyTextTruncated(mName, name, static_cast<int>(sizeof(mName))); }
};

#endif  // IPLUG_IPRESET_H_
