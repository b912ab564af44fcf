// The arithmetic of the Cocoa editor that needs no window: coordinate conversion,
// modifier records, the key table, wheel steps, the custom cursor image and menu
// numbering. Plain C++ so that it is tested without a window system.
#ifndef IPLUG_COCOA_COCOAEDITORRULES_H_
#define IPLUG_COCOA_COCOAEDITORRULES_H_

#include <string>

#include "IGraphicsStructs.h"

namespace cocoa_rules {

// A view rectangle: origin at the bottom left, in points.
struct ViewRect {
  double x, y, w, h;
};

// An editor IRECT {L, T, R, B} in an editor of height h as a view rectangle one pixel
// wider and taller than the IRECT (what redraw requests, tooltips, menus and the text
// field use).
ViewRect ToViewRect(const IRECT& r, int h);

// The editor rectangle drawRect: hands to IGraphics::Draw for a view rectangle; each
// coordinate truncated to an integer first.
IRECT FromDrawRect(double x, double y, double w, double h, int editorH);

// Editor pixels of a view point: x - 2, H - y - 3, both truncated first.
void MousePosition(double viewX, double viewY, int editorH, int* pX, int* pY);

// The modifier records. command/shift/control/option: keys held.
IMouseMod LeftButtonMod(bool command, bool shift, bool control, bool option);
IMouseMod RightButtonMod(bool shift, bool control, bool option);

// The wheel step: deltaY truncated, or deltaX truncated when that is 0.
int WheelStep(double deltaX, double deltaY);

// Editor key codes; kKeyNone for a key the editor does not know.
enum { kKeyNone = -1, kKeySpace = 0, kKeyUp = 1, kKeyDown = 2, kKeyLeft = 3, kKeyRight = 4 };
// Mac virtual key codes of the keys recognised by code.
enum { kVKSpace = 49, kVKUp = 126, kVKDown = 125, kVKLeft = 123, kVKRight = 124 };

// The editor key for a Mac virtual key code and the one character the key gives
// (ignoring modifiers): space and arrows by code, digits 5..14, letters 15..40.
int KeyCode(int virtualKey, unsigned int character);

// The custom cursor (cursor type 1): 16 x 16, one byte per pixel, high nibble grey,
// low nibble opacity; hot spot (8, 8).
enum { kCursorSize = 16, kCursorHotSpot = 8 };
extern const unsigned char kCursorTable[kCursorSize][kCursorSize];
// The cursor's 16 x 16 RGBA picture (4 bytes a pixel, rows from the top): each
// nibble widened to 8 bits by repeating it (0xF8: grey 0xFF, alpha 0x88).
void CursorRGBA(unsigned char out[kCursorSize * kCursorSize * 4]);
// Scales each pixel's red, green and blue by its alpha (rounded), the form an image
// holds them in by default: the cursor's half-opaque white becomes 0x88 grey at
// alpha 0x88, not a white brighter than its opacity allows.
void PremultiplyRGBA(unsigned char* rgba, int nPixels);

// A popup item's title: the text preceded by the item's number (index + 1) for
// numbering styles 1 to 3 ("%1d: ", "%02d: ", "%03d: "). Any other style adds nothing.
std::string MenuItemTitle(const char* text, int index, int prefixStyle);

// The characters a text entry accepts for a parameter type (IParam::EParamType).
const char* EntryCharacters(int paramType);

// The message-box result for the button pressed: 0 default, 1 alternate, 2 other,
// anything else (-1: none) gives 0. Type 1's alternate is Cancel (7), type 3's
// other is Cancel (2).
int MessageBoxResult(int buttonIndex);

// Colour components between 8 and 16 bits, truncated as the colour picker needs.
int ColorTo16(int c8);
int ColorFrom16(int c16);

// OpenURL's choice: true when the text contains "http" anywhere.
bool LooksLikeWebAddress(const char* url);

// The resource name for an image file name: its last path component without the
// extension; "" when the extension (after the last ".", the whole name when there
// is none) is not "png" in any case.
std::string PngResourceName(const char* fileName);

}  // namespace cocoa_rules

#endif  // IPLUG_COCOA_COCOAEDITORRULES_H_
