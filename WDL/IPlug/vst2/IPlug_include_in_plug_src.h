// The exported VST 2 entry points. Included by exactly one source file of the plug-in's
// shared object, after that file has defined PLUG_CLASS_NAME as the plug-in class (a
// subclass of IPlugVST constructible from an IPlugInstanceInfo).
//
// The shared object exports these two names and nothing else:
// - VSTPluginMain(host callback): creates one instance and returns its AEffect;
// - main(host callback): the same, under the name older hosts look for.
// Programs that link the plug-in class directly (tests) define IPLUG_NO_MAIN_ALIAS, so
// that "main" stays theirs.
#ifndef IPLUG_INCLUDE_IN_PLUG_SRC_H_
#define IPLUG_INCLUDE_IN_PLUG_SRC_H_

#include <cstdint>
#include <new>

#include "IPlugVST.h"
#include "mutex.h"

#ifndef PLUG_CLASS_NAME
#error "Define PLUG_CLASS_NAME as the plug-in class before including IPlug_include_in_plug_src.h"
#endif

#define IPLUG_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Serialises instance creation across the process. Created on first use; destroyed when
// the shared object is unloaded.
WDL_Mutex& InstanceCreationLock() {
  static WDL_Mutex sLock;
  return sLock;
}

}  // namespace

// Returns the new instance's AEffect, or null when the instance could not be made (the
// host then reports that the plug-in failed to load; no exception reaches the host).
IPLUG_EXPORT AEffect* VSTPluginMain(audioMasterCallback hostCallback) {
  WDL_MutexLock lock(&InstanceCreationLock());
  IPlugInstanceInfo instanceInfo;
  instanceInfo.mVSTHostCallback = hostCallback;
  PLUG_CLASS_NAME* plug = nullptr;
  try {
    plug = new PLUG_CLASS_NAME(instanceInfo);
  } catch (...) {
    return nullptr;
  }
  plug->EnsureDefaultPreset();
  AEffect* pEffect = plug->GetAEffect();
  if (pEffect->numPrograms < 1) pEffect->numPrograms = 1;
  return pEffect;
}

#ifndef IPLUG_NO_MAIN_ALIAS
// Hosts that look for "main" pass the same pointer-sized host callback as for
// VSTPluginMain. Taking it as a 32-bit int would cut the upper half of a 64-bit
// address, so the full pointer is taken.
IPLUG_EXPORT AEffect* IPlugVSTMainEntry(audioMasterCallback hostCallback) __asm__("main");
IPLUG_EXPORT AEffect* IPlugVSTMainEntry(audioMasterCallback hostCallback) {
  return VSTPluginMain(hostCallback);
}
#endif

#undef IPLUG_EXPORT

#endif  // IPLUG_INCLUDE_IN_PLUG_SRC_H_
