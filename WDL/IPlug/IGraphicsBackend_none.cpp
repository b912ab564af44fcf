// No editor: for a binary that runs a plug-in's engine alone (an LV2 engine, whose host
// loads the editor from another binary). A plug-in that asks for an editor gets none
// and keeps whatever display state it needs without one.
#include "IGraphicsBackend.h"

IGraphics* MakeGraphics(IPlugBase*, int, int, int) { return nullptr; }
