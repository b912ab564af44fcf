#include "swell-gdi-internalpool.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "mutex.h"

namespace {

// Made on first use and never destroyed, so that a context deleted by another static
// destructor after ours still finds a working lock.
WDL_Mutex* PoolMutex() {
  static WDL_Mutex* m = new WDL_Mutex;
  return m;
}

HDC__* sFreeContexts;
int sFreeContextCount;
HGDIOBJ__* sFreeObjects;
int sFreeObjectCount;
HDC__* sLiveContexts;  // every context handed out and not yet deleted

// Both with the pool mutex held.
void LinkLive(HDC__* ctx) {
  ctx->_liveprev = nullptr;
  ctx->_livenext = sLiveContexts;
  if (sLiveContexts) sLiveContexts->_liveprev = ctx;
  sLiveContexts = ctx;
}

void UnlinkLive(HDC__* ctx) {
  if (ctx->_liveprev)
    ctx->_liveprev->_livenext = ctx->_livenext;
  else if (sLiveContexts == ctx)
    sLiveContexts = ctx->_livenext;
  if (ctx->_livenext) ctx->_livenext->_liveprev = ctx->_liveprev;
  ctx->_liveprev = ctx->_livenext = nullptr;
}

struct FreeListsAtUnload {
  ~FreeListsAtUnload() { SWELL_GDP_EmptyFreeLists(); }
} sFreeListsAtUnload;

}  // namespace

HDC__* SWELL_GDP_CTX_NEW() {
  HDC__* ctx = nullptr;
  {
    WDL_MutexLock lock(PoolMutex());
    if (sFreeContexts) {
      ctx = sFreeContexts;
      sFreeContexts = ctx->_next;
      sFreeContextCount--;
    }
  }
  if (ctx)
    memset(ctx, 0, sizeof(*ctx));
  else
    ctx = static_cast<HDC__*>(calloc(1, sizeof(HDC__)));
  if (ctx) {
    WDL_MutexLock lock(PoolMutex());
    LinkLive(ctx);
  }
  return ctx;
}

void SWELL_GDP_CTX_DELETE(HDC__* ctx) {
  if (!ctx || ctx->_infreelist) return;
  {
    WDL_MutexLock lock(PoolMutex());
    UnlinkLive(ctx);
    memset(ctx, 0, sizeof(*ctx));
    ctx->_infreelist = 1;
    if (sFreeContextCount < SWELL_GDP_MAX_FREE_CONTEXTS) {
      ctx->_next = sFreeContexts;
      sFreeContexts = ctx;
      sFreeContextCount++;
      return;
    }
  }
  free(ctx);
}

HGDIOBJ__* GDP_OBJECT_NEW() {
  HGDIOBJ__* obj = nullptr;
  {
    WDL_MutexLock lock(PoolMutex());
    if (sFreeObjects) {
      obj = sFreeObjects;
      sFreeObjects = obj->_next;
      sFreeObjectCount--;
    }
  }
  if (obj) {
    memset(obj, 0, sizeof(*obj));
    return obj;
  }
  return static_cast<HGDIOBJ__*>(calloc(1, sizeof(HGDIOBJ__)));
}

WDL_Mutex* SWELL_GDP_PoolMutex() { return PoolMutex(); }

void GDP_OBJECT_DELETE(HGDIOBJ__* obj) {
  if (!HGDIOBJ_VALID(obj)) return;
  {
    WDL_MutexLock lock(PoolMutex());
    // A context must never draw with a record that is recycled or freed.
    for (HDC__* ctx = sLiveContexts; ctx; ctx = ctx->_livenext) {
      if (ctx->curpen == obj) ctx->curpen = nullptr;
      if (ctx->curbrush == obj) ctx->curbrush = nullptr;
      if (ctx->curfont == obj) ctx->curfont = nullptr;
    }
    memset(obj, 0, sizeof(*obj));
    obj->_infreelist = 1;
    if (sFreeObjectCount < SWELL_GDP_MAX_FREE_OBJECTS) {
      obj->_next = sFreeObjects;
      sFreeObjects = obj;
      sFreeObjectCount++;
      return;
    }
  }
  free(obj);
}

bool SWELL_IsMarkerHandle(const void* obj) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(obj);
  return v >= 1 && v <= 4;
}

bool HDC_VALID(const HDC__* ctx) { return ctx && !ctx->_infreelist; }

bool HGDIOBJ_VALID(const HGDIOBJ__* obj, int type) {
  if (!obj || SWELL_IsMarkerHandle(obj) || obj->_infreelist) return false;
  return type == 0 || obj->type == type;
}

int SWELL_GDP_FreeContextCount() {
  WDL_MutexLock lock(PoolMutex());
  return sFreeContextCount;
}

int SWELL_GDP_FreeObjectCount() {
  WDL_MutexLock lock(PoolMutex());
  return sFreeObjectCount;
}

void SWELL_GDP_EmptyFreeLists() {
  HDC__* contexts;
  HGDIOBJ__* objects;
  {
    WDL_MutexLock lock(PoolMutex());
    contexts = sFreeContexts;
    objects = sFreeObjects;
    sFreeContexts = nullptr;
    sFreeObjects = nullptr;
    sFreeContextCount = 0;
    sFreeObjectCount = 0;
  }
  while (contexts) {
    HDC__* next = contexts->_next;
    free(contexts);
    contexts = next;
  }
  while (objects) {
    HGDIOBJ__* next = objects->_next;
    free(objects);
    objects = next;
  }
}
