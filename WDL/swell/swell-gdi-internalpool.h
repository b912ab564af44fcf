// Record pools of the drawing layer: deleted contexts and objects wait on free lists
// (at most 100 contexts and 200 objects) to be cleared and reused, which keeps
// allocation out of steady-state drawing. One recursive mutex guards both lists.
#ifndef SWELL_GDI_INTERNALPOOL_H_
#define SWELL_GDI_INTERNALPOOL_H_

#include "mutex.h"
#include "swell-gdi.h"

enum {
  SWELL_GDP_MAX_FREE_CONTEXTS = 100,
  SWELL_GDP_MAX_FREE_OBJECTS = 200,
};

// A cleared context record, from the free list or newly allocated; null when out of memory.
HDC__* SWELL_GDP_CTX_NEW();
// Marks the record deleted and puts it on the free list, or frees it when the list is full.
// The caller has released what the record owns.
void SWELL_GDP_CTX_DELETE(HDC__* ctx);

// A cleared object record; null when out of memory.
HGDIOBJ__* GDP_OBJECT_NEW();
void GDP_OBJECT_DELETE(HGDIOBJ__* obj);

// True for a non-null context that has not been deleted.
bool HDC_VALID(const HDC__* ctx);
// True for a real object (not null, not a marker 1..4, not deleted) of the given kind,
// or of any kind when type is 0.
bool HGDIOBJ_VALID(const HGDIOBJ__* obj, int type = 0);
// True for handle values 1..4 (markers, not objects).
bool SWELL_IsMarkerHandle(const void* obj);

// The pools' lock. Deleting an object clears it from every live context's selection,
// so selecting into a context takes this lock too (contexts live on several threads).
WDL_Mutex* SWELL_GDP_PoolMutex();

// Records currently waiting on each free list (for tests and diagnostics).
int SWELL_GDP_FreeContextCount();
int SWELL_GDP_FreeObjectCount();

// Frees every record on both free lists (also done when the code is unloaded).
void SWELL_GDP_EmptyFreeLists();

#endif  // SWELL_GDI_INTERNALPOOL_H_
