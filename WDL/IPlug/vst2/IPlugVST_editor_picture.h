// The vendor-specific requests of the VST 2 binding that draw the editor without a
// window. Hosts include this header alone: it needs nothing but the VST 2 interface.
#ifndef IPLUG_IPLUGVST_EDITOR_PICTURE_H_
#define IPLUG_IPLUGVST_EDITOR_PICTURE_H_

#include "aeffectx.h"

// Vendor-specific requests (effVendorSpecific, index = the request) that let a host
// without a window, such as a command-line renderer, take a picture of the editor.
// Both answer 0 for a plug-in without an editor.
//   kVSTVendorEditorDraw ('IEdr'): one draw pass, as a window's timer runs it: the
//     dirty controls are drawn into the editor's bitmap. value != 0 draws every
//     control. Answers 1.
//   kVSTVendorEditorPNG ('IEpn'): draws every control once more, then writes the
//     editor's bitmap to the PNG file whose path ptr points to (a NUL-terminated
//     text). Answers 1 when the file was written, 0 otherwise (no file is left).
constexpr VstInt32 kVSTVendorEditorDraw = CCONST('I', 'E', 'd', 'r');
constexpr VstInt32 kVSTVendorEditorPNG = CCONST('I', 'E', 'p', 'n');

#endif  // IPLUG_IPLUGVST_EDITOR_PICTURE_H_
