// The split test plug-in's editor: a panel and two knobs, on the backend the build
// target picked.
#include "IGraphics.h"
#include "IGraphicsBackend.h"
#include "gain_filter_plug.h"

void GainFilterPlug::AttachEditor() {
  IGraphics* pGraphics = MakeGraphics(this, kEditorWidth, kEditorHeight, 0);
  if (!pGraphics) return;
  const IColor panel(255, 40, 40, 48), line(255, 230, 230, 230);
  pGraphics->AttachPanelBackground(&panel);
  pGraphics->AttachControl(new IKnobLineControl(this, IRECT(10, 10, 70, 70), kGain, &line));
  pGraphics->AttachControl(new IKnobLineControl(this, IRECT(90, 10, 150, 70), kCutoff, &line));
  AttachGraphics(pGraphics);
}
