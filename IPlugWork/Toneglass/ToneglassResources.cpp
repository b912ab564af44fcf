// A host loads Toneglass.so from wherever the user copied it (~/.vst, /usr/lib/vst, a
// build folder), usually as that single file: there is no bundle around it to hold
// images. So the knob image is compiled into the plug-in and found in memory first.
// Files stay possible as the fallback: resources/img/knob.png (or knob.png) in the
// folder that holds the .so, which is how the build folder is laid out too.
#include "ToneglassResources.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "IGraphicsResources.h"

extern const unsigned char kToneglassKnobPng[];
extern const size_t kToneglassKnobPng_size;

void GetToneglassBinaryFolder(char* buf, int size) {
  if (!buf || size < 1) return;
  buf[0] = 0;
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&GetToneglassBinaryFolder), &info) || !info.dli_fname) return;
  // The loader reports the path as it was given (possibly relative to a working
  // folder that can change later): made absolute here.
  char* path = realpath(info.dli_fname, nullptr);
  if (!path) return;
  const char* slash = strrchr(path, '/');
  const int len = slash ? static_cast<int>(slash - path) : -1;
  if (len >= 0 && len < size) {
    memcpy(buf, path, static_cast<size_t>(len));
    buf[len] = 0;
  }
  free(path);
}

void RegisterToneglassResources() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEmbeddedResource(kKnobBitmapId, kKnobBitmapName, kToneglassKnobPng, kToneglassKnobPng_size);
    WDL_String folder;
    GetResourceFolder(&folder);
    if (folder.GetLength() == 0) {
      char dir[4096];
      GetToneglassBinaryFolder(dir, sizeof(dir));
      if (dir[0]) SetResourceFolder(dir);
    }
  });
}
