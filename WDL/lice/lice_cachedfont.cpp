// LICE_CachedFont: text drawn into a bitmap, either natively by the text bridge
// (fast, and what the framework uses) or from the glyph cache (lice_text.cpp).
// This file holds the class's state handling and the native path.
//
// The shared scratch bitmaps make text drawing single-threaded, as the framework
// draws only on its user-interface thread.
#include <cstring>

#include "lice.h"
#include "lice_cachedfont_impl.h"

namespace {

// Bridge flags that SWELL_DrawText understands; the LICE-only high bits stay here.
const unsigned kBridgeFlags = 0x1ff;
// The scratch bitmaps never grow beyond this, whatever a glyph asks for.
const int kMaxScratch = 2048;

// Length of the text to draw: up to len bytes (all of it for len < 0), never past a NUL.
int TextLength(const char* str, int len) {
  if (len < 0) return (int)strlen(str);
  const void* nul = memchr(str, 0, (size_t)len);
  return nul ? (int)((const char*)nul - str) : len;
}

}  // namespace

// ---------------------------------------------------------------------------
// Scratch bitmaps (never destroyed, so no exit-time ordering against the
// bridge's own pools)
// ---------------------------------------------------------------------------

LICE_SysBitmap* LICE_TextMeasureScratch() {
  static LICE_SysBitmap* s = new LICE_SysBitmap(256, 256);
  return s;
}

LICE_SysBitmap* LICE_TextDrawScratch() {
  static LICE_SysBitmap* s = new LICE_SysBitmap(4, 4);
  return s;
}

bool LICE_EnsureTextScratch(LICE_SysBitmap* bm, int w, int h) {
  if (w < 4) w = 4;
  if (h < 4) h = 4;
  if (w > kMaxScratch || h > kMaxScratch) return false;
  const int cw = bm->getWidth(), ch = bm->getHeight();
  if (cw >= w && ch >= h && bm->getDC()) return true;
  bm->resize(w > cw ? w : cw, h > ch ? h : ch);
  return bm->getDC() && bm->getWidth() >= w && bm->getHeight() >= h;
}

// ---------------------------------------------------------------------------
// Native path
// ---------------------------------------------------------------------------

bool LICE_CachedFontImpl::UsesNativePath(const LICE_CachedFont& f, unsigned fmt) {
  return (f.m_flags & LICE_FONT_FLAG_FORCE_NATIVE) && f.m_font &&
         !(f.m_flags & LICE_FONT_FLAGS_NO_NATIVE) &&
         (f.m_line_spacing == 0 || (fmt & DT_SINGLELINE));
}

// Selects the font into dc with the font's colours; returns the font that was there.
HGDIOBJ__* LICE_CachedFontImpl::Prepare(const LICE_CachedFont& f, HDC__* dc) {
  HGDIOBJ__* old = SelectObject(dc, f.m_font);
  ::SetTextColor(dc, LICE_BridgeColor(f.m_fg));
  ::SetBkMode(dc, f.m_bgmode);
  if (f.m_bgmode == OPAQUE) ::SetBkColor(dc, LICE_BridgeColor(f.m_bg));
  return old;
}
void LICE_CachedFontImpl::Restore(HDC__* dc, HGDIOBJ__* old) {
  if (old) SelectObject(dc, old);
}

// ---- Native path ---------------------------------------------------------

