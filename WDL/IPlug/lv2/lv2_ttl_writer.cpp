// Build step: loads a built LV2 plug-in binary the way a host does, makes one instance
// and has it write its bundle's Turtle files.
//   iplug_lv2_ttl PLUGIN.so BUNDLE_FOLDER [UI_BINARY_NAME]
#include <dlfcn.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "IPlugLV2Ports.h"

namespace {
std::map<std::string, LV2_URID> gURIDs;
LV2_URID Map(LV2_URID_Map_Handle, const char* uri) {
  auto it = gURIDs.find(uri);
  if (it != gURIDs.end()) return it->second;
  const LV2_URID id = static_cast<LV2_URID>(gURIDs.size() + 1);
  gURIDs[uri] = id;
  return id;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s PLUGIN.so BUNDLE_FOLDER [UI_BINARY_NAME]\n", argv[0]);
    return 2;
  }
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s: cannot load %s: %s\n", argv[0], argv[1], dlerror());
    return 1;
  }
  auto entry = reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(dlsym(lib, "lv2_descriptor"));
  const LV2_Descriptor* d = entry ? entry(0) : nullptr;
  if (!d) {
    fprintf(stderr, "%s: %s has no LV2 plug-in\n", argv[0], argv[1]);
    return 1;
  }
  LV2_URID_Map map = {nullptr, Map};
  const LV2_Feature mapFeature = {LV2_URID__map, &map};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  LV2_Handle h = d->instantiate(d, 48000.0, argv[2], features);
  const auto* writer = static_cast<const IPlugLV2TtlWriter*>(d->extension_data ? d->extension_data(IPLUG_LV2_TTL_WRITER_URI) : nullptr);
  if (!h || !writer) {
    fprintf(stderr, "%s: %s cannot describe itself\n", argv[0], argv[1]);
    return 1;
  }
  const char* slash = strrchr(argv[1], '/');
  const bool ok = writer->write(h, argv[2], slash ? slash + 1 : argv[1], argc > 3 ? argv[3] : nullptr);
  d->cleanup(h);
  if (!ok) {
    fprintf(stderr, "%s: cannot write the Turtle files into %s\n", argv[0], argv[2]);
    return 1;
  }
  return 0;
}
