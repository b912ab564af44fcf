#include "swell-glyphs.h"

#include <math.h>

#include FT_OUTLINE_H
#include FT_ADVANCES_H

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

FT_UInt GlyphFor(FT_Face face, uint32_t cp) {
  if (cp == '\t') cp = ' ';
  return FT_Get_Char_Index(face, cp);
}

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

void BlitGlyph(const FT_Bitmap& bm, int left, int top, const SWELL_GfxSurface* s,
               const SWELL_PixelBox& clip, const Rgb& color) {
  const bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
  if (!mono && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return;
  const int rows = static_cast<int>(bm.rows), width = static_cast<int>(bm.width);
  const int pitch = bm.pitch < 0 ? -bm.pitch : bm.pitch;
  int y0 = top, y1 = top + rows, x0 = left, x1 = left + width;
  if (y0 < clip.top) y0 = clip.top;
  if (y1 > clip.bottom) y1 = clip.bottom;
  if (x0 < clip.left) x0 = clip.left;
  if (x1 > clip.right) x1 = clip.right;
  for (int y = y0; y < y1; y++) {
    const int row = y - top;
    const unsigned char* src = bm.pitch >= 0 ? bm.buffer + static_cast<long>(row) * pitch
                                             : bm.buffer + static_cast<long>(rows - 1 - row) * pitch;
    unsigned char* dst = s->bits + static_cast<long>(y) * s->rowBytes;
    for (int x = x0; x < x1; x++) {
      const int col = x - left;
      int coverage;
      if (mono)
        coverage = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
      else
        coverage = bm.num_grays == 256 || bm.num_grays == 0 ? src[col] : src[col] * 255 / (bm.num_grays - 1);
      BlendPixel(dst + x * 4, color, coverage);
    }
  }
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

float SWELL_MeasureLine(SWELL_FontInstance* font, const uint32_t* cps, int n) {
  if (!font || !cps || n <= 0) return 0.0f;
  WDL_MutexLock lock(SWELL_FontLock());
  FT_Activate_Size(font->size);
  FT_Face face = font->face;
  float width = 0.0f;
  FT_UInt prev = 0;
  for (int i = 0; i < n; i++) {
    if (IsInvisibleControl(cps[i]) && cps[i] != '\t') {
      prev = 0;
      continue;
    }
    const FT_UInt glyph = GlyphFor(face, cps[i]);
    width += Kerning(face, prev, glyph) + GlyphAdvance(face, glyph);
    prev = glyph;
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
  FT_Activate_Size(font->size);
  FT_Face face = font->face;
  const FT_Int32 loadFlags = antialias ? FT_LOAD_TARGET_LIGHT : FT_LOAD_TARGET_MONO;
  const FT_Render_Mode renderMode = antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
  float pen = x;
  FT_UInt prev = 0;
  for (int i = 0; i < n; i++) {
    if (IsInvisibleControl(cps[i]) && cps[i] != '\t') {
      prev = 0;
      continue;
    }
    const FT_UInt glyph = GlyphFor(face, cps[i]);
    pen += Kerning(face, prev, glyph);
    prev = glyph;
    const float advance = GlyphAdvance(face, glyph);
    // Glyphs entirely left or right of the clip need no rendering.
    const float reach = font->metrics.maxAdvance + font->pixelSize;
    if (pen + reach < clip.left || pen - reach > clip.right || cps[i] == ' ' || cps[i] == '\t') {
      pen += advance;
      continue;
    }
    if (FT_Load_Glyph(face, glyph, loadFlags) == 0) {
      FT_GlyphSlot slot = face->glyph;
      int origin;
      if (antialias && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        // Horizontal sub-pixel placement keeps letter spacing as measured.
        origin = static_cast<int>(floorf(pen));
        const FT_Pos shift = static_cast<FT_Pos>(lroundf((pen - origin) * 64.0f));
        FT_Outline_Translate(&slot->outline, shift, 0);
      } else {
        origin = static_cast<int>(floorf(pen + 0.5f));
      }
      if (slot->format == FT_GLYPH_FORMAT_BITMAP || FT_Render_Glyph(slot, renderMode) == 0)
        BlitGlyph(slot->bitmap, origin + slot->bitmap_left, baselineY - slot->bitmap_top, s, clip, rgb);
    }
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
