// Objects, contexts and text of the drawing layer. See swell-gdi.h for the contracts.
#include "swell-gdi.h"

#include <limits.h>
#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "swell-fontcache.h"
#include "swell-gdi-internalpool.h"
#include "swell-glyphs.h"
#include "swell-smallarray.h"
#include "swell-textlayout.h"
#include "swell-utf8.h"

namespace {

SWELL_Color ColorFromInt(int c, float alpha) {
  return {((c >> 16) & 0xff) / 255.0f, ((c >> 8) & 0xff) / 255.0f, (c & 0xff) / 255.0f, alpha};
}

// ---- Stock objects -------------------------------------------------------------------

enum { kStockCount = DEFAULT_GUI_FONT + 1 };
HGDIOBJ__ sStock[kStockCount];

bool IsStockObject(const HGDIOBJ__* obj) { return obj >= sStock && obj < sStock + kStockCount; }

// The face of a font object, or null when it has none or the font cache was shut down
// since it was made (its instance is freed then).
SWELL_FontInstance* LiveFont(const HGDIOBJ__* font) {
  if (!HGDIOBJ_VALID(font, TYPE_FONT) || !font->ct_font) return nullptr;
  return font->font_generation == SWELL_FontCacheGeneration() ? font->ct_font : nullptr;
}

// The font a context draws with: its selected font when usable, else the fallback. The
// stock GUI font holds no face of its own and always draws with the fallback, which the
// font cache makes again after a shutdown.
SWELL_FontInstance* ContextFont(const HDC__* ctx) {
  if (ctx) {
    if (SWELL_FontInstance* f = LiveFont(ctx->curfont)) return f;
  }
  return SWELL_GetFallbackFont();
}

// ---- Text layout ---------------------------------------------------------------------

enum { kTextBufferSize = 4096 };

// Copies the caller's text into buf by the bridge's rules: at most 4095 bytes (len < 0: up to
// the NUL), carriage returns dropped, "&" dropped and the character it marks copied unchanged
// unless DT_NOPREFIX, line feeds turned into spaces with DT_SINGLELINE. Returns the length.
int PrepareText(const char* text, int len, int flags, char* buf) {
  const int limit = kTextBufferSize - 1;
  int out = 0, i = 0;
  for (; (len < 0 || i < len) && text[i] && out < limit; i++) {
    char c = text[i];
    if (c == '&' && !(flags & DT_NOPREFIX)) {
      if (len >= 0 && i + 1 >= len) break;
      c = text[++i];
      if (!c) break;
      // The marked character is copied as it stands, whatever it is: "&&" gives "&", and a
      // marked carriage return or line feed escapes the rules below.
      buf[out++] = c;
      continue;
    }
    if (c == '\r') continue;
    if (c == '\n' && (flags & DT_SINGLELINE)) c = ' ';
    buf[out++] = c;
  }
  // A multi-byte character cut by the 4095-byte limit would spoil the whole text; a text
  // that ends malformed by itself is left as it is.
  const bool cut = out == limit && (len < 0 || i < len) && text[i];
  if (cut) out = SWELL_UTF8CompletePrefix(buf, out);
  buf[out] = 0;
  return out;
}

inline double FloorPlus(double v, double add) { return floor(v + add); }

// Clamps a computed pixel coordinate into int range.
int ClampToInt(double v) {
  if (!(v > -2147483647.0)) return -2147483647;
  if (v > 2147483647.0) return 2147483647;
  return static_cast<int>(v);
}

}  // namespace

