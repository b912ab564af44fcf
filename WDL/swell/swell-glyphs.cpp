#include "swell-glyphs.h"

#include <math.h>
#include <string.h>

#include FT_OUTLINE_H
#include FT_ADVANCES_H

#include "heapbuf.h"
#include "swell-glyphcache.h"

namespace {

struct Rgb {
  int red, green, blue;
};

Rgb ToBytes(const SWELL_Color* c) {
  auto byte = [](float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<int>(v * 255.0f + 0.5f);
  };
  return {byte(c->red), byte(c->green), byte(c->blue)};
}

bool IsInvisibleControl(uint32_t cp) { return cp < 0x20 || cp == 0x7f; }

// Advance in pixels as laid out: unhinted, so measuring and drawing agree at every size.
float GlyphAdvance(FT_Face face, FT_UInt glyph) {
  FT_Fixed adv = 0;
  if (FT_Get_Advance(face, glyph, FT_LOAD_NO_HINTING, &adv) != 0) return 0.0f;
  return adv / 65536.0f;
}

float Kerning(FT_Face face, FT_UInt left, FT_UInt right) {
  if (!left || !right || !FT_HAS_KERNING(face)) return 0.0f;
  FT_Vector k;
  if (FT_Get_Kerning(face, left, right, FT_KERNING_UNFITTED, &k) != 0) return 0.0f;
  return k.x / 64.0f;
}

inline void BlendPixel(unsigned char* px, const Rgb& c, int coverage) {
  if (coverage <= 0) return;
  if (coverage >= 255) {
    px[1] = static_cast<unsigned char>(c.red);
    px[2] = static_cast<unsigned char>(c.green);
    px[3] = static_cast<unsigned char>(c.blue);
  } else {
    px[1] = static_cast<unsigned char>(px[1] + ((c.red - px[1]) * coverage + (c.red >= px[1] ? 127 : -127)) / 255);
    px[2] = static_cast<unsigned char>(px[2] + ((c.green - px[2]) * coverage + (c.green >= px[2] ? 127 : -127)) / 255);
    px[3] = static_cast<unsigned char>(px[3] + ((c.blue - px[3]) * coverage + (c.blue >= px[3] ? 127 : -127)) / 255);
  }
  px[0] = 255;
}

// Blends a coverage bitmap whose top-left pixel lands on (left, top).
void BlitCoverage(const SWELL_CachedGlyph& g, int left, int top, const SWELL_GfxSurface* s,
                  const SWELL_PixelBox& clip, const Rgb& color) {
  int y0 = top, y1 = top + g.rows, x0 = left, x1 = left + g.width;
  if (y0 < clip.top) y0 = clip.top;
  if (y1 > clip.bottom) y1 = clip.bottom;
  if (x0 < clip.left) x0 = clip.left;
  if (x1 > clip.right) x1 = clip.right;
  for (int y = y0; y < y1; y++) {
    const unsigned char* src = g.coverage + static_cast<long>(y - top) * g.width;
    unsigned char* dst = s->bits + static_cast<long>(y) * s->rowBytes;
    for (int x = x0; x < x1; x++) BlendPixel(dst + x * 4, color, src[x - left]);
  }
}

// Coverage of column col in one row of a FreeType bitmap.
inline int CoverageAt(const FT_Bitmap& bm, const unsigned char* row, int col) {
  if (bm.pixel_mode == FT_PIXEL_MODE_MONO) return (row[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
  if (bm.num_grays <= 1 || bm.num_grays == 256) return row[col];
  return row[col] * 255 / (bm.num_grays - 1);
}

inline const unsigned char* RowOf(const FT_Bitmap& bm, int row) {
  const long pitch = bm.pitch < 0 ? -static_cast<long>(bm.pitch) : bm.pitch;
  return bm.pitch >= 0 ? bm.buffer + row * pitch : bm.buffer + (static_cast<long>(bm.rows) - 1 - row) * pitch;
}

bool IsCoverageBitmap(const FT_Bitmap& bm) {
  return bm.pixel_mode == FT_PIXEL_MODE_MONO || bm.pixel_mode == FT_PIXEL_MODE_GRAY;
}

// Blends straight from FreeType's bitmap: for glyphs too large to keep, only the clipped
// part is touched.
void BlitBitmap(const FT_Bitmap& bm, int left, int top, const SWELL_GfxSurface* s, const SWELL_PixelBox& clip,
                const Rgb& color) {
  if (!IsCoverageBitmap(bm)) return;
  int y0 = top, y1 = top + static_cast<int>(bm.rows), x0 = left, x1 = left + static_cast<int>(bm.width);
  if (y0 < clip.top) y0 = clip.top;
  if (y1 > clip.bottom) y1 = clip.bottom;
  if (x0 < clip.left) x0 = clip.left;
  if (x1 > clip.right) x1 = clip.right;
  for (int y = y0; y < y1; y++) {
    const unsigned char* src = RowOf(bm, y - top);
    unsigned char* dst = s->bits + static_cast<long>(y) * s->rowBytes;
    for (int x = x0; x < x1; x++) BlendPixel(dst + x * 4, color, CoverageAt(bm, src, x - left));
  }
}

// Draws a large outline glyph straight from the rasteriser's spans, limited to the clip, so
// that a glyph of thousands of pixels never needs a bitmap of its own.
struct SpanTarget {
  const SWELL_GfxSurface* surface;
  SWELL_PixelBox clip;
  Rgb color;
  int originX, baselineY;
  bool mono;
};

void BlendSpans(int y, int count, const FT_Span* spans, void* user) {
  const SpanTarget* t = static_cast<const SpanTarget*>(user);
  const long row = static_cast<long>(t->baselineY) - y - 1;  // span rows count upward from the baseline
  if (row < t->clip.top || row >= t->clip.bottom) return;
  unsigned char* dst = t->surface->bits + row * t->surface->rowBytes;
  for (int i = 0; i < count; i++) {
    long x0 = static_cast<long>(t->originX) + spans[i].x, x1 = x0 + spans[i].len;
    if (x0 < t->clip.left) x0 = t->clip.left;
    if (x1 > t->clip.right) x1 = t->clip.right;
    const int coverage = t->mono ? (spans[i].coverage >= 128 ? 255 : 0) : spans[i].coverage;
    for (long x = x0; x < x1; x++) BlendPixel(dst + x * 4, t->color, coverage);
  }
}

void RenderOutlineClipped(FT_Library library, FT_Outline* outline, int originX, int baselineY,
                          const SWELL_GfxSurface* s, const SWELL_PixelBox& clip, const Rgb& color, bool mono) {
  SpanTarget target = {s, clip, color, originX, baselineY, mono};
  FT_Raster_Params params;
  memset(&params, 0, sizeof(params));
  params.source = outline;
  params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
  params.gray_spans = BlendSpans;
  params.user = &target;
  params.clip_box.xMin = static_cast<FT_Pos>(clip.left) - originX;
  params.clip_box.xMax = static_cast<FT_Pos>(clip.right) - originX;
  params.clip_box.yMin = static_cast<FT_Pos>(baselineY) - clip.bottom;
  params.clip_box.yMax = static_cast<FT_Pos>(baselineY) - clip.top;
  FT_Outline_Render(library, outline, &params);
}

// Converts FreeType's bitmap into 8-bit coverage rows in out (resized as needed).
bool ToCoverage(const FT_Bitmap& bm, int left, int top, WDL_TypedBuf<unsigned char>* out, SWELL_CachedGlyph* g) {
  if (!IsCoverageBitmap(bm)) return false;
  const int rows = static_cast<int>(bm.rows), width = static_cast<int>(bm.width);
  if (rows > SWELL_GLYPHCACHE_MAX_SIDE || width > SWELL_GLYPHCACHE_MAX_SIDE) return false;
  unsigned char* dst = out->Resize(rows * width);
  if (rows * width > 0 && (!dst || out->GetSize() != rows * width)) return false;
  for (int row = 0; row < rows; row++) {
    const unsigned char* src = RowOf(bm, row);
    unsigned char* d = dst + static_cast<long>(row) * width;
    for (int col = 0; col < width; col++) d[col] = static_cast<unsigned char>(CoverageAt(bm, src, col));
  }
  g->left = left;
  g->top = top;
  g->width = width;
  g->rows = rows;
  g->coverage = dst;
  return true;
}

// The clip box limited to the surface; empty when there are no pixels.
SWELL_PixelBox ClipToSurface(const SWELL_GfxSurface* s, const SWELL_PixelBox* clip) {
  SWELL_PixelBox b = {0, 0, s->bits ? s->width : 0, s->bits ? s->height : 0};
  if (clip) {
    if (clip->left > b.left) b.left = clip->left;
    if (clip->top > b.top) b.top = clip->top;
    if (clip->right < b.right) b.right = clip->right;
    if (clip->bottom < b.bottom) b.bottom = clip->bottom;
  }
  return b;
}

}  // namespace

namespace {

// Picks the face for each character in turn: the line's own face, or a fallback face for
// characters it lacks. Keeps the chosen instance's size active and tells when the face
// changes (kerning never crosses faces).
class FaceWalker {
 public:
  explicit FaceWalker(SWELL_FontInstance* font) : mFont(font), mActive(font) { FT_Activate_Size(font->size); }
  // The instance for cp (tab drawn as a space) and its glyph.
  SWELL_FontInstance* For(uint32_t cp, FT_UInt* glyph) {
    if (cp == '\t') cp = ' ';
    SWELL_FontInstance* f = mFont;
    *glyph = FT_Get_Char_Index(mFont->face, cp);
    if (!*glyph) f = SWELL_FontForChar(mFont, cp, glyph);
    if (f != mActive) {
      FT_Activate_Size(f->size);
      mActive = f;
    }
    return f;
  }

 private:
  SWELL_FontInstance* mFont;
  SWELL_FontInstance* mActive;
};

}  // namespace

float SWELL_MeasureLine(SWELL_FontInstance* font, const uint32_t* cps, int n) {
  if (!font || !cps || n <= 0) return 0.0f;
  WDL_MutexLock lock(SWELL_FontLock());
  FaceWalker faces(font);
  float width = 0.0f;
  FT_UInt prev = 0;
  SWELL_FontInstance* prevFont = nullptr;
  for (int i = 0; i < n; i++) {
    if (IsInvisibleControl(cps[i]) && cps[i] != '\t') {
      prev = 0;
      continue;
    }
    FT_UInt glyph;
    SWELL_FontInstance* f = faces.For(cps[i], &glyph);
    if (f != prevFont) prev = 0;
    width += Kerning(f->face, prev, glyph) + GlyphAdvance(f->face, glyph);
    prev = glyph;
    prevFont = f;
  }
  return width;
}

void SWELL_DrawLine(SWELL_FontInstance* font, const uint32_t* cps, int n, const SWELL_GfxSurface* s,
                    const SWELL_PixelBox* clipIn, float x, int baselineY, const SWELL_Color* color,
                    bool antialias) {
  if (!font || !cps || n <= 0 || !s || !s->bits || !color) return;
  const SWELL_PixelBox clip = ClipToSurface(s, clipIn);
  if (clip.left >= clip.right || clip.top >= clip.bottom) return;
  const Rgb rgb = ToBytes(color);

  WDL_MutexLock lock(SWELL_FontLock());
  FaceWalker faces(font);
  const FT_Int32 loadFlags = antialias ? FT_LOAD_TARGET_LIGHT : FT_LOAD_TARGET_MONO;
  const FT_Render_Mode renderMode = antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
  WDL_TypedBuf<unsigned char> scratch(1024);  // a glyph on its way into the cache
  float pen = x;
  FT_UInt prev = 0;
  SWELL_FontInstance* prevFont = nullptr;
  for (int i = 0; i < n; i++) {
    if (IsInvisibleControl(cps[i]) && cps[i] != '\t') {
      prev = 0;
      continue;
    }
    FT_UInt glyph;
    SWELL_FontInstance* f = faces.For(cps[i], &glyph);
    FT_Face face = f->face;
    if (f != prevFont) prev = 0;
    pen += Kerning(face, prev, glyph);
    prev = glyph;
    prevFont = f;
    const float advance = GlyphAdvance(face, glyph);
    // Glyphs entirely left or right of the clip need no rendering.
    const float reach = f->metrics.maxAdvance + f->pixelSize;
    if (pen + reach < clip.left || pen - reach > clip.right || cps[i] == ' ' || cps[i] == '\t') {
      pen += advance;
      continue;
    }
    // Anti-aliased glyphs sit on quarter pixels so that letter spacing stays as measured;
    // others snap to whole pixels.
    int origin, subpixel = 0;
    if (antialias) {
      origin = static_cast<int>(floorf(pen));
      subpixel = static_cast<int>((pen - origin) * SWELL_GLYPH_SUBPIXEL_STEPS + 0.5f);
      if (subpixel >= SWELL_GLYPH_SUBPIXEL_STEPS) origin++, subpixel = 0;
    } else {
      origin = static_cast<int>(floorf(pen + 0.5f));
    }
    const SWELL_CachedGlyph* g = SWELL_GlyphCacheFind(f->glyphs, glyph, subpixel, antialias);
    SWELL_CachedGlyph rendered;
    if (!g && FT_Load_Glyph(face, glyph, loadFlags) == 0) {
      FT_GlyphSlot slot = face->glyph;
      if (slot->format == FT_GLYPH_FORMAT_OUTLINE && subpixel)
        FT_Outline_Translate(&slot->outline, subpixel * 64 / SWELL_GLYPH_SUBPIXEL_STEPS, 0);
      FT_BBox box;
      if (slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Get_CBox(&slot->outline, &box);
      if (slot->format == FT_GLYPH_FORMAT_OUTLINE && (box.xMax - box.xMin > SWELL_GLYPHCACHE_MAX_SIDE * 64 ||
                                                      box.yMax - box.yMin > SWELL_GLYPHCACHE_MAX_SIDE * 64)) {
        RenderOutlineClipped(slot->library, &slot->outline, origin, baselineY, s, clip, rgb, !antialias);
      } else if (slot->format == FT_GLYPH_FORMAT_BITMAP || FT_Render_Glyph(slot, renderMode) == 0) {
        if (ToCoverage(slot->bitmap, slot->bitmap_left, slot->bitmap_top, &scratch, &rendered)) {
          g = SWELL_GlyphCacheAdd(f->glyphs, glyph, subpixel, antialias, rendered);
          if (!g) g = &rendered;  // not kept (out of memory): draw it this once
        } else {
          BlitBitmap(slot->bitmap, origin + slot->bitmap_left, baselineY - slot->bitmap_top, s, clip, rgb);
        }
      }
    }
    if (g) BlitCoverage(*g, origin + g->left, baselineY - g->top, s, clip, rgb);
    pen += advance;
  }
}

void SWELL_FillBox(const SWELL_GfxSurface* s, const SWELL_PixelBox* clipIn, SWELL_PixelBox box,
                   const SWELL_Color* color) {
  if (!s || !s->bits || !color) return;
  const SWELL_PixelBox clip = ClipToSurface(s, clipIn);
  if (box.left < clip.left) box.left = clip.left;
  if (box.top < clip.top) box.top = clip.top;
  if (box.right > clip.right) box.right = clip.right;
  if (box.bottom > clip.bottom) box.bottom = clip.bottom;
  if (box.left >= box.right || box.top >= box.bottom) return;
  const Rgb c = ToBytes(color);
  for (int y = box.top; y < box.bottom; y++) {
    unsigned char* px = s->bits + static_cast<long>(y) * s->rowBytes + box.left * 4;
    for (int x = box.left; x < box.right; x++, px += 4) {
      px[0] = 255;
      px[1] = static_cast<unsigned char>(c.red);
      px[2] = static_cast<unsigned char>(c.green);
      px[3] = static_cast<unsigned char>(c.blue);
    }
  }
}
