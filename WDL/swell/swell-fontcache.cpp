#include "swell-fontcache.h"

#include <fontconfig/fontconfig.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <unordered_map>

#include "ptrlist.h"
#include "swell-glyphcache.h"
#include "swell-utf8.h"

namespace {

// ---- Font-name cache -----------------------------------------------------------------

struct FontNameEntry {
  char* name;  // requested name, the sort key
  char* file;  // resolved font file; empty when resolution failed
  int faceIndex;
};

WDL_Mutex* NameMutex() {
  static WDL_Mutex* m = new WDL_Mutex;
  return m;
}

WDL_PtrList<FontNameEntry>* sNames;  // sorted by strcmp of name
FontNameEntry sDefaultEntry;         // the empty name, which is not a cache key
// Our own configuration rather than the process default: a host that uses fontconfig
// itself keeps its configuration when we release ours at unload.
FcConfig* sFontconfig;

// Index of name in the sorted list, or -(insertion point + 1).
int FindName(const char* name) {
  int lo = 0, hi = sNames ? sNames->GetSize() - 1 : -1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = strcmp(sNames->Get(mid)->name, name);
    if (c == 0) return mid;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return -(lo + 1);
}

bool IsWellFormedUTF8(const char* s) {
  const size_t n = strlen(s);
  return n <= 1u << 20 && SWELL_DecodeUTF8(s, static_cast<int>(n), nullptr, 0) >= 0;
}

bool StripSuffix(char* s, const char* suffix) {
  const size_t n = strlen(s), k = strlen(suffix);
  if (n < k || strcmp(s + n - k, suffix) != 0) return false;
  s[n - k] = 0;
  return true;
}

// Asks fontconfig for the installed file that best matches the name; fontconfig always
// answers with some face when any is installed ("Verdana" becomes the configured sans).
bool MatchWithFontconfig(const char* requestedName, char** file, int* faceIndex) {
  if (!sFontconfig) {
    sFontconfig = FcInitLoadConfigAndFonts();
    if (!sFontconfig) return false;
  }
  // A name that is not text (not well-formed UTF-8) is no name at all: the default face,
  // without the styles its suffixes ask for.
  if (!requestedName || !IsWellFormedUTF8(requestedName)) requestedName = "";
  char* family = strdup(requestedName);
  if (!family) return false;
  const bool italic = StripSuffix(family, " Italic");
  const bool bold = StripSuffix(family, " Bold");

  bool ok = false;
  FcPattern* pat = FcPatternCreate();
  if (pat) {
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family[0] ? family : "sans-serif"));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(sFontconfig, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(sFontconfig, pat, &result);
    if (match) {
      FcChar8* path = nullptr;
      int index = 0;
      if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path && path[0]) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        *file = strdup(reinterpret_cast<const char*>(path));
        *faceIndex = index;
        ok = *file != nullptr;
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pat);
  }
  free(family);
  return ok;
}

}  // namespace

// ---- Face and size cache -------------------------------------------------------------

struct SWELL_FaceEntry {
  char* file;
  int faceIndex;
  FT_Face face;  // null when the file could not be loaded (not retried)
  WDL_PtrList<SWELL_FontInstance> sizes;
  FcFontSet* fallbackOrder;  // fontconfig's faces for this one, best first; null until asked
  bool fallbackOrderDone;    // asked already (the answer may have been null)
};

struct SWELL_CharFallbacks {
  struct Answer {
    SWELL_FontInstance* font;  // null: no installed face has the character
    FT_UInt glyph;
  };
  std::unordered_map<uint32_t, Answer> byChar;
};

