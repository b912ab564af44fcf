// The plug-in's value knob: a film-strip knob with its parameter's name above it and
// the value with its unit below. A right click types a value, a double click resets
// it; dragging and the wheel turn it as every framework knob does.
#ifndef TONEGLASS_CONTROLS_H_
#define TONEGLASS_CONTROLS_H_

#include "IControl.h"
#include "IParam.h"
#include "wdlstring.h"

class IKnobMultiControlText1 : public IKnobControl {
 public:
  // Rows of the control's rectangle: the name on top, the value text at the bottom.
  static constexpr int kNameHeight = 16;
  static constexpr int kValueHeight = 25;

  // Copies the bitmap handle (the image stays shared) and the text style. A bitmap
  // without an image leaves the knob drawing only its texts.
  IKnobMultiControlText1(IPlugBase* pPlug, IRECT pR, int paramIdx, const IBitmap* pBitmap,
                         const IText* pText);
  ~IKnobMultiControlText1() override;

  // Right button: a text entry over the value. Other presses do nothing here.
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  // Back to the parameter's default, pushed to the plug-in; nothing without a default.
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override;
  // False when a text could not be drawn (the image's result does not count).
  bool Draw(IGraphics* pGraphics) override;

  // The film-strip frame (1-based) shown for a normalised value; frame 1 for NaN.
  static int FrameFor(double value, int nFrames);

  IRECT mTextRECT;
  IRECT mImgRECT;
  IRECT mNameRECT;
  IBitmap mBitmap;

 private:
  const char* LabelFor(const IParam& param, double plain) const;

  WDL_String mLabel;
};

#endif  // TONEGLASS_CONTROLS_H_
