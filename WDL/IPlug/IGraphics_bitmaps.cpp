// The process-wide bitmap cache and the bitmap handles built on it: decoded image
// resources (by resource id) and bitmaps made by scaling, cropping or retaining
// (id -1). The cache owns every bitmap; handles only refer to them.
#include <vector>

#include "IGraphics.h"
#include "mutex.h"

namespace {

// The id of bitmaps that were not decoded from a resource.
constexpr int kDerivedBitmapId = -1;

class BitmapStorage {
 public:
  ~BitmapStorage() { Flush(); }

  // The first bitmap entered under id, or null.
  LICE_IBitmap* Find(int id) {
    WDL_MutexLock lock(&mLock);
    for (const Entry& e : mEntries)
      if (e.id == id && e.bitmap) return e.bitmap;
    return nullptr;
  }
  // Enters the bitmap under id, unless a decoded bitmap for this id arrived in the
  // meantime (two editors loading at once): then bm is deleted and that one returned.
  LICE_IBitmap* AddResource(LICE_IBitmap* bm, int id) {
    WDL_MutexLock lock(&mLock);
    if (id != kDerivedBitmapId)
      if (LICE_IBitmap* earlier = Find(id)) {
        delete bm;
        return earlier;
      }
    mEntries.push_back(Entry{id, bm});
    return bm;
  }
  void Add(LICE_IBitmap* bm, int id) {
    WDL_MutexLock lock(&mLock);
    mEntries.push_back(Entry{id, bm});
  }
  // Removes the first entry holding bm and deletes bm; false when it is not cached.
  bool Remove(LICE_IBitmap* bm) {
    WDL_MutexLock lock(&mLock);
    for (size_t i = 0; i < mEntries.size(); ++i)
      if (mEntries[i].bitmap == bm) {
        mEntries.erase(mEntries.begin() + long(i));
        // Retaining the same bitmap twice enters it twice; it is deleted only when
        // the last entry goes, so no entry is ever left pointing at freed memory.
        for (const Entry& e : mEntries)
          if (e.bitmap == bm) return true;
        delete bm;
        return true;
      }
    return false;
  }
  void Flush() {
    WDL_MutexLock lock(&mLock);
    std::vector<LICE_IBitmap*> deleted;
    for (const Entry& e : mEntries) {
      bool seen = false;
      for (LICE_IBitmap* d : deleted) seen = seen || d == e.bitmap;
      if (!seen) {
        deleted.push_back(e.bitmap);
        delete e.bitmap;
      }
    }
    mEntries.clear();
  }

 private:
  struct Entry {
    int id;
    LICE_IBitmap* bitmap;
  };
  WDL_Mutex mLock;  // recursive
  std::vector<Entry> mEntries;
};

BitmapStorage s_bitmapCache;

}  // namespace

IBitmap IGraphics::LoadIBitmap(int id, const char* name, int nStates, bool framesAreHoriz) {
  LICE_IBitmap* bm = id != kDerivedBitmapId ? s_bitmapCache.Find(id) : nullptr;
  if (!bm) {
    // Opening runs outside the lock, so another editor's thread is not held up.
    bm = OSLoadBitmap(id, name);
    // A resource that cannot be opened is not cached: the handle draws nothing.
    if (!bm) return IBitmap(nullptr, 0, 0, nStates, framesAreHoriz);
    bm = s_bitmapCache.AddResource(bm, id);
  }
  // The backends open images without decoding them (a plug-in builds its editor in
  // its constructor, long before anything is drawn): the size comes from the header
  // and the pixels at the first draw. An image whose decoding failed then stays
  // cached (handles given out still point at it) but is handed out as one that
  // cannot be opened.
  if (bm->Extended(LICE_EXT_PNG_STATE, nullptr) == LICE_PNG_FAILED)
    return IBitmap(nullptr, 0, 0, nStates, framesAreHoriz);
  return IBitmap(bm, bm->getWidth(), bm->getHeight(), nStates, framesAreHoriz);
}

IBitmap IGraphics::ScaleBitmap(IBitmap* pSrcBitmap, int destW, int destH) {
  // getBits decodes an image not drawn yet; one that cannot be decoded has no pixels
  // to scale (and would leave the new bitmap unwritten).
  if (!pSrcBitmap || !pSrcBitmap->mData || destW < 1 || destH < 1 || !pSrcBitmap->mData->getBits())
    return IBitmap();
  LICE_MemBitmap* dest = new LICE_MemBitmap(destW, destH, 4);
  if (dest->getWidth() != destW || dest->getHeight() != destH) {  // allocation failed
    delete dest;
    return IBitmap();
  }
  LICE_ScaledBlit(dest, pSrcBitmap->mData, 0, 0, destW, destH, 0.0f, 0.0f, float(pSrcBitmap->W),
                  float(pSrcBitmap->H), 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
  s_bitmapCache.Add(dest, kDerivedBitmapId);
  return IBitmap(dest, destW, destH, pSrcBitmap->N, false);
}

IBitmap IGraphics::CropBitmap(IBitmap* pSrcBitmap, IRECT* pR) {
  if (!pSrcBitmap || !pSrcBitmap->mData || !pR || !pSrcBitmap->mData->getBits()) return IBitmap();
  const long long w = (long long)pR->R - pR->L, h = (long long)pR->B - pR->T;
  if (w < 1 || h < 1 || w > (1 << 20) || h > (1 << 20)) return IBitmap();
  LICE_MemBitmap* dest = new LICE_MemBitmap(int(w), int(h), 4);
  if (dest->getWidth() != int(w) || dest->getHeight() != int(h)) {
    delete dest;
    return IBitmap();
  }
  // Parts of the rectangle outside the source come out transparent black.
  LICE_ClearRect(dest, 0, 0, int(w), int(h), 0, 0);
  LICE_Blit(dest, pSrcBitmap->mData, 0, 0, pR->L, pR->T, int(w), int(h), 1.0f, LICE_BLIT_MODE_COPY);
  s_bitmapCache.Add(dest, kDerivedBitmapId);
  return IBitmap(dest, int(w), int(h), pSrcBitmap->N, false);
}

void IGraphics::RetainBitmap(IBitmap* pBitmap) {
  if (pBitmap && pBitmap->mData) s_bitmapCache.Add(pBitmap->mData, kDerivedBitmapId);
}

void IGraphics::ReleaseBitmap(IBitmap* pBitmap) {
  if (pBitmap && pBitmap->mData) s_bitmapCache.Remove(pBitmap->mData);
}

void IGraphics::FlushIBitmap() { s_bitmapCache.Flush(); }
