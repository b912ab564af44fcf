// IControl: the base of everything placed in an editor. A control has a rectangle,
// may be bound to a parameter (and auxiliary ones), holds that parameter's value
// normalised to 0..1, draws itself when the graphics context asks and reacts to the
// mouse and keys the context routes to it. The standard controls follow it.
//
// Threads: the host's threads move values in (SetValueFromPlug and friends) while the
// editor's thread draws and handles gestures, so every field both sides touch is a
// SharedValue. Neither side waits on the other.
#ifndef IPLUG_ICONTROL_H_
#define IPLUG_ICONTROL_H_

#include <mutex>

#include "IGraphicsStructs.h"
#include "IPlugBase.h"
#include "SharedValue.h"
#include "ptrlist.h"
#include "wdlstring.h"

class IGraphics;

// Editor key codes handed to OnKeyDown.
enum EIPlugKeyCodes {
  KEY_SPACE = 0,
  KEY_UPARROW = 1,
  KEY_DOWNARROW = 2,
  KEY_LEFTARROW = 3,
  KEY_RIGHTARROW = 4,
  KEY_DIGIT_0 = 5,
  KEY_DIGIT_9 = 14,
  KEY_ALPHA_A = 15,
  KEY_ALPHA_Z = 40
};

// How a control's rectangle follows an editor resize. Nothing in this system enables
// resizing; the rule is kept so plug-ins that do can describe it.
struct IResize {
  int mRefW = 100, mRefH = 100;
  double mFactorX = 1.0, mFactorY = 1.0;
  int mLeft = 0, mLeftRule = 0, mTop = 0, mTopRule = 0;
  int mWidth = 0, mWidthRule = 0, mHeight = 0, mHeightRule = 0;

  // Rule 0 keeps a coordinate, 1 adds int(ref width * factor x), 2 adds
  // int(ref height * factor y), 3 scales it.
  IRECT GetRectResize() const;
};

class IControl {
 public:
  // One further parameter the control shows.
  struct AuxParam {
    SharedValue<double> mValue = 0.0;
    int mParamIdx = -1;
    explicit AuxParam(int idx = -1) : mParamIdx(idx) {}
  };

