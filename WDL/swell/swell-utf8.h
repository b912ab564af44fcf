// Strict UTF-8 decoding for the drawing layer's text functions.
#ifndef SWELL_UTF8_H_
#define SWELL_UTF8_H_

#include <stdint.h>

// Decodes len bytes of s into at most outMax code points. Returns the number decoded, or -1
// when the bytes are not well-formed UTF-8 (overlong forms, surrogates, values above
// U+10FFFF, truncated or stray continuation bytes) or do not fit. With out null the bytes
// are only checked and counted.
int SWELL_DecodeUTF8(const char* s, int len, uint32_t* out, int outMax);

// The length of the longest prefix of s[0..len) that does not end inside a multi-byte
// sequence, so that a cut text stays well-formed.
int SWELL_UTF8CompletePrefix(const char* s, int len);

#endif  // SWELL_UTF8_H_
