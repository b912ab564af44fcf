// Base64 with the standard alphabet and "=" padding (RFC 4648), no line breaks: the
// text form of preset blobs pasted into source code.
#ifndef IPLUG_BASE64_H_
#define IPLUG_BASE64_H_

#include "wdlstring.h"

// Replaces out with the encoding of n bytes (the empty text for none). Any length is
// encoded whole. False (out emptied) when the text could not be stored.
bool Base64Encode(const unsigned char* data, int n, WDL_String* out);

// Decodes text into out until the first character outside the alphabet (so at "=" or
// the end of the text) or until outSize bytes are written. Returns the bytes written.
int Base64Decode(const char* text, unsigned char* out, int outSize);

#endif  // IPLUG_BASE64_H_
