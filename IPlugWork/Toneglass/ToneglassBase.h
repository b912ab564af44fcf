// The one place that picks the class the plug-in derives from. The engine is written
// against the names the plug-in base offers (mMutex, GetSampleRate, GetParam, Reset,
// OnParamChange, ProcessDoubleReplacing), so swapping the base is a one-line change.
#ifndef TONEGLASS_BASE_H_
#define TONEGLASS_BASE_H_

#include "EngineHostStandIn.h"

using ToneglassBase = EngineHostStandIn;

#endif  // TONEGLASS_BASE_H_
