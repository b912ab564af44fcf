// The desktop's input settings as the X server publishes them: the XSETTINGS
// manager's integers (Net/DoubleClickTime, Net/DoubleClickDistance) and, on desktops
// without one, the multiClickTime resource.
#ifndef IPLUG_X11_X11SETTINGS_H_
#define IPLUG_X11_X11SETTINGS_H_

#include <X11/Xlib.h>

#include <cstddef>

// Finds the integer setting name in an _XSETTINGS_SETTINGS property (either byte
// order). False when the data is cut short, malformed, or has no such integer.
bool X11FindXSetting(const unsigned char* data, size_t size, const char* name, int* pValue);

// The double-click time (ms) and distance (pixels) of the display; each is left as
// it is when the server publishes nothing usable for it.
void X11ReadDoubleClickSettings(Display* d, unsigned long* pMs, int* pDistance);

#endif  // IPLUG_X11_X11SETTINGS_H_
