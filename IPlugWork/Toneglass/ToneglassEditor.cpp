// The plug-in's editor: the panel, the spectrum view over the plug-in's FreqViewData
// and the five knobs, on the backend the build target picked. Builds with the editor
// library only; a DSP-only build links ToneglassNoEditor.cpp in its place.
#include "FreqView.h"
#include "IGraphics.h"
#include "IGraphicsBackend.h"
#include "Toneglass.h"
#include "ToneglassResources.h"
#include "Toneglass_controls.h"

const IColor Toneglass::kBgColor(255, 6, 120, 21);

namespace {
constexpr int kKnobTextSize = 14;
struct KnobPlace {
  IRECT rect;
  int paramIdx;
};
const KnobPlace kKnobs[] = {
    {IRECT(40, 315, 92, 401), Toneglass::kThreshold},
    {IRECT(250, 315, 302, 401), Toneglass::kSelectionStart},
    {IRECT(345, 315, 397, 401), Toneglass::kSelectionSize},
    {IRECT(540, 315, 592, 401), Toneglass::kDry},
    {IRECT(610, 315, 662, 401), Toneglass::kWet},
};
const IRECT kFreqViewRect(4, 40, 696, 300);
}  // namespace

void Toneglass::AttachEditor() {
  IGraphics* pGraphics = MakeGraphics(this, kEditorWidth, kEditorHeight, 0);
  if (!pGraphics) return;  // the engine keeps feeding mViewData; nothing shows it
  pGraphics->AttachPanelBackground(&kBgColor);
  mFreqView = new FreqView(this, kFreqViewRect, &mViewData);
  pGraphics->AttachControl(mFreqView);

  RegisterToneglassResources();
  // A missing or undecodable image gives a handle without a picture: the knobs then
  // draw their texts only.
  IBitmap knob = pGraphics->LoadIBitmap(kKnobBitmapId, kKnobBitmapName, kKnobBitmapFrames, false);
  IText text(kKnobTextSize);
  for (const KnobPlace& k : kKnobs)
    pGraphics->AttachControl(new IKnobMultiControlText1(this, k.rect, k.paramIdx, &knob, &text));

  AttachGraphics(pGraphics);
}