int LICE_CachedFontImpl::DrawNative(LICE_CachedFont& f, LICE_IBitmap* bm, const char* str, int len,
                                    RECT* rect, unsigned fmt) {
  const int flags = (int)((fmt & kBridgeFlags) | DT_NOPREFIX);
  HDC__* dc = bm ? bm->getDC() : nullptr;
  if (dc) {
    HGDIOBJ__* old = Prepare(f, dc);
    const int h = SWELL_DrawText(dc, str, len, rect, flags);
    Restore(dc, old);
    return h;
  }
  // No context of its own: measure on the scratch bitmap, draw there over a copy
  // of the destination, and copy the text's box back.
  const int plain = (flags & ~(DT_VCENTER | DT_CENTER | DT_BOTTOM | DT_RIGHT)) & ~DT_CALCRECT;
  LICE_SysBitmap* scratch = LICE_TextDrawScratch();
  if (!LICE_EnsureTextScratch(scratch, 4, 4)) return 0;
  HDC__* sdc = scratch->getDC();
  HGDIOBJ__* old = Prepare(f, sdc);
  RECT m = {0, 0, 0, 0};
  const int h = SWELL_DrawText(sdc, str, len, &m, plain | DT_CALCRECT);
  Restore(sdc, old);
  if (h <= 0) return 0;
  const int w = m.right;
  if (fmt & DT_CALCRECT) {
    rect->right = LICE_SaturatingAdd(rect->left, w);
    rect->bottom = LICE_SaturatingAdd(rect->top, h);
    return h;
  }
  if (!bm || !bm->getBits()) return h;
  int x, y;
  LICE_AlignTextBox(*rect, fmt, w, h, &x, &y);
  // Glyphs may overhang their advance box (italics, a final "f"); a margin keeps
  // their ink, exactly as the bridge keeps it when drawing into a context.
  const int margin = h / 2 + 2;
  Box box = {x - margin, y - margin, x + w + margin, y + h + margin};
  box.Intersect(Box{0, 0, bm->getWidth(), bm->getHeight()});
  if (!(fmt & DT_NOCLIP)) box.Intersect(Box{rect->left, rect->top, rect->right, rect->bottom});
  const int bw = box.right - box.left, bh = box.bottom - box.top;
  if (box.Empty() || !LICE_EnsureTextScratch(scratch, bw, bh)) return h;
  sdc = scratch->getDC();  // growing the scratch bitmap makes a new context
  LICE_Blit(scratch, bm, 0, 0, box.left, box.top, bw, bh, 1.0f, LICE_BLIT_MODE_COPY);
  // The text at its aligned position, relative to the copied box; lines of a
  // multi-line text all start at the same x, so no alignment is needed here.
  RECT at = {x - box.left, y - box.top, x - box.left + w, y - box.top + h};
  old = Prepare(f, sdc);
  SWELL_DrawText(sdc, str, len, &at, plain | DT_NOCLIP);
  Restore(sdc, old);
  float alpha = f.m_alpha;
  if (fmt & LICE_DT_USEFGALPHA) alpha *= LICE_GETA(f.m_fg) / 255.0f;
  LICE_Blit(bm, scratch, box.left, box.top, 0, 0, bw, bh, alpha, LICE_BLIT_MODE_COPY);
  return h;
}

// ---------------------------------------------------------------------------
// LICE_CachedFont
// ---------------------------------------------------------------------------

LICE_CachedFont::LICE_CachedFont()
    : m_ext_glyphs(64 * (int)sizeof(ExtGlyph)), m_glyph_data(16384) {}

LICE_CachedFont::~LICE_CachedFont() {
  if ((m_flags & LICE_FONT_FLAG_OWNS_HFONT) && m_font) DeleteObject(m_font);
}

void LICE_CachedFont::SetFromHFont(HGDIOBJ__* font, int flags) {
  if ((m_flags & LICE_FONT_FLAG_OWNS_HFONT) && m_font && m_font != font) DeleteObject(m_font);
  m_font = font;
  m_flags = flags;
  m_line_height = 0;
  LICE_CachedFontImpl::ClearGlyphs(*this);
  if (!font) return;

  LICE_SysBitmap* scratch = LICE_TextMeasureScratch();
  HDC__* dc = LICE_EnsureTextScratch(scratch, 4, 4) ? scratch->getDC() : nullptr;
  if (dc) {
    HGDIOBJ__* old = SelectObject(dc, font);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::SetBkColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, OPAQUE);
    TEXTMETRIC tm;
    if (GetTextMetrics(dc, &tm)) m_line_height = tm.tmHeight;
    LICE_CachedFontImpl::Restore(dc, old);
  }
  if (flags & LICE_FONT_FLAG_PRECALCALL)
    for (unsigned c = 0; c < 128; ++c) LICE_CachedFontImpl::Glyph(*this, c);
}

LICE_pixel LICE_CachedFont::SetTextColor(LICE_pixel color) {
  const LICE_pixel old = m_fg;
  m_fg = color;
  return old;
}

LICE_pixel LICE_CachedFont::SetBkColor(LICE_pixel color) {
  const LICE_pixel old = m_bg;
  m_bg = color;
  return old;
}

LICE_pixel LICE_CachedFont::SetEffectColor(LICE_pixel color) {
  const LICE_pixel old = m_effectcol;
  m_effectcol = color;
  return old;
}

int LICE_CachedFont::SetBkMode(int mode) {
  const int old = m_bgmode;
  m_bgmode = mode;
  return old;
}

void LICE_CachedFont::SetCombineMode(int mode, float alpha) {
  m_comb = mode;
  m_alpha = alpha;
}

int LICE_CachedFont::DrawText(LICE_IBitmap* bm, const char* str, int strcnt, RECT* rect,
                              unsigned int dtFlags) {
  if (!str || !rect || !m_font) return 0;
  const int len = TextLength(str, strcnt);
  if (len <= 0) return 0;
  if (LICE_CachedFontImpl::UsesNativePath(*this, dtFlags))
    return LICE_CachedFontImpl::DrawNative(*this, bm, str, len, rect, dtFlags);
  return LICE_CachedFontImpl::DrawCached(*this, bm, str, len, rect, dtFlags);
}
