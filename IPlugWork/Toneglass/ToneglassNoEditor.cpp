// The DSP-only build of the plug-in: no editor, so nothing graphic is linked. The
// engine still writes what the spectrum view would show into its FreqViewData, which
// the LV2 engine hands to its UI through the display-data calls.
#include "Toneglass.h"

void Toneglass::AttachEditor() {}
