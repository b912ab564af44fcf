// The image resource lookup: the embedded table first, then files.
#include "IGraphicsResources.h"

#include <cstring>
#include <string>
#include <vector>

#include "mutex.h"

namespace {

struct EmbeddedResource {
  int id;
  std::string name;
  const void* data;
  size_t size;
};

struct ResourceRegistry {
  WDL_Mutex lock;
  std::string folder;
  std::vector<EmbeddedResource> embedded;
};

// Made on first use and never destroyed, so that registrations made by other static
// initialisers (or read by static destructors) find it alive.
ResourceRegistry& Registry() {
  static ResourceRegistry* r = new ResourceRegistry;
  return *r;
}

bool SameName(const std::string& a, const char* b) { return b && *b && a == b; }

LICE_IBitmap* LoadFile(const std::string& path) { return path.empty() ? nullptr : LICE_OpenPNG(path.c_str()); }

}  // namespace

void SetResourceFolder(const char* path) {
  ResourceRegistry& r = Registry();
  WDL_MutexLock lock(&r.lock);
  r.folder = path ? path : "";
}

void GetResourceFolder(WDL_String* pPath) {
  if (!pPath) return;
  ResourceRegistry& r = Registry();
  WDL_MutexLock lock(&r.lock);
  pPath->Set(r.folder.c_str());
}

bool RegisterEmbeddedResource(int id, const char* name, const void* data, size_t size) {
  if (!data || size == 0 || (id < 0 && !(name && *name))) return false;
  ResourceRegistry& r = Registry();
  WDL_MutexLock lock(&r.lock);
  UnregisterEmbeddedResource(id, name);  // the lock is recursive
  r.embedded.push_back(EmbeddedResource{id, name ? name : "", data, size});
  return true;
}

void UnregisterEmbeddedResource(int id, const char* name) {
  ResourceRegistry& r = Registry();
  WDL_MutexLock lock(&r.lock);
  for (size_t i = r.embedded.size(); i-- > 0;) {
    const EmbeddedResource& e = r.embedded[i];
    if ((id >= 0 && e.id == id) || SameName(e.name, name)) r.embedded.erase(r.embedded.begin() + long(i));
  }
}

LICE_IBitmap* LoadResourceBitmap(int id, const char* name) {
  ResourceRegistry& r = Registry();
  const void* data = nullptr;
  size_t size = 0;
  std::string folder;
  {
    WDL_MutexLock lock(&r.lock);
    for (const EmbeddedResource& e : r.embedded)
      if (id >= 0 && e.id == id) {
        data = e.data;
        size = e.size;
        break;
      }
    if (!data)
      for (const EmbeddedResource& e : r.embedded)
        if (SameName(e.name, name)) {
          data = e.data;
          size = e.size;
          break;
        }
    folder = r.folder;
  }
  // Opening happens outside the lock: the bytes are immutable and outlive it.
  if (data) return LICE_OpenPNGFromMemory(data, size);
  if (!name || !*name) return nullptr;

  if (name[0] == '/')
    if (LICE_IBitmap* bm = LoadFile(name)) return bm;
  if (folder.empty()) return nullptr;
  if (folder.back() != '/') folder += '/';
  if (name[0] != '/')
    if (LICE_IBitmap* bm = LoadFile(folder + name)) return bm;
  const char* base = strrchr(name, '/');
  if (base && base[1]) return LoadFile(folder + (base + 1));
  return nullptr;
}
