// Rendered glyphs of one font instance, kept as 8-bit coverage so that drawing the same text
// again only blends. Glyphs are keyed by glyph index, quarter-pixel horizontal offset and
// antialiasing; large glyphs are not kept. Use only under the FreeType mutex.
#ifndef SWELL_GLYPHCACHE_H_
#define SWELL_GLYPHCACHE_H_

#include <stdint.h>

struct SWELL_GlyphCache;

struct SWELL_CachedGlyph {
  int left, top;     // bitmap origin relative to the pen position and the baseline (y up)
  int width, rows;   // coverage is width * rows bytes, row by row from the top
  unsigned char* coverage;
};

enum {
  SWELL_GLYPH_SUBPIXEL_STEPS = 4,       // horizontal positions per pixel
  SWELL_GLYPHCACHE_MAX_ENTRIES = 1024,  // per font instance; the cache starts over beyond it
  SWELL_GLYPHCACHE_MAX_SIDE = 256,      // larger glyphs are rendered each time
};

SWELL_GlyphCache* SWELL_GlyphCacheCreate();
void SWELL_GlyphCacheDestroy(SWELL_GlyphCache* cache);

// The cached glyph, or null when it is not there.
const SWELL_CachedGlyph* SWELL_GlyphCacheFind(SWELL_GlyphCache* cache, uint32_t glyph, int subpixel, bool antialias);

// Stores a copy of an 8-bit coverage bitmap (null when it is too large or memory runs out).
const SWELL_CachedGlyph* SWELL_GlyphCacheAdd(SWELL_GlyphCache* cache, uint32_t glyph, int subpixel, bool antialias,
                                             const SWELL_CachedGlyph& rendered);

int SWELL_GlyphCacheSize(const SWELL_GlyphCache* cache);

#endif  // SWELL_GLYPHCACHE_H_
