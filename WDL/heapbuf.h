// Growable byte buffers: WDL_HeapBuf (raw bytes) and WDL_TypedBuf<T> (an array of
// one trivially copyable element type over a WDL_HeapBuf).
//
// Capacity grows in steps of the granularity so that repeated small growth does not
// reallocate every time; shrinking keeps the storage (the audio path resizes its
// scratch buffers to the block size and must not allocate once they are large enough).
#ifndef WDL_HEAPBUF_H_
#define WDL_HEAPBUF_H_

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <type_traits>

class WDL_HeapBuf {
 public:
  explicit WDL_HeapBuf(int granularity = 4096) : mGranularity(granularity > 0 ? granularity : 1) {}
  ~WDL_HeapBuf() { free(mBuf); }
  WDL_HeapBuf(const WDL_HeapBuf& other) : mGranularity(other.mGranularity) { CopyFrom(other); }
  WDL_HeapBuf& operator=(const WDL_HeapBuf& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }

  void* Get() const { return mSize > 0 ? mBuf : nullptr; }
  int GetSize() const { return mSize; }
  int GetCapacity() const { return mAlloc; }
  int GetGranularity() const { return mGranularity; }
  void SetGranularity(int g) { mGranularity = g > 0 ? g : 1; }

  // Sets the size in bytes. Returns the buffer, or null when newSize is 0 or the
  // allocation failed (the old contents and size are then kept).
  void* Resize(int newSize) {
    if (newSize < 0) newSize = 0;
    if (newSize > mAlloc) {
      const int64_t g = mGranularity;
      int64_t want = ((static_cast<int64_t>(newSize) + g - 1) / g) * g;
      if (want > INT32_MAX) want = newSize;
      void* nb = realloc(mBuf, static_cast<size_t>(want));
      if (!nb) return nullptr;
      mBuf = nb;
      mAlloc = static_cast<int>(want);
    }
    mSize = newSize;
    return Get();
  }

  // Releases the storage as well as the contents.
  void Free() {
    free(mBuf);
    mBuf = nullptr;
    mSize = mAlloc = 0;
  }

 private:
  void CopyFrom(const WDL_HeapBuf& other) {
    if (Resize(other.mSize) && other.mSize > 0) memcpy(mBuf, other.mBuf, other.mSize);
  }

  void* mBuf = nullptr;
  int mSize = 0;
  int mAlloc = 0;
  int mGranularity;
};

template <class T>
class WDL_TypedBuf {
  static_assert(std::is_trivially_copyable<T>::value, "WDL_TypedBuf holds plain data");

 public:
  // granularity is in bytes, as for WDL_HeapBuf.
  explicit WDL_TypedBuf(int granularity = 4096) : mHB(granularity) {}

  T* Get() const { return static_cast<T*>(mHB.Get()); }
  int GetSize() const { return mHB.GetSize() / static_cast<int>(sizeof(T)); }
  int GetGranularity() const { return mHB.GetGranularity(); }
  void SetGranularity(int g) { mHB.SetGranularity(g); }

  // Sets the element count; returns the array or null (0 elements, or out of memory).
  T* Resize(int n) {
    if (n < 0) n = 0;
    if (static_cast<int64_t>(n) * sizeof(T) > INT32_MAX) return nullptr;
    return static_cast<T*>(mHB.Resize(n * static_cast<int>(sizeof(T))));
  }

  // Appends count elements (copied from data when it is not null); returns a pointer
  // to the first new element, or null when it could not grow.
  T* Add(const T* data, int count) {
    if (count <= 0) return nullptr;
    const int old = GetSize();
    if (static_cast<int64_t>(old) + count > INT32_MAX / static_cast<int64_t>(sizeof(T))) return nullptr;
    // Growth may move the storage, so a source inside this buffer is kept as an offset.
    const T* before = Get();
    const bool inside = data && before && data >= before && data < before + old;
    const ptrdiff_t offset = inside ? data - before : 0;
    if (!Resize(old + count) || GetSize() != old + count) return nullptr;
    T* dst = Get() + old;
    if (inside) data = Get() + offset;
    if (data) memmove(dst, data, static_cast<size_t>(count) * sizeof(T));
    return dst;
  }
  T* Add(const T& v) { return Add(&v, 1); }

  void Free() { mHB.Free(); }

 private:
  WDL_HeapBuf mHB;
};

#endif  // WDL_HEAPBUF_H_
