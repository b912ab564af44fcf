// The LV2 state extension over the framework's program chunk.
#include "IPlugLV2State.h"

#include <lv2/atom/atom.h>

#include <climits>
#include <string>

#include "IPlugBase.h"
#include "IPlugLV2.h"
#include "mutex.h"

namespace {

LV2_URID Map(LV2_URID_Map* map, const std::string& uri) { return map->map(map->handle, uri.c_str()); }

LV2_State_Status Save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*) {
  return IPlugLV2SaveState(static_cast<IPlugLV2Instance*>(h), store, handle);
}

LV2_State_Status Restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t,
                         const LV2_Feature* const*) {
  return IPlugLV2RestoreState(static_cast<IPlugLV2Instance*>(h), retrieve, handle);
}

const LV2_State_Interface kStateInterface = {Save, Restore};

}  // namespace

LV2_State_Status IPlugLV2SaveState(IPlugLV2Instance* instance, LV2_State_Store_Function store,
                                   LV2_State_Handle handle) {
  if (!instance || !store) return LV2_STATE_ERR_UNKNOWN;
  IPlugBase* plug = instance->Plug();
  if (!plug->DoesStateChunks()) return LV2_STATE_SUCCESS;
  LV2_URID_Map* map = instance->URIDMap();
  if (!map) return LV2_STATE_ERR_NO_FEATURE;
  ByteChunk chunk;
  {
    WDL_MutexLock lock(plug->GetMutex());
    IPlugBase::InitChunkWithIPlugVer(&chunk);
    if (!plug->SerializeState(&chunk) || chunk.Size() <= 0) return LV2_STATE_ERR_UNKNOWN;
  }
  // The bytes are the framework's own layout (native byte order), so not portable.
  return store(handle, Map(map, std::string(instance->PluginURI()) + IPLUG_LV2_STATE_KEY_SUFFIX), chunk.GetBytes(),
               static_cast<size_t>(chunk.Size()), Map(map, LV2_ATOM__Chunk), LV2_STATE_IS_POD);
}

LV2_State_Status IPlugLV2RestoreState(IPlugLV2Instance* instance, LV2_State_Retrieve_Function retrieve,
                                      LV2_State_Handle handle) {
  if (!instance || !retrieve) return LV2_STATE_ERR_UNKNOWN;
  IPlugBase* plug = instance->Plug();
  if (!plug->DoesStateChunks()) return LV2_STATE_SUCCESS;
  LV2_URID_Map* map = instance->URIDMap();
  if (!map) return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data =
      retrieve(handle, Map(map, std::string(instance->PluginURI()) + IPLUG_LV2_STATE_KEY_SUFFIX), &size, &type, &flags);
  // Saved before the plug-in kept a chunk, or by another version: the ports carry it.
  if (!data) return LV2_STATE_SUCCESS;
  if (type != Map(map, LV2_ATOM__Chunk)) return LV2_STATE_ERR_BAD_TYPE;
  if (size == 0 || size > static_cast<size_t>(INT_MAX)) return LV2_STATE_ERR_UNKNOWN;
  ByteChunk chunk;
  if (chunk.AppendBytes(data, static_cast<int>(size)) != static_cast<int>(size)) return LV2_STATE_ERR_UNKNOWN;
  WDL_MutexLock lock(plug->GetMutex());
  int pos = 0;
  IPlugBase::GetIPlugVerFromChunk(&chunk, &pos);
  // A chunk cut short or damaged is refused before any value changes.
  if (pos < 0 || plug->UnserializeState(&chunk, pos) < 0) return LV2_STATE_ERR_UNKNOWN;
  plug->ModifyCurrentPreset(nullptr);
  plug->RedrawParamControls();
  return LV2_STATE_SUCCESS;
}

const LV2_State_Interface* IPlugLV2StateInterface() { return &kStateInterface; }
