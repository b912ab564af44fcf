// The one place that picks the class the plug-in derives from: the VST 2 binding,
// which brings the plug-in base (mMutex, GetSampleRate, GetParam, Reset, OnParamChange,
// ProcessDoubleReplacing) with it.
#ifndef TONEGLASS_BASE_H_
#define TONEGLASS_BASE_H_

#include "IPlugVST.h"

using ToneglassBase = IPlugVST;

#endif  // TONEGLASS_BASE_H_
