// The editor backend a program or plug-in is built with. Every binary that makes an
// editor links exactly one factory, chosen in CMake (iplug_editor_backend_headless or
// _x11): linking two is a duplicate definition, linking none an undefined one. A
// DSP-only build makes no editor and links no factory.
#ifndef IPLUG_IGRAPHICSBACKEND_H_
#define IPLUG_IGRAPHICSBACKEND_H_

class IGraphics;
class IPlugBase;

// A new graphics context of w x h pixels at fps frames per second (0: the default),
// owned by the caller; null when none can be made.
IGraphics* MakeGraphics(IPlugBase* pPlug, int w, int h, int fps);

#endif  // IPLUG_IGRAPHICSBACKEND_H_