// ---- Objects -------------------------------------------------------------------------

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, char italic,
                 char underline, char strikeOut, char charSet, char outPrecision,
                 char clipPrecision, char quality, char pitchAndFamily, const char* faceName) {
  (void)escapement, (void)underline, (void)strikeOut, (void)charSet, (void)outPrecision;
  (void)clipPrecision, (void)pitchAndFamily;

  // Magnitudes in double so that INT_MIN does not overflow.
  double size = height != 0 ? fabs(static_cast<double>(height)) : fabs(static_cast<double>(width));
  if (size < 2.0 || size > 8192.0) size = 10.0;

  // Room for 899 bytes of the face and both suffixes.
  char name[1024];
  size_t n = 0;
  if (faceName) {
    while (n < 899 && faceName[n]) n++;
    memcpy(name, faceName, n);
  }
  name[n] = 0;
  if (weight >= FW_BOLD) strcat(name, " Bold");
  if (italic) strcat(name, " Italic");

  const unsigned generation = SWELL_FontCacheGeneration();
  SWELL_FontInstance* font = SWELL_GetFontInstance(name, static_cast<float>(size));
  if (!font) font = SWELL_GetFontInstance("", static_cast<float>(size));  // the default sans
  // Even with no font file at all the caller gets its object; contexts then use the fallback.

  HGDIOBJ__* obj = GDP_OBJECT_NEW();
  if (!obj) return nullptr;
  obj->type = TYPE_FONT;
  obj->font_angle = orientation / 10.0f;
  obj->ct_font = font;
  obj->font_generation = generation;
  obj->font_quality = (quality == 0 || quality == NONANTIALIASED_QUALITY || quality == ANTIALIASED_QUALITY)
                          ? quality
                          : 0;
  return obj;
}

HBRUSH CreateSolidBrush(int color) {
  HGDIOBJ__* obj = GDP_OBJECT_NEW();
  if (!obj) return nullptr;
  obj->type = TYPE_BRUSH;
  obj->color = ColorFromInt(color, 1.0f);
  return obj;
}

HPEN CreatePen(int style, int width, int color) {
  (void)style;
  HGDIOBJ__* obj = GDP_OBJECT_NEW();
  if (!obj) return nullptr;
  obj->type = TYPE_PEN;
  obj->wid = width < 0 ? 0 : width;
  obj->color = ColorFromInt(color, 1.0f);
  return obj;
}

namespace {

// Fills the stock table once; the first caller's thread does it, later callers wait for it.
bool InitStockObjects() {
  struct Stock {
    int index, type, color;
    float alpha;
  } const table[] = {
      {WHITE_BRUSH, TYPE_BRUSH, 0xffffff, 1}, {LTGRAY_BRUSH, TYPE_BRUSH, 0xc0c0c0, 1},
      {GRAY_BRUSH, TYPE_BRUSH, 0x808080, 1},  {DKGRAY_BRUSH, TYPE_BRUSH, 0x404040, 1},
      {BLACK_BRUSH, TYPE_BRUSH, 0, 1},        {NULL_BRUSH, TYPE_BRUSH, 0, 0},
      {WHITE_PEN, TYPE_PEN, 0xffffff, 1},     {BLACK_PEN, TYPE_PEN, 0, 1},
      {NULL_PEN, TYPE_PEN, 0, 0},             {DEFAULT_GUI_FONT, TYPE_FONT, 0, 1},
  };
  for (const Stock& st : table) {
    HGDIOBJ__* obj = &sStock[st.index];
    obj->type = st.type;
    obj->color = ColorFromInt(st.color, st.alpha);
    obj->wid = st.type == TYPE_PEN ? 1 : 0;
  }
  return true;
}

}  // namespace

HGDIOBJ GetStockObject(int index) {
  static const bool ready = InitStockObjects();
  (void)ready;
  if (index < 0 || index >= kStockCount || sStock[index].type == 0) return nullptr;
  return &sStock[index];
}

void DeleteObject(HGDIOBJ obj) {
  if (!obj || SWELL_IsMarkerHandle(obj) || IsStockObject(obj) || !HGDIOBJ_VALID(obj)) return;
  // Only a count that was 0 already frees the record; any other is just decremented.
  if (obj->additional_refcnt != 0) {
    if (obj->additional_refcnt != INT_MIN) obj->additional_refcnt--;
    return;
  }
  // The font instance belongs to the font cache; only an owned image is ours to free.
  free(obj->ownedImage);
  obj->ownedImage = nullptr;
  obj->ct_font = nullptr;
  GDP_OBJECT_DELETE(obj);
}

