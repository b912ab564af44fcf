#include "swell-utf8.h"

int SWELL_DecodeUTF8(const char* s, int len, uint32_t* out, int outMax) {
  if (!s || len < 0) return -1;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  int n = 0, i = 0;
  while (i < len) {
    const unsigned c = p[i];
    uint32_t cp;
    int extra;
    uint32_t minValue;
    if (c < 0x80) {
      cp = c;
      extra = 0;
      minValue = 0;
    } else if ((c & 0xe0) == 0xc0) {
      cp = c & 0x1f;
      extra = 1;
      minValue = 0x80;
    } else if ((c & 0xf0) == 0xe0) {
      cp = c & 0x0f;
      extra = 2;
      minValue = 0x800;
    } else if ((c & 0xf8) == 0xf0) {
      cp = c & 0x07;
      extra = 3;
      minValue = 0x10000;
    } else {
      return -1;
    }
    if (extra > len - i - 1) return -1;
    for (int k = 1; k <= extra; k++) {
      const unsigned cc = p[i + k];
      if ((cc & 0xc0) != 0x80) return -1;
      cp = (cp << 6) | (cc & 0x3f);
    }
    if (cp < minValue || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return -1;
    if (out) {
      if (n >= outMax) return -1;
      out[n] = cp;
    }
    n++;
    i += extra + 1;
  }
  return n;
}

int SWELL_UTF8CompletePrefix(const char* s, int len) {
  if (!s || len <= 0) return 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  // Walk back over at most three continuation bytes to the lead byte of the last sequence.
  int lead = len - 1;
  while (lead > 0 && len - lead < 4 && (p[lead] & 0xc0) == 0x80) lead--;
  const unsigned c = p[lead];
  int need;
  if (c < 0x80)
    need = 1;
  else if ((c & 0xe0) == 0xc0)
    need = 2;
  else if ((c & 0xf0) == 0xe0)
    need = 3;
  else if ((c & 0xf8) == 0xf0)
    need = 4;
  else
    return len;  // not a lead byte: malformed anyway, the decoder will say so
  return len - lead >= need ? len : lead;
}
