// The one place that picks the editor's platform backend.
#ifndef TONEGLASS_GRAPHICS_H_
#define TONEGLASS_GRAPHICS_H_

class IGraphics;
class IPlugBase;

// A new graphics context of w x h pixels at fps frames per second (0: the default),
// owned by the caller; null when none can be made.
IGraphics* MakeToneglassGraphics(IPlugBase* pPlug, int w, int h, int fps);

#endif  // TONEGLASS_GRAPHICS_H_
