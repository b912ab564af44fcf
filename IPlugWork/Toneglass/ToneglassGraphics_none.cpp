// The plug-in's engine alone, for the LV2 binary that hosts load without any UI library:
// no editor (the spectrum view then lives without one); the LV2 UI binary makes its own
// instance with the X11 editor.
#include "ToneglassGraphics.h"

IGraphics* MakeToneglassGraphics(IPlugBase*, int, int, int) { return nullptr; }
