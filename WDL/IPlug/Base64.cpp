#include "Base64.h"

#include <cstdint>
#include <cstdlib>

static const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool Base64Encode(const unsigned char* data, int n, WDL_String* out) {
  if (!out) return false;
  out->Set("");
  if (!data || n <= 0) return true;
  const int64_t textLen = (static_cast<int64_t>(n) + 2) / 3 * 4;
  if (textLen > INT32_MAX - 1) return false;
  // A plain allocation: running out of memory is a false result, not an exception.
  char* text = static_cast<char*>(malloc(static_cast<size_t>(textLen) + 1));
  if (!text) return false;
  char* p = text;
  int i = 0;
  for (; i + 2 < n; i += 3) {
    const uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
    *p++ = kBase64Alphabet[(v >> 18) & 63];
    *p++ = kBase64Alphabet[(v >> 12) & 63];
    *p++ = kBase64Alphabet[(v >> 6) & 63];
    *p++ = kBase64Alphabet[v & 63];
  }
  if (i < n) {
    const bool two = i + 1 < n;
    const uint32_t v = (uint32_t(data[i]) << 16) | (two ? uint32_t(data[i + 1]) << 8 : 0);
    *p++ = kBase64Alphabet[(v >> 18) & 63];
    *p++ = kBase64Alphabet[(v >> 12) & 63];
    *p++ = two ? kBase64Alphabet[(v >> 6) & 63] : '=';
    *p++ = '=';
  }
  *p = 0;
  out->Set(text);
  free(text);
  if (out->GetLength() != textLen) {
    out->Set("");
    return false;
  }
  return true;
}

// 0..63 for a character of the standard alphabet, else -1.
static int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int Base64Decode(const char* text, unsigned char* out, int outSize) {
  uint32_t bitsHeld = 0;
  int nBits = 0, written = 0;
  for (const char* p = text; p && *p && out && written < outSize; ++p) {
    const int digit = Base64Digit(*p);
    if (digit < 0) break;
    bitsHeld = (bitsHeld << 6) | static_cast<uint32_t>(digit);
    nBits += 6;
    if (nBits >= 8) {
      nBits -= 8;
      out[written++] = static_cast<unsigned char>(bitsHeld >> nBits);
      bitsHeld &= (1u << nBits) - 1;
    }
  }
  return written;
}
