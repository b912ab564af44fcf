#include "plugin.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "host_callback.h"
#include "interrupt.h"

namespace vsthost {

namespace {

// Plug-ins copy names and display texts without a bound; this is far beyond any of them.
constexpr size_t kTextBufferSize = 4096;

std::string DlErrorText() {
  const char* text = dlerror();
  return text ? text : "unknown error";
}

}  // namespace

bool Plugin::Load(const std::string& path, std::string* error) {
  Unload();
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *error = "cannot load plug-in " + path + ": " + strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = "cannot load plug-in " + path + ": it is a directory";
    return false;
  }
  // A bare file name would make dlopen search the library path instead of this folder.
  const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
  dlerror();
  void* library = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    *error = "cannot load plug-in " + path + ": " + DlErrorText();
    return false;
  }
  void* entry = dlsym(library, "VSTPluginMain");
  if (!entry) entry = dlsym(library, "main");
  if (!entry) {
    *error = "cannot load plug-in " + path + ": it exports neither VSTPluginMain nor main";
    dlclose(library);
    return false;
  }
  VstPluginMainProc pluginMain = reinterpret_cast<VstPluginMainProc>(entry);
  AEffect* effect = nullptr;
  {
    PluginCallScope scope("its entry point", 0);
    effect = pluginMain(HostCallback);
  }
  if (!effect) {
    *error = "cannot load plug-in " + path + ": its entry point created no instance";
    dlclose(library);
    return false;
  }
  if (effect->magic != kEffectMagic || !effect->dispatcher) {
    // Not something we can close safely either; leave the object loaded rather than risk
    // unmapping code that may still be referenced.
    *error = "cannot load plug-in " + path + ": not a VST 2 plug-in (bad AEffect record)";
    return false;
  }
  mLibrary = library;
  mEffect = effect;
  mPath = path;
  Dispatch(effOpen);
  return true;
}

void Plugin::Unload() {
  if (mEffect) {
    if (mProcessing) SetProcessing(false);
    PluginCallScope scope("the dispatcher (effClose)", 0);
    mEffect->dispatcher(mEffect, effClose, 0, 0, nullptr, 0.0f);
    mEffect = nullptr;
  }
  if (mLibrary) {
    dlclose(mLibrary);
    mLibrary = nullptr;
  }
  mPath.clear();
}

VstIntPtr Plugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  return Query(opcode, index, value, ptr, opt);
}

VstIntPtr Plugin::Query(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const {
  if (!mEffect) return 0;
  PluginCallScope scope("the dispatcher", 0);
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

std::string Plugin::Text(VstInt32 opcode, VstInt32 index) const {
  std::vector<char> buffer(kTextBufferSize, '\0');
  Query(opcode, index, 0, buffer.data(), 0.0f);
  buffer.back() = '\0';
  return std::string(buffer.data());
}

std::string Plugin::ProgramName(int index) const {
  std::vector<char> buffer(kTextBufferSize, '\0');
  Query(effGetProgramNameIndexed, index, -1, buffer.data(), 0.0f);
  buffer.back() = '\0';
  return std::string(buffer.data());
}

float Plugin::GetParameter(int index) const {
  if (!mEffect || !mEffect->getParameter || index < 0 || index >= NumParams()) return 0.0f;
  PluginCallScope scope("getParameter", 0);
  return mEffect->getParameter(mEffect, index);
}

void Plugin::SetParameter(int index, float normalized) {
  if (!mEffect || !mEffect->setParameter || index < 0 || index >= NumParams()) return;
  PluginCallScope scope("setParameter", 0);
  mEffect->setParameter(mEffect, index, normalized);
}

void Plugin::SetProcessing(bool on) {
  if (!mEffect || on == mProcessing) return;
  if (on) {
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
  } else {
    Dispatch(effStopProcess);
    Dispatch(effMainsChanged, 0, 0);
  }
  mProcessing = on;
}

}  // namespace vsthost
