// ByteChunk: the growable byte buffer that plug-in state travels in. Values are
// appended in machine byte order with no alignment or separators and read back at a
// position that advances, or becomes -1 when the data runs out.
//
// Every read is bounds-checked: chunks come from hosts and files and are untrusted.
#ifndef IPLUG_BYTECHUNK_H_
#define IPLUG_BYTECHUNK_H_

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "heapbuf.h"
#include "wdlstring.h"

class ByteChunk {
 public:
  ByteChunk() : mBytes(4096) {}

  // Appends the raw bytes of a value. Returns the new size, or -1 (chunk unchanged)
  // when the chunk could not grow.
  template <class T>
  int AppendValue(const T* value) {
    static_assert(std::is_trivially_copyable<T>::value, "only plain values are stored");
    return AppendBytes(value, static_cast<int>(sizeof(T)));
  }

  // Reads a value at startPos. Returns the position after it, or -1 when the value
  // does not lie wholly inside the chunk (then *value keeps what it had).
  template <class T>
  int ReadValue(T* value, int startPos) const {
    static_assert(std::is_trivially_copyable<T>::value, "only plain values are stored");
    if (!value || !Fits(startPos, static_cast<int64_t>(sizeof(T)))) return -1;
    memcpy(value, GetBytes() + startPos, sizeof(T));
    return startPos + static_cast<int>(sizeof(T));
  }

  // Appends a text as a 32-bit length followed by its bytes, without terminator.
  // A null text is stored as the empty text. Returns the new size, or -1.
  int AppendString(const char* text) {
    const size_t len = text ? strlen(text) : 0;
    if (len > static_cast<size_t>(INT32_MAX - 8)) return -1;
    const int32_t n = static_cast<int32_t>(len);
    const int before = Size();
    if (AppendValue(&n) < 0) return -1;
    if (n > 0 && AppendBytes(text, n) < 0) {
      Resize(before);
      return -1;
    }
    return Size();
  }
  int AppendString(const WDL_String* text) { return AppendString(text ? text->Get() : nullptr); }

  // Reads a text written by AppendString at startPos.
  // - Fewer than 4 bytes left (or startPos negative): returns -1, *text unchanged.
  // - Otherwise returns startPos + 4 + length, even when that lies beyond the end or,
  //   for a negative length, before startPos (callers go on from there, and stop at a
  //   position outside the chunk). The text is taken only when the length is positive
  //   and all its bytes are inside the chunk; it is cut at its first NUL.
  //   A position outside 0 .. the largest int is reported as -1.
  int ReadString(WDL_String* text, int startPos) const {
    int32_t n = 0;
    const int afterLength = ReadValue(&n, startPos);
    if (afterLength < 0) return -1;
    const int64_t end = static_cast<int64_t>(afterLength) + n;
    if (n == 0) {
      if (text) text->Set("");
    } else if (n > 0 && end <= Size() && text) {
      // maxlen 0 would mean "unbounded" to WDL_String, so a leading NUL is handled apart.
      const char* src = reinterpret_cast<const char*>(GetBytes() + afterLength);
      const int len = static_cast<int>(strnlen(src, static_cast<size_t>(n)));
      text->Set(len > 0 ? src : "", len);
    }
    return (end < 0 || end > INT32_MAX) ? -1 : static_cast<int>(end);
  }

  // Appends every byte of another chunk. Returns the new size, or -1.
  int AppendChunk(const ByteChunk* other) {
    if (!other) return Size();
    return AppendBytes(other->GetBytes(), other->Size());
  }

  // Appends n raw bytes (none when data is null or n <= 0). Returns the new size, or -1.
  int AppendBytes(const void* data, int n) {
    if (!data || n <= 0) return Size();
    const int old = Size();
    if (static_cast<int64_t>(old) + n > INT32_MAX) return -1;
    if (!mBytes.Resize(old + n) || mBytes.GetSize() != old + n) return -1;
    memcpy(mBytes.Get() + old, data, static_cast<size_t>(n));
    return Size();
  }

  // Sets the length (new bytes are not initialised); returns the new length, which is
  // the old one when the chunk could not grow.
  int Resize(int newSize) {
    if (newSize < 0) newSize = 0;
    const int old = Size();
    if (!mBytes.Resize(newSize) && newSize > 0) mBytes.Resize(old);
    return Size();
  }
  void Clear() { mBytes.Resize(0); }

  int Size() const { return mBytes.GetSize(); }
  unsigned char* GetBytes() const { return mBytes.Get(); }

  // True when both chunks hold the same bytes.
  bool IsEqual(const ByteChunk* other) const {
    if (!other || other->Size() != Size()) return false;
    return Size() == 0 || memcmp(GetBytes(), other->GetBytes(), static_cast<size_t>(Size())) == 0;
  }

 private:
  bool Fits(int pos, int64_t width) const { return pos >= 0 && static_cast<int64_t>(pos) + width <= Size(); }

  WDL_TypedBuf<unsigned char> mBytes;
};

#endif  // IPLUG_BYTECHUNK_H_