  // paramIdx -1: no parameter. The default value is the parameter's normalised
  // default, or -1 (none) without a parameter.
  IControl(IPlugBase* pPlug, IRECT pR, int paramIdx = -1,
           IChannelBlend blendMethod = IChannelBlend::kBlendNormal);
  virtual ~IControl();
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // ---- Virtual operations, in slot order ----------------------------------------------
  // Base: a right click opens the parameter prompt.
  virtual void OnMouseDown(int x, int y, IMouseMod* pMod);
  virtual void OnMouseUp(int x, int y, IMouseMod* pMod);
  virtual void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* pMod);
  // Base: resets to the default value (when there is one) and pushes it.
  virtual void OnMouseDblClick(int x, int y, IMouseMod* pMod);
  virtual void OnMouseWheel(int x, int y, IMouseMod* pMod, int d);
  virtual bool OnKeyDown(int x, int y, int key);
  virtual void OnMouseOver(int x, int y, IMouseMod* pMod);
  virtual void OnMouseOut();
  // Returns false when the control could not draw (for example a missing font).
  virtual bool Draw(IGraphics* pGraphics) = 0;
  // The plug-in changed the value: the first call sets the default, later ones mark
  // the control for redraw when the value differs. Never pushes back.
  virtual void SetValueFromPlug(double value);
  virtual double GetValueFromPlug();
  // A user gesture: stores the value, pushes it to the plug-in, asks for a redraw.
  virtual void SetValueFromUserInput(double value);
  virtual void SetDefaultValueFromUserInput(double value);
  virtual void SetRECT(IRECT r);
  virtual void TextFromTextEntry(const char* txt);
  virtual void Hide(bool hide);
  virtual void GrayOut(bool gray);
  virtual void MakeTransparent(bool transparent);
  virtual bool IsHit(int x, int y);
  // Clamps the value, marks the control dirty and, when pushParamToPlug is set, hands
  // the value to the plug-in and refreshes the display controls.
  virtual void SetDirty(bool pushParamToPlug = true);
  virtual void SetClean();
  virtual bool IsDirty();
  virtual void OnGUIIdle();
  virtual void SetAuxParamValueFromPlug(int auxParamIdx, double value);

  // Editor thread, before Draw: takes the weight GrayOut/MakeTransparent last set.
  void SyncBlendForDraw();

 protected:
  // Host side of the redraw handshake: redraw requested, then SetDirty(false).
  void RequestRedrawThenDirty();

 public:

  // ---- Prompts, auxiliary parameters ----------------------------------------------------
  // Asks the context to prompt for this control's parameter (menu or text entry).
  void PromptUserInput();
  void PromptUserInput(IRECT* pTextRect);
  void AddAuxParam(int paramIdx);
  // Position of the first slot bound to paramIdx, -1 when none.
  int AuxParamIdx(int paramIdx);
  // Null outside 0..NAuxParams() - 1.
  AuxParam* GetAuxParam(int idx) { return mAuxParams.Get(idx); }
  int NAuxParams() { return mAuxParams.GetSize(); }
  void SetAllAuxParamsFromGUI();

  // ---- Accessors --------------------------------------------------------------------
  IPlugBase* GetPlug() const { return mPlug; }
  // The plug-in's editor, or null.
  IGraphics* GetGUI() const;
  int ParamIdx() const { return mParamIdx; }
  // The bound parameter, or null.
  IParam* GetParam() const;
  IRECT* GetRECT() { return &mRECT; }
  IRECT* GetTargetRECT() { return &mTargetRECT; }
  void SetTargetArea(IRECT r) { mTargetRECT = r; }
  IText* GetText() { return &mText; }
  void SetText(const IText* pTxt) { mText = *pTxt; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int len) { mTextEntryLength = len; }
  const IChannelBlend* GetBlend() const { return &mBlend; }
  double GetValue() const { return mValue; }
  double GetDefaultValue() const { return mDefaultValue; }
  void Clamp(double lo, double hi) {
    mClampLo = lo;
    mClampHi = hi;
  }
  bool IsHidden() const { return mHide; }
  bool IsGrayed() const { return mGrayed; }
  bool GetMOWhenGrayed() const { return mMOWhenGrayed; }
  void SetMOWhenGrayed(bool allow) { mMOWhenGrayed = allow; }
  bool MouseDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetMouseDblAsSingleClick(bool single) { mDblAsSingleClick = single; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool IsPromptDisabled() const { return mDisablePrompt; }
  void SetValDisplayControl(IControl* pValDisplayControl) { mValDisplayControl = pValDisplayControl; }
  void SetNameDisplayControl(IControl* pNameDisplayControl) { mNameDisplayControl = pNameDisplayControl; }
  IControl* GetValDisplayControl() const { return mValDisplayControl; }
  IControl* GetNameDisplayControl() const { return mNameDisplayControl; }
  // Text-showing controls override these; the base has no text.
  virtual void SetTextFromPlug(const char* /*str*/) {}
  virtual const char* GetTextForDisplay() const { return ""; }
  void SetTooltip(const char* tooltip) { mTooltip.Set(tooltip ? tooltip : ""); }
  const char* GetTooltip() const { return mTooltip.Get(); }
  IResize* GetResize() { return &mResize; }
  void EnableResize(bool enable) { mResizeEnabled = enable; }
  bool IsResizeEnabled() const { return mResizeEnabled; }

 protected:
  IResize mResize;
  bool mResizeEnabled = false;
  int mTextEntryLength = 7;
  IText mText;
  IPlugBase* mPlug;
  IRECT mRECT, mTargetRECT;
  int mParamIdx;
  WDL_PtrList<AuxParam> mAuxParams;  // owned
  SharedValue<double> mValue = 0.0;
  SharedValue<double> mDefaultValue = -1.0;
  SharedValue<double> mClampLo = 0.0, mClampHi = 1.0;
  SharedValue<bool> mDirty = true;
  SharedValue<bool> mHide = false;
  SharedValue<bool> mGrayed = false;
  SharedValue<bool> mRedraw = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMOWhenGrayed = false;
  IChannelBlend mBlend;
  // The blend weight as GrayOut and MakeTransparent set it (possibly from a host
  // thread); the draw pass copies it into mBlend before Draw.
  SharedValue<float> mBlendWeight;
  IControl* mValDisplayControl = nullptr;
  IControl* mNameDisplayControl = nullptr;
  WDL_String mTooltip;
};

