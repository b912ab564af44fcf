// IPlugLV2State: the LV2 state interface for plug-ins whose state is more than their
// ports (those that keep their state in chunks). The host's save stores the framework's
// program chunk (the same bytes VST 2's effGetChunk gives for a program) under one key,
// as an atom:Chunk; restore reads it back through the plug-in's own UnserializeState.
//
// A plug-in without state chunks saves nothing and restores nothing: its ports are its
// state, and the host keeps those itself.
#ifndef IPLUG_LV2_STATE_H_
#define IPLUG_LV2_STATE_H_

#include <lv2/state/state.h>

// The key the chunk is stored under: the plug-in's URI with this suffix.
#define IPLUG_LV2_STATE_KEY_SUFFIX "#state"

class IPlugLV2Instance;

// [instantiation-thread] The two callbacks on one instance; for tests and the extension.
LV2_State_Status IPlugLV2SaveState(IPlugLV2Instance* instance, LV2_State_Store_Function store,
                                   LV2_State_Handle handle);
LV2_State_Status IPlugLV2RestoreState(IPlugLV2Instance* instance, LV2_State_Retrieve_Function retrieve,
                                      LV2_State_Handle handle);

// The state:interface extension data.
const LV2_State_Interface* IPlugLV2StateInterface();

#endif  // IPLUG_LV2_STATE_H_
