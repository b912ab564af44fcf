// Text through cached fonts: the process-wide font cache, CacheFont, DrawIText and
// measuring. A style remembers its font, so steady-state drawing looks nothing up
// and allocates nothing.
//
// The caches outlive every editor: a font handed to a style stays valid until the
// process ends (nothing removes fonts).
#include <cstring>
#include <vector>

#include "IGraphics.h"
#include "mutex.h"

namespace {

class FontStorage {
 public:
  ~FontStorage() {
    WDL_MutexLock lock(&mLock);
    for (const Entry& e : mEntries) delete e.font;
    mEntries.clear();
  }
  WDL_Mutex* Lock() { return &mLock; }

  // The first font made for this size, orientation, style and face, or null.
  // Quality is not part of the key. Call with the lock held.
  LICE_CachedFont* Find(const IText* t) const {
    for (const Entry& e : mEntries)
      if (e.size == t->mSize && e.orientation == t->mOrientation && e.style == t->mStyle &&
          strncmp(e.face, t->mFont, FONT_LEN) == 0 && e.font)
        return e.font;
    return nullptr;
  }
  void Add(const IText* t, LICE_CachedFont* font) {
    Entry e;
    e.size = t->mSize;
    e.orientation = t->mOrientation;
    e.style = t->mStyle;
    memcpy(e.face, t->mFont, FONT_LEN);
    e.face[FONT_LEN - 1] = '\0';
    e.font = font;
    mEntries.push_back(e);
  }

 private:
  struct Entry {
    int size, orientation, style;
    char face[FONT_LEN];
    LICE_CachedFont* font;
  };
  WDL_Mutex mLock;  // recursive
  std::vector<Entry> mEntries;
};

FontStorage s_fontCache;

// The text bridge's quality for a style's quality: default, antialiased for the two
// antialiased kinds, non-antialiased for anything else.
char BridgeQuality(int quality) {
  if (quality == IText::kQualityDefault) return DEFAULT_QUALITY;
  if (quality == IText::kQualityAntiAliased || quality == IText::kQualityClearType)
    return ANTIALIASED_QUALITY;
  return NONANTIALIASED_QUALITY;
}

HFONT MakeBridgeFont(const IText* t, int height) {
  // The face field may come from a caller that filled all 32 bytes.
  char face[FONT_LEN];
  memcpy(face, t->mFont, FONT_LEN);
  face[FONT_LEN - 1] = '\0';
  const int tenths = t->mOrientation * 10;
  return CreateFont(height, 0, tenths, tenths, t->mStyle == IText::kStyleBold ? FW_BOLD : FW_NORMAL,
                    t->mStyle == IText::kStyleItalic, 0, 0, 0, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, BridgeQuality(t->mQuality), DEFAULT_PITCH, face);
}

}  // namespace

LICE_CachedFont* IGraphics::CacheFont(IText* pTxt) {
  if (!pTxt) return nullptr;
  // The lock is held while a font is made: editors on several threads then share one
  // font per style, and the raster library's measuring bitmap is used by one at a time.
  WDL_MutexLock lock(s_fontCache.Lock());
  if (LICE_CachedFont* found = s_fontCache.Find(pTxt)) {
    pTxt->mCached = found;
    return found;
  }
  // A size beyond what the bridge takes becomes its fallback size there; keep the
  // arithmetic below in range whatever the style holds.
  int h = pTxt->mSize < 2 ? 2 : (pTxt->mSize > 8192 ? 8192 : pTxt->mSize);
  LICE_CachedFont* font = new LICE_CachedFont;
  for (int attempt = 0; attempt < 2; ++attempt) {
    HFONT hf = MakeBridgeFont(pTxt, h);
    if (!hf) {
      delete font;
      return nullptr;
    }
    // The cached font owns the bridge font and replaces (deletes) the first one on
    // the retry.
    font->SetFromHFont(hf, LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE);
    const int lineHeight = font->GetLineHeight();
    if (attempt > 0 || lineHeight <= 0 || lineHeight == h) break;
    // Scale the requested height so the rendered line height matches the size.
    h = int(double(h) * h / lineHeight + 0.5);
    if (h < 2) h = 2;
  }
  s_fontCache.Add(pTxt, font);
  pTxt->mCached = font;
  return font;
}

bool IGraphics::DrawIText(IText* pTxt, char* str, IRECT* pR, bool measure) {
  if (!str || !*str) return true;
  if (!pTxt || !pR) return false;
  // A cached font is shared by every editor in the process, and drawing with it sets
  // its colour first; the raster library's text scratch bitmaps are shared too. Editors
  // drawing on different threads therefore take turns here (the lock is recursive, so
  // CacheFont below may take it again). Host threads never draw text.
  WDL_MutexLock lock(s_fontCache.Lock());
  LICE_IFont* font = pTxt->mCached;
  if (!font) font = CacheFont(pTxt);
  if (!font) return false;

  const IColor& c = pTxt->mColor;
  font->SetTextColor(LiceColor(&c));
  unsigned fmt = DT_NOCLIP;
  if ((c.A & 0xff) != 0xff) fmt |= LICE_DT_USEFGALPHA;
  if (pTxt->mAlign == IText::kAlignCenter)
    fmt |= DT_CENTER;
  else if (pTxt->mAlign == IText::kAlignFar)
    fmt |= DT_RIGHT;
  if (pTxt->mVAlign == IText::kVAlignMiddle)
    fmt |= DT_VCENTER;
  else if (pTxt->mVAlign == IText::kVAlignBottom)
    fmt |= DT_BOTTOM;

  if (!measure) {
    RECT r = {pR->L, pR->T, pR->R, pR->B};
    if (mDrawBitmap) font->DrawText(mDrawBitmap, str, -1, &r, fmt);
    return true;
  }

  RECT r = {0, 0, 0, 0};
  font->DrawText(mDrawBitmap, str, -1, &r, fmt | DT_CALCRECT);
  const long long w = r.right, h = r.bottom;
  long long left = pR->L, right = pR->R;
  if (pTxt->mAlign == IText::kAlignCenter) {
    left = (long long)((double(pR->L) + double(pR->R)) * 0.5) - w / 2;
    right = left + w;
  } else if (pTxt->mAlign == IText::kAlignNear) {
    right = left + w;
  } else {
    left = right - w;
  }
  auto clamp = [](long long v) {
    return int(v < -(1LL << 30) ? -(1LL << 30) : (v > (1LL << 30) ? (1LL << 30) : v));
  };
  pR->L = clamp(left);
  pR->R = clamp(right);
  pR->B = clamp((long long)pR->T + h);
  return true;
}

bool IGraphics::MeasureIText(IText* pTxt, char* str, IRECT* pR) {
  return DrawIText(pTxt, str, pR, true);
}