namespace {

using FaceEntry = SWELL_FaceEntry;

FT_Library sLibrary;
bool sLibraryFailed;
unsigned sGeneration = 1;  // bumped by every shutdown
WDL_PtrList<FaceEntry>* sFaces;
SWELL_FontInstance* sFallback;

FaceEntry* FindOrOpenFace(const char* file, int faceIndex) {
  if (!sLibrary) {
    if (sLibraryFailed) return nullptr;
    if (FT_Init_FreeType(&sLibrary) != 0) {
      sLibrary = nullptr;
      sLibraryFailed = true;
      return nullptr;
    }
  }
  if (!sFaces) sFaces = new WDL_PtrList<FaceEntry>;
  for (int i = 0; i < sFaces->GetSize(); i++) {
    FaceEntry* e = sFaces->Get(i);
    if (e->faceIndex == faceIndex && strcmp(e->file, file) == 0) return e;
  }
  FaceEntry* e = new FaceEntry;
  e->file = strdup(file);
  e->faceIndex = faceIndex;
  e->face = nullptr;
  e->fallbackOrder = nullptr;
  e->fallbackOrderDone = false;
  if (!e->file || FT_New_Face(sLibrary, file, faceIndex, &e->face) != 0) e->face = nullptr;
  if (e->face && !FT_IS_SCALABLE(e->face) && e->face->num_fixed_sizes < 1) {
    FT_Done_Face(e->face);
    e->face = nullptr;
  }
  sFaces->Add(e);
  return e;
}

void ComputeMetrics(SWELL_FontInstance* inst) {
  FT_Face face = inst->face;
  SWELL_FontMetrics& m = inst->metrics;
  if (FT_IS_SCALABLE(face) && face->units_per_EM > 0) {
    // Unrounded design metrics, so measurements scale smoothly with the size.
    const float scale = inst->pixelSize / static_cast<float>(face->units_per_EM);
    m.ascent = face->ascender * scale;
    m.descent = -face->descender * scale;
    m.leading = face->height * scale - m.ascent - m.descent;
    m.maxAdvance = face->max_advance_width * scale;
  } else {
    const FT_Size_Metrics& sm = face->size->metrics;
    m.ascent = sm.ascender / 64.0f;
    m.descent = -sm.descender / 64.0f;
    m.leading = sm.height / 64.0f - m.ascent - m.descent;
    m.maxAdvance = sm.max_advance / 64.0f;
  }
  if (m.descent < 0) m.descent = 0;
  if (m.leading < 0) m.leading = 0;
}

SWELL_FontInstance* FindOrMakeSize(FaceEntry* e, float pixelSize) {
  if (!e || !e->face) return nullptr;
  for (int i = 0; i < e->sizes.GetSize(); i++) {
    SWELL_FontInstance* inst = e->sizes.Get(i);
    if (inst->pixelSize == pixelSize) return inst;
  }
  FT_Size size = nullptr;
  if (FT_New_Size(e->face, &size) != 0) return nullptr;
  FT_Activate_Size(size);
  FT_Error err;
  if (FT_IS_SCALABLE(e->face)) {
    err = FT_Set_Char_Size(e->face, 0, static_cast<FT_F26Dot6>(lroundf(pixelSize * 64.0f)), 72, 72);
  } else {
    int best = 0;  // the fixed size nearest the request
    for (int i = 1; i < e->face->num_fixed_sizes; i++) {
      if (fabsf(e->face->available_sizes[i].height - pixelSize) <
          fabsf(e->face->available_sizes[best].height - pixelSize))
        best = i;
    }
    err = FT_Select_Size(e->face, best);
  }
  if (err != 0) {
    FT_Done_Size(size);
    return nullptr;
  }
  SWELL_FontInstance* inst = new SWELL_FontInstance;
  inst->face = e->face;
  inst->size = size;
  inst->pixelSize = pixelSize;
  inst->glyphs = SWELL_GlyphCacheCreate();
  inst->entry = e;
  inst->fallbacks = nullptr;
  ComputeMetrics(inst);
  e->sizes.Add(inst);
  return inst;
}

// ---- Fallback faces ------------------------------------------------------------------

// Characters remembered per instance before the table starts over; ordinary text uses a
// few hundred at most.
constexpr size_t kMaxRememberedChars = 4096;
int sFallbackSearches;

// fontconfig's faces for this face's family and style, best first, trimmed to those that
// add characters. Takes the name mutex (always after the FreeType mutex).
FcFontSet* SortFallbacks(FT_Face face) {
  WDL_MutexLock lock(NameMutex());
  if (!sFontconfig) {
    sFontconfig = FcInitLoadConfigAndFonts();
    if (!sFontconfig) return nullptr;
  }
  FcPattern* pat = FcPatternCreate();
  if (!pat) return nullptr;
  if (face->family_name) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(face->family_name));
  FcPatternAddInteger(pat, FC_WEIGHT, (face->style_flags & FT_STYLE_FLAG_BOLD) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, (face->style_flags & FT_STYLE_FLAG_ITALIC) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(sFontconfig, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(sFontconfig, pat, FcTrue, nullptr, &result);
  FcPatternDestroy(pat);
  return set;
}

SWELL_FontInstance* SearchFallback(SWELL_FontInstance* font, uint32_t cp, FT_UInt* glyph) {
  sFallbackSearches++;
  FaceEntry* own = font->entry;
  if (!own) return nullptr;
  if (!own->fallbackOrderDone) {
    own->fallbackOrder = SortFallbacks(font->face);
    own->fallbackOrderDone = true;
  }
  FcFontSet* set = own->fallbackOrder;
  for (int i = 0; set && i < set->nfont; i++) {
    FcPattern* p = set->fonts[i];
    FcCharSet* chars = nullptr;
    FcChar8* path = nullptr;
    int index = 0;
    if (FcPatternGetCharSet(p, FC_CHARSET, 0, &chars) != FcResultMatch || !FcCharSetHasChar(chars, cp)) continue;
    if (FcPatternGetString(p, FC_FILE, 0, &path) != FcResultMatch || !path || !path[0]) continue;
    if (FcPatternGetInteger(p, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    FaceEntry* e = FindOrOpenFace(reinterpret_cast<const char*>(path), index);
    if (!e || !e->face || e == own) continue;
    const FT_UInt g = FT_Get_Char_Index(e->face, cp);
    if (!g) continue;  // the character set promised more than the face holds
    SWELL_FontInstance* inst = FindOrMakeSize(e, font->pixelSize);
    if (!inst) continue;
    *glyph = g;
    return inst;
  }
  return nullptr;
}

struct FontCacheAtUnload {
  ~FontCacheAtUnload() { SWELL_FontCacheShutdown(); }
} sFontCacheAtUnload;

}  // namespace

WDL_Mutex* SWELL_FontLock() {
  static WDL_Mutex* m = new WDL_Mutex;
  return m;
}

bool SWELL_ResolveFontName(const char* requestedName, char* file, int fileSize, int* faceIndex) {
  if (!file || fileSize < 1) return false;
  file[0] = 0;
  if (!requestedName) requestedName = "";
  WDL_MutexLock lock(NameMutex());

  FontNameEntry* entry = nullptr;
  if (requestedName[0]) {
    if (!sNames) sNames = new WDL_PtrList<FontNameEntry>;
    const int at = FindName(requestedName);
    if (at >= 0) {
      entry = sNames->Get(at);
    } else {
      entry = static_cast<FontNameEntry*>(calloc(1, sizeof(FontNameEntry)));
      if (entry) entry->name = strdup(requestedName);
      if (!entry || !entry->name || !sNames->Insert(-at - 1, entry)) {
        if (entry) free(entry->name);
        free(entry);
        entry = nullptr;
      }
    }
  }

  if (!entry) entry = &sDefaultEntry;
  if (!entry->file || !entry->file[0]) {
    char* resolved = nullptr;
    int index = 0;
    if (MatchWithFontconfig(requestedName, &resolved, &index)) {
      free(entry->file);
      entry->file = resolved;
      entry->faceIndex = index;
    }
  }
  if (!entry->file || !entry->file[0]) return false;
  const size_t n = strlen(entry->file);
  if (n >= static_cast<size_t>(fileSize)) return false;
  memcpy(file, entry->file, n + 1);
  if (faceIndex) *faceIndex = entry->faceIndex;
  return true;
}

SWELL_FontInstance* SWELL_GetFontInstance(const char* requestedName, float pixelSize) {
  if (!(pixelSize >= 1.0f)) pixelSize = 1.0f;  // also catches NaN
  if (pixelSize > 8192.0f) pixelSize = 8192.0f;
  char file[4096];
  int faceIndex = 0;
  if (!SWELL_ResolveFontName(requestedName, file, sizeof(file), &faceIndex)) return nullptr;
  WDL_MutexLock lock(SWELL_FontLock());
  return FindOrMakeSize(FindOrOpenFace(file, faceIndex), pixelSize);
}

SWELL_FontInstance* SWELL_GetFallbackFont() {
  WDL_MutexLock lock(SWELL_FontLock());
  if (!sFallback) sFallback = SWELL_GetFontInstance("", 10.0f);
  return sFallback;
}

SWELL_FontInstance* SWELL_FontForChar(SWELL_FontInstance* font, uint32_t cp, FT_UInt* glyph) {
  *glyph = 0;
  if (!font) return nullptr;
  const FT_UInt own = FT_Get_Char_Index(font->face, cp);
  if (own || cp < 0x20) {
    *glyph = own;
    return font;
  }
  WDL_MutexLock lock(SWELL_FontLock());
  if (!font->fallbacks) font->fallbacks = new SWELL_CharFallbacks;
  auto& known = font->fallbacks->byChar;
  auto it = known.find(cp);
  SWELL_FontInstance* inst;
  if (it != known.end()) {
    inst = it->second.font;
    *glyph = it->second.glyph;
  } else {
    inst = SearchFallback(font, cp, glyph);
    if (known.size() >= kMaxRememberedChars) known.clear();
    known.emplace(cp, SWELL_CharFallbacks::Answer{inst, inst ? *glyph : 0});
  }
  if (!inst || !*glyph) {
    *glyph = 0;
    return font;
  }
  return inst;
}

int SWELL_FallbackSearchCount() {
  WDL_MutexLock lock(SWELL_FontLock());
  return sFallbackSearches;
}

bool SWELL_FontNameCacheContains(const char* requestedName) {
  if (!requestedName) return false;
  WDL_MutexLock lock(NameMutex());
  return sNames && FindName(requestedName) >= 0;
}

int SWELL_FontNameCacheSize() {
  WDL_MutexLock lock(NameMutex());
  return sNames ? sNames->GetSize() : 0;
}

int SWELL_OpenFontFileCount() {
  WDL_MutexLock lock(SWELL_FontLock());
  int n = 0;
  for (int i = 0; sFaces && i < sFaces->GetSize(); i++) n += sFaces->Get(i)->face != nullptr;
  return n;
}

unsigned SWELL_FontCacheGeneration() {
  WDL_MutexLock lock(SWELL_FontLock());
  return sGeneration;
}

void SWELL_FontCacheShutdown() {
  {
    WDL_MutexLock lock(SWELL_FontLock());
    sGeneration++;
    if (!sGeneration) sGeneration = 1;
    sFallback = nullptr;
    if (sFaces) {
      for (int i = 0; i < sFaces->GetSize(); i++) {
        FaceEntry* e = sFaces->Get(i);
        for (int k = 0; k < e->sizes.GetSize(); k++) {
          SWELL_GlyphCacheDestroy(e->sizes.Get(k)->glyphs);
          delete e->sizes.Get(k)->fallbacks;
        }
        if (e->fallbackOrder) FcFontSetDestroy(e->fallbackOrder);
        e->sizes.Empty(true);  // FT_Done_Face below releases the FT_Size objects
        if (e->face) FT_Done_Face(e->face);
        free(e->file);
      }
      sFaces->Empty(true);
      delete sFaces;
      sFaces = nullptr;
    }
    if (sLibrary) FT_Done_FreeType(sLibrary);
    sLibrary = nullptr;
    sLibraryFailed = false;  // a later use starts over
  }
  WDL_MutexLock lock(NameMutex());
  if (sNames) {
    for (int i = 0; i < sNames->GetSize(); i++) {
      FontNameEntry* e = sNames->Get(i);
      free(e->name);
      free(e->file);
      free(e);
    }
    sNames->Empty(false);
    delete sNames;
    sNames = nullptr;
  }
  free(sDefaultEntry.file);
  sDefaultEntry.file = nullptr;
  sDefaultEntry.faceIndex = 0;
  if (sFontconfig) FcConfigDestroy(sFontconfig);
  sFontconfig = nullptr;
}
