// The split test plug-in's DSP-only build: no editor, so nothing graphic is linked.
#include "gain_filter_plug.h"

void GainFilterPlug::AttachEditor() {}