// ---- Controls the context and the plug-in build on ----------------------------------

// A rectangle filled with one colour.
class IPanelControl : public IControl {
 public:
  IPanelControl(IPlugBase* pPlug, IRECT pR, const IColor* pColor,
                IChannelBlend blend = IChannelBlend::kBlendNormal);
  bool Draw(IGraphics* pGraphics) override;

 protected:
  IColor mColor;
};

// A film-strip bitmap showing its value as one of its frames.
class IBitmapControl : public IControl {
 public:
  IBitmapControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap,
                 IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNormal);
  IBitmapControl(IPlugBase* pPlug, int x, int y, const IBitmap* pBitmap,
                 IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNormal)
      : IBitmapControl(pPlug, x, y, -1, pBitmap, blendMethod) {}
  bool Draw(IGraphics* pGraphics) override;

 protected:
  IBitmap mBitmap;
};

// The frame (1..N) a film strip of N frames shows for a normalised value.
int FrameForValue(double value, int nFrames);

// The knob family: dragging and the wheel move the value.
class IKnobControl : public IControl {
 public:
  IKnobControl(IPlugBase* pPlug, IRECT pR, int paramIdx, EDirection direction = kVertical,
               double gearing = 4.0);
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* pMod) override;
  void OnMouseWheel(int x, int y, IMouseMod* pMod, int d) override;

 protected:
  EDirection mDirection;
  double mGearing;
};

// A knob drawn as one frame of a film strip.
class IKnobMultiControl : public IKnobControl {
 public:
  IKnobMultiControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap,
                    EDirection direction = kVertical, double gearing = 4.0);
  bool Draw(IGraphics* pGraphics) override;

 protected:
  IBitmap mBitmap;
};

// Text in a rectangle; no parameter. The plug-in may set the text from a host thread
// while the editor draws it: the text is guarded by a lock held only while it is
// compared, stored or copied for drawing, never while drawing.
class ITextControl : public IControl {
 public:
  ITextControl(IPlugBase* pPlug, IRECT pR, const IText* pText, const char* str = "");
  // Stores the text and marks the control dirty (without pushing) when it differs.
  void SetTextFromPlug(const char* str) override;
  // The editor thread's view of the text (a host thread setting it meanwhile may
  // replace the buffer: callers on other threads use SetTextFromPlug only).
  const char* GetTextForDisplay() const override { return mStr.Get(); }
  void ClearTextFromPlug() { SetTextFromPlug(""); }
  bool Draw(IGraphics* pGraphics) override;

 protected:
  // For text fields bound to a parameter (the caption).
  ITextControl(IPlugBase* pPlug, IRECT pR, int paramIdx, const IText* pText, const char* str = "");
  // Draws str (the editor thread's copy of the text).
  bool DrawText(IGraphics* pGraphics, WDL_String* str);

  WDL_String mStr;
  std::mutex mStrLock;
  WDL_String mDrawStr;  // reused: a draw pass allocates nothing once it has grown
};

// ---- Switches -----------------------------------------------------------------------

