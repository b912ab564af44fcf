// Text drawn with a bitmap font: a film strip holding one frame per character from
// the space (code 32) upward, every character the same width.
#ifndef IPLUG_IBITMAPMONOTEXT_H_
#define IPLUG_IBITMAPMONOTEXT_H_

#include <mutex>

#include "IControl.h"
#include "IGraphics.h"

// Draws str into *pR with the font bitmap, one charWidth x charHeight box per
// character, charOffset extra pixels between characters. Only the style's horizontal
// alignment is used. vCenter centres one line vertically; multiline wraps the text
// onto further lines when it is wider than the rectangle. Characters the font has no
// frame for are left blank. Nothing is drawn for a null or empty text, a null
// argument or a character box without size.
void DrawBitmapedText(IGraphics* pGraphics, IBitmap* pTextBitmap, IRECT* pR, IText* pText,
                      IChannelBlend* pBlend, const char* str, bool vCenter = true,
                      bool multiline = false, int charWidth = 6, int charHeight = 12,
                      int charOffset = 0);

// A control showing a text in a bitmap font. The plug-in may set the text from a
// host thread while the editor draws: the text is guarded by a lock held only while
// it is copied, never while drawing.
class IBitmapTextControl : public IControl {
 public:
  IBitmapTextControl(IPlugBase* pPlug, IRECT pR, IBitmap* pBitmap, const char* str = "",
                     IText* pText = nullptr, int charWidth = 6, int charHeight = 12,
                     int charOffset = 0, bool multiLine = false, bool vCenter = true,
                     IChannelBlend blend = IChannelBlend::kBlendNormal);
  // Stores the text and marks the control dirty (without pushing) when it differs.
  void SetTextFromPlug(const char* str) override;
  // Only for the editor's own thread (the text may change meanwhile on another).
  const char* GetTextForDisplay() const override { return mStr.Get(); }
  void ClearTextFromPlug() { SetTextFromPlug(""); }
  bool Draw(IGraphics* pGraphics) override;

 protected:
  WDL_String mStr;
  WDL_String mDrawnStr;  // the drawing thread's copy; it keeps its memory between frames
  std::mutex mStrLock;
  int mCharWidth, mCharHeight, mCharOffset;
  bool mMultiLine, mVCentre;
  IBitmap mTextBitmap;
};

#endif  // IPLUG_IBITMAPMONOTEXT_H_
