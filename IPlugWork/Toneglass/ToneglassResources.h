// The plug-in's images: the knob film strip compiled into the plug-in, with files as
// the fallback.
#ifndef TONEGLASS_RESOURCES_H_
#define TONEGLASS_RESOURCES_H_

// The knob film strip's resource id and name, as the editor loads it.
constexpr int kKnobBitmapId = 101;
constexpr const char* kKnobBitmapName = "resources/img/knob.png";
constexpr int kKnobBitmapFrames = 60;

// Registers the embedded images with the editor's resource lookup and, when no
// resource folder is set yet, names the folder this plug-in's binary lies in. Runs its
// work once per process; later calls do nothing.
void RegisterToneglassResources();

// The folder holding the binary this code was linked into (the .so, or the program),
// with no trailing slash; empty when the system cannot tell.
void GetToneglassBinaryFolder(char* buf, int size);

#endif  // TONEGLASS_RESOURCES_H_