HGDIOBJ SelectObject(HDC ctx, HGDIOBJ obj) {
  if (!HDC_VALID(ctx) || !obj) return nullptr;
  int type;
  if (SWELL_IsMarkerHandle(obj)) {
    type = static_cast<int>(reinterpret_cast<uintptr_t>(obj));
  } else {
    if (!HGDIOBJ_VALID(obj)) return nullptr;
    type = obj->type;
  }
  HGDIOBJ__** slot;
  switch (type) {
    case TYPE_PEN: slot = &ctx->curpen; break;
    case TYPE_BRUSH: slot = &ctx->curbrush; break;
    case TYPE_FONT: slot = &ctx->curfont; break;
    default: return nullptr;
  }
  WDL_MutexLock lock(SWELL_GDP_PoolMutex());
  HGDIOBJ__* previous = *slot;
  if (SWELL_IsMarkerHandle(obj)) {
    *slot = nullptr;
  } else {
    if (previous == obj) return obj;
    *slot = obj;
  }
  return previous ? previous : reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(type));
}

// ---- Context state -------------------------------------------------------------------

void SetTextColor(HDC ctx, int color) {
  if (!HDC_VALID(ctx)) return;
  ctx->curtextcol = color;
  ctx->curtextcol_rgb = ColorFromInt(color, 1.0f);
  ctx->has_textcol = true;
}

void SetBkColor(HDC ctx, int color) {
  if (HDC_VALID(ctx)) ctx->curbkcol = color;
}

void SetBkMode(HDC ctx, int mode) {
  if (HDC_VALID(ctx)) ctx->curbkmode = mode;
}

bool GetTextMetrics(HDC ctx, TEXTMETRIC* tm) {
  if (!tm) return false;
  memset(tm, 0, sizeof(*tm));
  tm->tmHeight = 16;
  tm->tmAscent = 12;
  tm->tmDescent = 4;
  tm->tmInternalLeading = 3;
  tm->tmAveCharWidth = 10;
  if (!HDC_VALID(ctx)) return false;
  SWELL_FontInstance* font = ContextFont(ctx);
  if (!font) return true;  // no font installed at all: the defaults stand
  const SWELL_FontMetrics& m = font->metrics;
  tm->tmInternalLeading = static_cast<int>(m.leading);
  tm->tmAscent = static_cast<int>(m.ascent);
  tm->tmDescent = static_cast<int>(m.descent);
  const int s = tm->tmAscent + tm->tmDescent + tm->tmInternalLeading;
  tm->tmAveCharWidth = 2 * s / 3;
  tm->tmHeight = s ? s + 1 : 0;
  tm->tmMaxCharWidth = static_cast<int>(m.maxAdvance + 0.5f);
  return true;
}

// ---- Text ----------------------------------------------------------------------------
//
// SWELL_DrawText works in three steps. Lay out: the text is prepared, decoded and split
// into lines once (a text without a line feed is one line, measured as it stands; one
// with a line feed is laid out in the large layout box, which may wrap). Place: the
// text's box is aligned in the caller's rectangle. Paint: each line that may reach the
// clip is drawn, over its background when the context paints one.

