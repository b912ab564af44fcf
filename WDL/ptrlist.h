// WDL_PtrList<T>: an ordered list of pointers. The list owns its elements only when
// asked to: Delete(index, true) and Empty(true) delete the removed elements.
#ifndef WDL_PTRLIST_H_
#define WDL_PTRLIST_H_

#include "heapbuf.h"

template <class T>
class WDL_PtrList {
 public:
  explicit WDL_PtrList(int granularity = 128) : mHB(granularity) {}
  ~WDL_PtrList() {}  // does not delete the elements: call Empty(true) for owned lists
  WDL_PtrList(const WDL_PtrList&) = delete;
  WDL_PtrList& operator=(const WDL_PtrList&) = delete;

  T** GetList() const { return static_cast<T**>(mHB.Get()); }
  int GetSize() const { return mHB.GetSize() / static_cast<int>(sizeof(T*)); }

  // The element at index, or null when the index is out of range.
  T* Get(int index) const {
    T** list = GetList();
    return (list && index >= 0 && index < GetSize()) ? list[index] : nullptr;
  }

  // Appends p; returns p, or null when the list could not grow.
  T* Add(T* p) {
    const int n = GetSize();
    if (!mHB.Resize((n + 1) * static_cast<int>(sizeof(T*)))) return nullptr;
    GetList()[n] = p;
    return p;
  }

  // Inserts p before index (clamped to 0..size); returns p or null.
  T* Insert(int index, T* p) {
    const int n = GetSize();
    if (index < 0) index = 0;
    if (index > n) index = n;
    if (!mHB.Resize((n + 1) * static_cast<int>(sizeof(T*)))) return nullptr;
    T** list = GetList();
    memmove(list + index + 1, list + index, static_cast<size_t>(n - index) * sizeof(T*));
    list[index] = p;
    return p;
  }

  // Replaces the element at index; returns p, or null for an index out of range.
  T* Set(int index, T* p) {
    if (index < 0 || index >= GetSize()) return nullptr;
    GetList()[index] = p;
    return p;
  }

  // Index of the first element equal to p, or -1.
  int Find(const T* p) const {
    T** list = GetList();
    const int n = GetSize();
    for (int i = 0; i < n; ++i)
      if (list[i] == p) return i;
    return -1;
  }

  // Removes the element at index, deleting it when wantDelete. Out of range: nothing.
  void Delete(int index, bool wantDelete = false) {
    const int n = GetSize();
    if (index < 0 || index >= n) return;
    T** list = GetList();
    T* victim = list[index];
    memmove(list + index, list + index + 1, static_cast<size_t>(n - index - 1) * sizeof(T*));
    mHB.Resize((n - 1) * static_cast<int>(sizeof(T*)));
    if (wantDelete) delete victim;
  }

  // Removes every element, deleting each when wantDelete (last to first).
  void Empty(bool wantDelete = false) {
    if (wantDelete) {
      for (int i = GetSize() - 1; i >= 0; --i) {
        T* victim = GetList()[i];
        mHB.Resize(i * static_cast<int>(sizeof(T*)));
        delete victim;
      }
    }
    mHB.Resize(0);
  }

 private:
  WDL_HeapBuf mHB;
};

#endif  // WDL_PTRLIST_H_
