// Where the editor's images come from: a folder of image files that a backend or a
// test names, and a process-wide table of images held in memory (a plug-in embeds
// its images in its shared object and registers them here at start-up).
//
// Every lookup gives a newly made bitmap owned by the caller, or null when the
// image is missing, not a PNG, truncated or too large to decode. Nothing else
// happens on failure. The bitmap knows its size at once and decodes its pixels when
// they are first read (LICE_OpenPNG), so a damage that only decoding finds shows
// then: the bitmap has no pixels and draws nothing. All functions may be called
// from any thread.
#ifndef IPLUG_IGRAPHICSRESOURCES_H_
#define IPLUG_IGRAPHICSRESOURCES_H_

#include <cstddef>

#include "lice.h"
#include "wdlstring.h"

// The folder searched for images by name; null or "" searches none.
void SetResourceFolder(const char* path);
// The folder set by SetResourceFolder (empty when none).
void GetResourceFolder(WDL_String* pPath);

// Registers an encoded image under an id and a name (either may be unused: id < 0,
// name null). The bytes are not copied: they must outlive the registration, as an
// image compiled into the binary does. A later registration of the same id or name
// replaces the earlier one. False for null data or a zero size.
bool RegisterEmbeddedResource(int id, const char* name, const void* data, size_t size);
// Forgets the registrations with this id (when >= 0) or this name (when not null).
void UnregisterEmbeddedResource(int id, const char* name);

// Opens the image for (id, name): first the embedded table (by id, then by name),
// then the resource folder (the name as a path below it, then its last component).
// An absolute name is also tried as it stands.
LICE_IBitmap* LoadResourceBitmap(int id, const char* name);

#endif  // IPLUG_IGRAPHICSRESOURCES_H_