namespace {

// Texts up to this many bytes are laid out without touching the heap (a knob's label or
// value, a paragraph); longer ones allocate. A text in a box may break into as many
// lines as it has characters, plus one, so the line array has room for that many.
constexpr size_t kInlineTextBytes = 512;
constexpr size_t kInlineTextLines = kInlineTextBytes + 1;

// A text laid out into lines. Its arrays are sized to the text, not to the limit.
struct TextLayout {
  SWELL_SmallArray<uint32_t, kInlineTextBytes> cps;  // the prepared text's code points
  SWELL_SmallArray<SWELL_TextLine, kInlineTextLines> lines;
  int lineCount = 0;
  // Laid out in the layout box: each line paints its own background, and lines far
  // outside the clip are skipped. A one-line text paints the background of its box.
  bool inBox = false;
  SWELL_FontInstance* font = nullptr;
  double lineExtent = 0;  // ascent + descent + leading
  int width = 0, height = 0;
};

// Lay out. False when there is nothing to draw: no text left once prepared, a text that
// is not UTF-8 (plain ASCII, the only other reading, fails for any byte above 127), no
// font, or no memory.
bool LayOutText(HDC ctx, const char* text, int len, int flags, TextLayout* t) {
  const size_t limit = kTextBufferSize - 1;
  const size_t cap = (len < 0 ? strnlen(text, limit) : (static_cast<size_t>(len) < limit ? len : limit)) + 1;
  SWELL_SmallArray<char, kInlineTextBytes + 1> buf;  // and the terminating NUL
  if (!buf.Allocate(cap)) return false;
  const int bytes = PrepareText(text, len, flags, buf.get());
  if (bytes <= 0) return false;
  if (!t->cps.Allocate(static_cast<size_t>(bytes))) return false;
  const int count = SWELL_DecodeUTF8(buf.get(), bytes, t->cps.get(), bytes);
  if (count <= 0) return false;

  t->font = ContextFont(ctx);
  if (!t->font) return false;
  const SWELL_FontMetrics& m = t->font->metrics;
  t->lineExtent = static_cast<double>(m.ascent) + m.descent + m.leading;

  t->inBox = memchr(buf.get(), '\n', static_cast<size_t>(bytes)) != nullptr;
  if (!t->lines.Allocate(t->inBox ? static_cast<size_t>(count) + 1 : 1)) return false;
  if (t->inBox) {
    t->lineCount = SWELL_LayOutLines(t->font, t->cps.get(), count, SWELL_TEXT_LAYOUT_BOX, SWELL_TEXT_LAYOUT_BOX,
                                     t->lines.get(), count + 1);
  } else {
    t->lines[0] = {0, count, SWELL_MeasureLine(t->font, t->cps.get(), count)};
    t->lineCount = 1;
  }

  const double lineHeight = FloorPlus(t->lineExtent, 1.5);
  double w = 0, height = 0;
  for (int k = 0; k < t->lineCount; k++) {
    const double lw = FloorPlus(t->lines[k].width, 0.5);
    if (lw > w) w = lw;
    height += lineHeight;
  }
  t->width = ClampToInt(w);
  t->height = height > 0 ? ClampToInt(height + 1) : 0;
  return true;
}

// Place: the top-left corner of the text's box in r by the alignment flags, in 64 bits
// so that rectangles near the int limits do not overflow.
void PlaceText(const TextLayout& t, const RECT* r, int flags, int64_t* pX, int64_t* pY) {
  int64_t x = r->left, y = r->top;
  if (flags & DT_RIGHT)
    x = static_cast<int64_t>(r->right) - t.width;
  else if (flags & DT_CENTER)
    x = r->left + (static_cast<int64_t>(r->right) - r->left) / 2 - t.width / 2;
  if (flags & DT_BOTTOM)
    y = static_cast<int64_t>(r->bottom) - t.height;
  else if (flags & DT_VCENTER)
    y = r->top + (static_cast<int64_t>(r->bottom) - r->top) / 2 - t.height / 2;
  *pX = x;
  *pY = y;
}

// The part of the surface drawing may touch: all of it with DT_NOCLIP, else its overlap
// with r. False when that is empty.
bool TextClip(const SWELL_GfxSurface* surface, const RECT* r, int flags, SWELL_PixelBox* pClip) {
  SWELL_PixelBox clip = {0, 0, surface->width, surface->height};
  if (!(flags & DT_NOCLIP)) {
    if (r->left > clip.left) clip.left = r->left;
    if (r->top > clip.top) clip.top = r->top;
    if (r->right < clip.right) clip.right = r->right;
    if (r->bottom < clip.bottom) clip.bottom = r->bottom;
  }
  *pClip = clip;
  return clip.left < clip.right && clip.top < clip.bottom;
}

SWELL_PixelBox BoxOf(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return {ClampToInt(static_cast<double>(left)), ClampToInt(static_cast<double>(top)),
          ClampToInt(static_cast<double>(right)), ClampToInt(static_cast<double>(bottom))};
}

// Paint: the lines from (x, y) down, one step apart, in the context's colours.
void PaintText(HDC ctx, const TextLayout& t, int64_t x, int64_t y, const SWELL_PixelBox& clip) {
  const SWELL_Color black = {0, 0, 0, 1};
  const SWELL_Color* textColor = ctx->has_textcol ? &ctx->curtextcol_rgb : &black;
  const bool background = ctx->curbkmode == OPAQUE;
  const SWELL_Color bkColor = ColorFromInt(ctx->curbkcol, 1.0f);
  // Quality 3 turns antialiasing off; 4 and anything else keep the context's default (on).
  bool antialias = true;
  if (LiveFont(ctx->curfont)) antialias = ctx->curfont->font_quality != NONANTIALIASED_QUALITY;

  const int64_t step = static_cast<int64_t>(FloorPlus(t.lineExtent, 0.5));
  for (int k = 0; k < t.lineCount; k++, y += step) {
    if (t.inBox) {
      // A line starting up to one step below the clip may still reach into it with marks
      // above its ascent; one wholly above the clip, descenders included, is skipped.
      if (y - step >= clip.bottom) break;
      if (y + 2 * step < clip.top) continue;
    }
    const SWELL_TextLine& l = t.lines[k];
    if (background) {
      const SWELL_PixelBox box = t.inBox ? BoxOf(x, y, x + static_cast<int64_t>(FloorPlus(l.width, 0.5)), y + step)
                                         : BoxOf(x, y, x + t.width, y + t.height);
      SWELL_FillBox(&ctx->ctx, &clip, box, &bkColor);
    }
    const double baseline = FloorPlus(static_cast<double>(y) + t.font->metrics.ascent, 0.5);
    SWELL_DrawLine(t.font, t.cps.get() + l.start, l.count, &ctx->ctx, &clip, static_cast<float>(x),
                   ClampToInt(baseline), textColor, antialias);
  }
}

}  // namespace

