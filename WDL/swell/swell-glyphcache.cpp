#include "swell-glyphcache.h"

#include <stdlib.h>
#include <string.h>

#include "heapbuf.h"

namespace {

struct Entry {
  uint64_t key;
  SWELL_CachedGlyph* glyph;  // one allocation: the record followed by its coverage bytes
};

uint64_t KeyOf(uint32_t glyph, int subpixel, bool antialias) {
  return (static_cast<uint64_t>(glyph) << 8) | (static_cast<uint64_t>(subpixel & 0x7f) << 1) | (antialias ? 1 : 0);
}

}  // namespace

struct SWELL_GlyphCache {
  WDL_TypedBuf<Entry> entries{64 * sizeof(Entry)};  // sorted by key

  // Index of key, or -(insertion point + 1).
  int Find(uint64_t key) const {
    const Entry* e = entries.Get();
    int lo = 0, hi = entries.GetSize() - 1;
    while (lo <= hi) {
      const int mid = lo + (hi - lo) / 2;
      if (e[mid].key == key) return mid;
      if (e[mid].key < key)
        lo = mid + 1;
      else
        hi = mid - 1;
    }
    return -(lo + 1);
  }

  void Clear() {
    for (int i = 0; i < entries.GetSize(); i++) free(entries.Get()[i].glyph);
    entries.Resize(0);
  }
};

SWELL_GlyphCache* SWELL_GlyphCacheCreate() { return new SWELL_GlyphCache; }

void SWELL_GlyphCacheDestroy(SWELL_GlyphCache* cache) {
  if (!cache) return;
  cache->Clear();
  delete cache;
}

const SWELL_CachedGlyph* SWELL_GlyphCacheFind(SWELL_GlyphCache* cache, uint32_t glyph, int subpixel, bool antialias) {
  if (!cache) return nullptr;
  const int at = cache->Find(KeyOf(glyph, subpixel, antialias));
  return at >= 0 ? cache->entries.Get()[at].glyph : nullptr;
}

const SWELL_CachedGlyph* SWELL_GlyphCacheAdd(SWELL_GlyphCache* cache, uint32_t glyph, int subpixel, bool antialias,
                                             const SWELL_CachedGlyph& rendered) {
  if (!cache || rendered.width < 0 || rendered.rows < 0 || rendered.width > SWELL_GLYPHCACHE_MAX_SIDE ||
      rendered.rows > SWELL_GLYPHCACHE_MAX_SIDE)
    return nullptr;
  const uint64_t key = KeyOf(glyph, subpixel, antialias);
  int at = cache->Find(key);
  if (at >= 0) return cache->entries.Get()[at].glyph;
  if (cache->entries.GetSize() >= SWELL_GLYPHCACHE_MAX_ENTRIES) {
    cache->Clear();
    at = -1;
  }
  const size_t bytes = static_cast<size_t>(rendered.width) * static_cast<size_t>(rendered.rows);
  SWELL_CachedGlyph* g = static_cast<SWELL_CachedGlyph*>(malloc(sizeof(SWELL_CachedGlyph) + bytes));
  if (!g) return nullptr;
  *g = rendered;
  g->coverage = reinterpret_cast<unsigned char*>(g + 1);
  if (bytes) memcpy(g->coverage, rendered.coverage, bytes);
  const int index = -at - 1;
  const int n = cache->entries.GetSize();
  if (!cache->entries.Resize(n + 1) || cache->entries.GetSize() != n + 1) {
    free(g);
    return nullptr;
  }
  Entry* e = cache->entries.Get();
  memmove(e + index + 1, e + index, static_cast<size_t>(n - index) * sizeof(Entry));
  e[index].key = key;
  e[index].glyph = g;
  return g;
}

int SWELL_GlyphCacheSize(const SWELL_GlyphCache* cache) { return cache ? cache->entries.GetSize() : 0; }
