// SWELL_SmallArray: a scratch array that lives inside the object when it is small and
// on the heap beyond that. Text drawing sizes its arrays to the text; the labels and
// short paragraphs an editor draws on every frame then need no allocation at all.
#ifndef SWELL_SMALLARRAY_H_
#define SWELL_SMALLARRAY_H_

#include <stddef.h>

#include <memory>
#include <new>

template <class T, size_t N>
class SWELL_SmallArray {
 public:
  SWELL_SmallArray() = default;
  // get() points into the object itself: it is neither copied nor moved.
  SWELL_SmallArray(const SWELL_SmallArray&) = delete;
  SWELL_SmallArray& operator=(const SWELL_SmallArray&) = delete;

  // Makes room for n elements (their values undefined), dropping what was there. False
  // when more than N are asked for and the heap has no room; get() is then null.
  bool Allocate(size_t n) {
    mHeap.reset();
    if (n <= N) {
      mData = mInline;
      return true;
    }
    mHeap.reset(new (std::nothrow) T[n]);
    mData = mHeap.get();
    return mData != nullptr;
  }
  T* get() const { return mData; }
  T& operator[](size_t i) const { return mData[i]; }
  // Whether the elements live on the heap (for tests of the small case).
  bool OnHeap() const { return mHeap != nullptr; }

 private:
  T mInline[N];
  std::unique_ptr<T[]> mHeap;
  T* mData = nullptr;
};

#endif  // SWELL_SMALLARRAY_H_