// A film strip that steps to its next frame on each click, wrapping to the first.
class ISwitchControl : public IBitmapControl {
 public:
  ISwitchControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap,
                 IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNormal)
      : IBitmapControl(pPlug, x, y, paramIdx, pBitmap, blendMethod) {}
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  // A double click steps too (it is two clicks).
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override;
};

// A switch whose click opens the menu of its parameter's display texts (prompting is
// enabled for it).
class ISwitchPopUpControl : public ISwitchControl {
 public:
  ISwitchPopUpControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap,
                      IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNormal);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
};

// A switch whose frames lie side by side (or stacked) as click areas: a click selects
// the frame under it.
class ISwitchFramesControl : public ISwitchControl {
 public:
  ISwitchFramesControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap,
                       bool imagesAreHorizontal = false,
                       IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNormal);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  const IRECT* GetClickRECT(int j) const { return mRECTs.Get(j); }
  int NClickRECTs() const { return mRECTs.GetSize(); }
  ~ISwitchFramesControl() override { mRECTs.Empty(true); }

 protected:
  WDL_PtrList<IRECT> mRECTs;  // owned
};

// A momentary switch: back to 0 when the button is released.
class IContactControl : public ISwitchControl {
 public:
  IContactControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap)
      : ISwitchControl(pPlug, x, y, paramIdx, pBitmap) {}
  void OnMouseUp(int x, int y, IMouseMod* pMod) override;
};

// A switch that is only drawn when on; while off it is clicked through its target
// area instead.
class IBitmapOverlayControl : public ISwitchControl {
 public:
  IBitmapOverlayControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap,
                        IRECT pTargetArea)
      : ISwitchControl(pPlug, x, y, paramIdx, pBitmap), mTargetArea(pTargetArea) {}
  bool Draw(IGraphics* pGraphics) override;

 protected:
  IRECT mTargetArea;
};

// A toggle with no picture of its own (drawn by what lies under it).
class IInvisibleSwitchControl : public IControl {
 public:
  IInvisibleSwitchControl(IPlugBase* pPlug, IRECT pR, int paramIdx);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  bool Draw(IGraphics*) override { return true; }
};

// n buttons of a two-frame bitmap (off, on) in a row or column; one is active.
class IRadioButtonsControl : public IControl {
 public:
  IRadioButtonsControl(IPlugBase* pPlug, IRECT pR, int paramIdx, int nButtons, const IBitmap* pBitmap,
                       EDirection direction = kVertical, bool reverse = false);
  ~IRadioButtonsControl() override { mRECTs.Empty(true); }
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  bool Draw(IGraphics* pGraphics) override;
  const IRECT* GetButtonRECT(int j) const { return mRECTs.Get(j); }

 protected:
  WDL_PtrList<IRECT> mRECTs;  // owned
  IBitmap mBitmap;
};

// ---- Fader --------------------------------------------------------------------------

// A handle bitmap sliding along a track of len pixels; clicks and drags snap the
// handle's middle to the mouse.
class IFaderControl : public IControl {
 public:
  IFaderControl(IPlugBase* pPlug, int x, int y, int len, int paramIdx, const IBitmap* pBitmap,
                EDirection direction = kVertical, bool onlyHandle = false);
  int GetLength() const { return mLen; }
  int GetHandleHeadroom() const { return mHandleHeadroom; }
  // The handle's rectangle for value (negative: the current value).
  IRECT GetHandleRECT(double value = -1.0) const;
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* pMod) override;
  void OnMouseWheel(int x, int y, IMouseMod* pMod, int d) override;
  bool Draw(IGraphics* pGraphics) override;
  bool IsHit(int x, int y) override;
  virtual void SnapToMouse(int x, int y);

 protected:
  int mLen, mHandleHeadroom;
  IBitmap mBitmap;
  EDirection mDirection;
  bool mOnlyHandle;
};

// ---- More knobs ---------------------------------------------------------------------