int SWELL_DrawText(HDC ctx, const char* text, int len, RECT* r, int flags) {
  if (!HDC_VALID(ctx) || !text || !r) return 0;
  TextLayout t;
  if (!LayOutText(ctx, text, len, flags, &t)) return 0;
  if (flags & DT_CALCRECT) {
    r->right = ClampToInt(static_cast<double>(r->left) + t.width);
    r->bottom = ClampToInt(static_cast<double>(r->top) + t.height);
    return t.height;
  }

  int64_t x, y;
  PlaceText(t, r, flags, &x, &y);
  SWELL_PixelBox clip;
  if (!ctx->ctx.bits || !TextClip(&ctx->ctx, r, flags, &clip)) return t.height;
  // Anything this far outside the surface cannot reach it.
  const int64_t farAway = static_cast<int64_t>(1) << 40;
  if (x < -farAway || x > farAway || y < -farAway || y > farAway) return t.height;
  PaintText(ctx, t, x, y, clip);
  return t.height;
}

// ---- Memory contexts -----------------------------------------------------------------

HDC SWELL_CreateMemContext(HDC unused, int w, int h) {
  (void)unused;
  if (w < 1 || h < 1) return nullptr;
  // Rows are addressed with int byte offsets; keep the whole surface within that range.
  const uint64_t bytes = static_cast<uint64_t>(w) * 4u * static_cast<uint64_t>(h);
  if (bytes > static_cast<uint64_t>(INT32_MAX)) return nullptr;
  void* mem = calloc(1, static_cast<size_t>(bytes) + 63);
  if (!mem) return nullptr;
  HDC__* ctx = SWELL_GDP_CTX_NEW();
  if (!ctx) {
    free(mem);
    return nullptr;
  }
  const uintptr_t aligned = (reinterpret_cast<uintptr_t>(mem) + 63) & ~static_cast<uintptr_t>(63);
  ctx->ownedData = mem;
  ctx->ctx.bits = reinterpret_cast<unsigned char*>(aligned);
  ctx->ctx.width = w;
  ctx->ctx.height = h;
  ctx->ctx.rowBytes = w * 4;
  ctx->curtextcol = 0;
  ctx->curtextcol_rgb = ColorFromInt(0, 1.0f);
  ctx->has_textcol = true;
  return ctx;
}

void* SWELL_GetCtxFrameBuffer(HDC ctx) {
  if (!HDC_VALID(ctx)) return nullptr;
  return ctx->ctx.bits;
}

void SWELL_DeleteGfxContext(HDC ctx) {
  if (!HDC_VALID(ctx)) return;
  free(ctx->ownedData);
  ctx->ownedData = nullptr;
  ctx->ctx.bits = nullptr;
  ctx->has_textcol = false;
  SWELL_GDP_CTX_DELETE(ctx);
}
