// The exported entry points of Toneglass.so. Built only into the shared object, so that
// programs linking the plug-in class directly keep their own main.
#include "Toneglass.h"

#define PLUG_CLASS_NAME Toneglass
#include "IPlug_include_in_plug_src.h"