// A knob drawn as one antialiased line from the inner to the outer radius; angles in
// radians, clockwise from straight up.
class IKnobLineControl : public IKnobControl {
 public:
  IKnobLineControl(IPlugBase* pPlug, IRECT pR, int paramIdx, const IColor* pColor,
                   double innerRadius = 0.0, double outerRadius = 0.0,
                   double minAngle = -0.75 * 3.14159265358979323846,
                   double maxAngle = 0.75 * 3.14159265358979323846, EDirection direction = kVertical,
                   double gearing = 4.0);
  bool Draw(IGraphics* pGraphics) override;

 protected:
  IColor mColor;
  float mMinAngle, mMaxAngle, mInnerRadius, mOuterRadius;
};

// A knob drawn as one bitmap rotated about the control's middle; angles in radians.
class IKnobRotaterControl : public IKnobControl {
 public:
  IKnobRotaterControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBitmap,
                      double minAngle = -0.75 * 3.14159265358979323846,
                      double maxAngle = 0.75 * 3.14159265358979323846, int yOffsetZeroDeg = 0,
                      EDirection direction = kVertical, double gearing = 4.0);
  bool Draw(IGraphics* pGraphics) override;

 protected:
  IBitmap mBitmap;
  double mMinAngle, mMaxAngle;
  int mYOffset;
};

// A knob drawn as a base, a rotated mask over it and a fixed top; angles in degrees.
class IKnobRotatingMaskControl : public IKnobControl {
 public:
  IKnobRotatingMaskControl(IPlugBase* pPlug, int x, int y, int paramIdx, const IBitmap* pBase,
                           const IBitmap* pMask, const IBitmap* pTop, double minAngle = -135.0,
                           double maxAngle = 135.0, EDirection direction = kVertical,
                           double gearing = 4.0);
  bool Draw(IGraphics* pGraphics) override;

 protected:
  IBitmap mBase, mMask, mTop;
  double mMinAngle, mMaxAngle;
};

// ---- Caption, link, file selector ---------------------------------------------------

// A text field showing its parameter's display value (and label). Clicks open the
// parameter prompt once its owner enables prompting.
class ICaptionControl : public ITextControl {
 public:
  ICaptionControl(IPlugBase* pPlug, IRECT pR, int paramIdx, const IText* pText,
                  bool showParamLabel = true);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* pMod) override;
  bool Draw(IGraphics* pGraphics) override;

 protected:
  bool mShowParamLabel;
};

// An invisible area that opens a web address (or a backup one) when clicked.
class IURLControl : public IControl {
 public:
  IURLControl(IPlugBase* pPlug, IRECT pR, const char* url, const char* backupURL = nullptr,
              const char* errMsgOnFailure = nullptr);
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  bool Draw(IGraphics*) override { return true; }

 protected:
  char mURL[256], mBackupURL[256], mErrMsg[1024];
};

// Opens the platform's file dialog when clicked; shows its bitmap while selecting and
// reports one extra redraw once the dialog closed.
class IFileSelectorControl : public IControl {
 public:
  enum EFileSelectorState { kFSNone = 0, kFSSelecting = 1, kFSDone = 2 };

  IFileSelectorControl(IPlugBase* pPlug, IRECT pR, int paramIdx, const IBitmap* pBitmap,
                       EFileAction action, const char* dir = "", const char* extensions = "");
  void OnMouseDown(int x, int y, IMouseMod* pMod) override;
  bool Draw(IGraphics* pGraphics) override;
  bool IsDirty() override;
  void GetLastSelectedFileForPlug(WDL_String* pStr) const;
  void SetLastSelectedFileFromPlug(const char* file);
  EFileSelectorState GetState() const { return mState; }

 protected:
  IBitmap mBitmap;
  WDL_String mDir, mFile, mExtensions;
  EFileAction mFileAction;
  EFileSelectorState mState = kFSNone;
};

#endif  // IPLUG_ICONTROL_H_
