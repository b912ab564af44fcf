// Process-wide font cache of the drawing layer on fontconfig and FreeType.
//  - Font-name cache: requested face name (with its " Bold" / " Italic" suffixes) to the font
//    file fontconfig resolved for it; a sorted array searched by bisection, own recursive mutex.
//  - Face cache: one FT_Face per font file and face index, so no file is opened twice, and one
//    FT_Size per face and pixel size. The FreeType library handle and every face are used only
//    under the FreeType mutex (SWELL_FontLock).
//  - Fallback faces: for characters a face lacks, fontconfig's sorted list of faces for it,
//    with each face's character set, made once per face; the answer per character is cached.
// Everything is freed when the code is unloaded.
#ifndef SWELL_FONTCACHE_H_
#define SWELL_FONTCACHE_H_

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H

#include <stdint.h>

#include "mutex.h"

struct SWELL_FontMetrics {
  float ascent;   // pixels above the baseline
  float descent;  // pixels below the baseline (positive)
  float leading;  // extra line gap (>= 0)
  float maxAdvance;
};

struct SWELL_GlyphCache;
struct SWELL_FaceEntry;
struct SWELL_CharFallbacks;

struct SWELL_FontInstance {
  FT_Face face;  // shared by every size of the same file
  FT_Size size;  // this instance's size object; activate it before using the face
  float pixelSize;
  SWELL_FontMetrics metrics;
  SWELL_GlyphCache* glyphs;  // rendered glyphs of this size
  SWELL_FaceEntry* entry;    // the cached file this face came from
  SWELL_CharFallbacks* fallbacks;  // characters this face lacks: who draws them (lazily made)
};

// The FreeType mutex: hold it around any use of an instance's face.
WDL_Mutex* SWELL_FontLock();

// The font for a requested name ("" or null: the default sans face) at a pixel size; cached,
// never freed before unload. Null when no font file can be found or loaded. pixelSize is
// clamped to 1..8192.
SWELL_FontInstance* SWELL_GetFontInstance(const char* requestedName, float pixelSize);

// The default sans face at 10 pixels, made once and kept; null when no font can be loaded.
SWELL_FontInstance* SWELL_GetFallbackFont();

// Looks the requested name up in the font-name cache (resolving it with fontconfig on a miss)
// and copies the resolved file into file. False when nothing could be resolved.
bool SWELL_ResolveFontName(const char* requestedName, char* file, int fileSize, int* faceIndex);

// The instance whose face draws the character cp at font's size, and its glyph index:
// font itself when its face has the character; otherwise the first face, in fontconfig's
// fallback order for font's face, that has it (searched once per instance and character,
// then cached); font itself with glyph 0, its missing-character box, when no installed face
// has it. Call under the FreeType mutex; activate the result's size before using its face.
SWELL_FontInstance* SWELL_FontForChar(SWELL_FontInstance* font, uint32_t cp, FT_UInt* glyph);

// For tests and diagnostics.
int SWELL_FallbackSearchCount();  // searches of a fallback list so far
bool SWELL_FontNameCacheContains(const char* requestedName);
int SWELL_FontNameCacheSize();
int SWELL_OpenFontFileCount();  // FT_Face objects opened so far and still cached

// Frees every instance, face, name entry (the default face's too) and the FreeType library
// (also done at unload). Later calls start the cache over; instances handed out before are
// gone, which the generation below tells.
void SWELL_FontCacheShutdown();

// Changes with every shutdown: an instance obtained under another generation is freed.
unsigned SWELL_FontCacheGeneration();

#endif  // SWELL_FONTCACHE_H_
