// WDL_String: growable, always NUL-terminated text. Get() never returns null
// (an empty string reads as ""). Lengths are in bytes; maxlen > 0 limits how many
// bytes of the source are taken.
#ifndef WDL_WDLSTRING_H_
#define WDL_WDLSTRING_H_

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "heapbuf.h"

class WDL_String {
 public:
  explicit WDL_String(const char* init = nullptr, int maxlen = 0) : mHB(64) {
    if (init) Set(init, maxlen);
  }
  WDL_String(const WDL_String& other) : mHB(64) { Set(other.Get()); }
  WDL_String& operator=(const WDL_String& other) {
    if (this != &other) Set(other.Get());
    return *this;
  }

  char* Get() const {
    char* p = static_cast<char*>(mHB.Get());
    return p ? p : const_cast<char*>("");
  }
  int GetLength() const {
    const char* p = static_cast<const char*>(mHB.Get());
    return p ? static_cast<int>(strlen(p)) : 0;
  }

  void Set(const char* s, int maxlen = 0) { Replace(0, GetLength(), s, maxlen); }
  void Append(const char* s, int maxlen = 0) { Replace(GetLength(), 0, s, maxlen); }
  // Inserts s before byte position pos (clamped to the text).
  void Insert(const char* s, int pos, int maxlen = 0) { Replace(pos, 0, s, maxlen); }
  // Removes len bytes starting at pos (both clamped to the text).
  void DeleteSub(int pos, int len) { Replace(pos, len, "", 0); }

  // Cuts the text to newlen bytes; longer lengths leave it unchanged.
  void SetLen(int newlen) {
    if (newlen < 0) newlen = 0;
    // Writes through the owned buffer, never through the shared "" of an empty string.
    char* p = static_cast<char*>(mHB.Get());
    if (p && newlen < GetLength()) p[newlen] = 0;
  }

  // printf-style; the result is cut to maxlen bytes when maxlen > 0.
  void SetFormatted(int maxlen, const char* fmt, ...) __attribute__((format(printf, 3, 4))) {
    va_list ap;
    va_start(ap, fmt);
    FormatAt(0, GetLength(), maxlen, fmt, ap);
    va_end(ap);
  }
  void AppendFormatted(int maxlen, const char* fmt, ...) __attribute__((format(printf, 3, 4))) {
    va_list ap;
    va_start(ap, fmt);
    FormatAt(GetLength(), 0, maxlen, fmt, ap);
    va_end(ap);
  }

 private:
  // Replaces len bytes at pos by up to maxlen bytes of s. The source may lie inside
  // this string, so it is measured and moved before the buffer can move.
  void Replace(int pos, int len, const char* s, int maxlen) {
    if (!s) s = "";
    const int cur = GetLength();
    if (pos < 0) pos = 0;
    if (pos > cur) pos = cur;
    if (len < 0) len = 0;
    if (len > cur - pos) len = cur - pos;
    int add = static_cast<int>(maxlen > 0 ? strnlen(s, static_cast<size_t>(maxlen)) : strlen(s));
    if (add < 0) return;  // a source of 2 GiB or more does not fit an int length
    const char* base = static_cast<const char*>(mHB.Get());
    const bool inside = base && s >= base && s <= base + cur;
    char* tmp = nullptr;
    if (inside && add > 0) {
      tmp = static_cast<char*>(malloc(static_cast<size_t>(add)));
      if (!tmp) return;
      memcpy(tmp, s, static_cast<size_t>(add));
      s = tmp;
    }
    const int newLen = cur - len + add;
    if (newLen + 1 > mHB.GetSize() && !mHB.Resize(newLen + 1)) {
      free(tmp);
      return;
    }
    char* p = static_cast<char*>(mHB.Get());
    if (cur == 0) p[0] = 0;
    memmove(p + pos + add, p + pos + len, static_cast<size_t>(cur - pos - len + 1));
    if (add > 0) memcpy(p + pos, s, static_cast<size_t>(add));
    p[newLen] = 0;
    free(tmp);
  }

  void FormatAt(int pos, int len, int maxlen, const char* fmt, va_list ap) {
    va_list ap2;
    va_copy(ap2, ap);
    const int need = vsnprintf(nullptr, 0, fmt, ap2);
    va_end(ap2);
    if (need < 0) return;
    char* tmp = static_cast<char*>(malloc(static_cast<size_t>(need) + 1));
    if (!tmp) return;
    vsnprintf(tmp, static_cast<size_t>(need) + 1, fmt, ap);
    Replace(pos, len, tmp, maxlen);
    free(tmp);
  }

  WDL_HeapBuf mHB;
};

#endif  // WDL_WDLSTRING_H_
