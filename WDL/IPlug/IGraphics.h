// IGraphics: the editor's graphics context, as the plug-in base sees it. The base
// pushes parameter values into it and has it prepare its canvas; the editor itself
// (controls, drawing, platform windows) implements these operations.
#ifndef IPLUG_IGRAPHICS_H_
#define IPLUG_IGRAPHICS_H_

class IGraphics {
 public:
  virtual ~IGraphics() {}

  // Moves every control bound to paramIdx to value (plain unless normalized is set).
  virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;

  // Creates the off-screen canvas the editor draws into.
  virtual void PrepDraw() = 0;

  // ---- What the VST 2 adapter asks of an editor (defaults: no window) ------------------
  // Editor size in pixels.
  virtual int Width() const { return 0; }
  virtual int Height() const { return 0; }
  // Opens the editor's view inside the host's parent window; null when none opened.
  virtual void* OpenWindow(void* /*pParentWnd*/) { return nullptr; }
  virtual void CloseWindow() {}
  // Marks every control for redraw (pushParamToPlug: also re-sends each control's value).
  virtual void SetAllControlsDirty(bool /*pushParamToPlug*/) {}
};

#endif  // IPLUG_IGRAPHICS_H_
