// IGraphics: the editor's graphics context. It owns the controls (in z-order), the
// off-screen bitmap they draw into and the binding between parameters and controls;
// it finds what must be redrawn, draws it, and routes the mouse and keys to controls.
// It is abstract: a platform subclass (a window system, or none) supplies the
// operations that touch the screen.
//
// Threads: the editor's own thread (the host's user-interface thread or the
// platform's timer) draws and handles input; host threads move parameter values in
// through SetParameterFromPlug. No lock is taken on either side: control values are
// SharedValues. A separate idle thread calls the plug-in's OnPlugIdle every 50 ms.
//
// Thread tags on the operations a backend or control library overrides, as in
// IPlugBase.h: [editor] the editor's own thread; [main-thread] the host's dispatcher
// thread; [any-thread]; "mutex held" / "mutex free" for the plug-in's instance mutex.
#ifndef IPLUG_IGRAPHICS_H_
#define IPLUG_IGRAPHICS_H_

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "IControl.h"
#include "IEditGestures.h"
#include "IGraphicsStructs.h"
#include "IPlugBase.h"
#include "IPlugEditor.h"
#include "IPopupMenu.h"
#include "lice.h"
#include "ptrlist.h"
#include "wdlstring.h"

class IParam;
class IPlugBase;

// The platform operations every backend supplies, declared once: a backend's class
// says IGRAPHICS_PLATFORM_OPERATIONS where these belong and defines each of them in its
// source files (the contracts are the pure operations' above).
#define IGRAPHICS_PLATFORM_OPERATIONS                                                                  \
  bool DrawScreen(IRECT* pR) override;                                                                 \
  void ForceEndUserEdit() override;                                                                    \
  const char* GetGUIAPI() override;                                                                    \
  int ShowMessageBox(const char* text, const char* caption, int type) override;                        \
  IPopupMenu* CreateIPopupMenu(IPopupMenu* pMenu, IRECT* pAreaRect) override;                          \
  void CreateTextEntry(IControl* pControl, IText* pText, IRECT* pTextRect, const char* str = "",       \
                       IParam* pParam = nullptr) override;                                             \
  void HostPath(WDL_String* pPath) override;                                                           \
  void PluginPath(WDL_String* pPath) override;                                                         \
  void DesktopPath(WDL_String* pPath) override;                                                        \
  void AppSupportPath(WDL_String* pPath, bool isSystem = false) override;                              \
  void PromptForFile(WDL_String* pFilename, EFileAction action = kFileOpen, WDL_String* pDir = nullptr, \
                     char* extensions = nullptr) override;                                             \
  bool PromptForColor(IColor* pColor, char* prompt = nullptr) override;                                \
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr, \
               const char* errMsgOnFailure = nullptr) override;                                        \
  void* OpenWindow(void* pParentWnd) override;                                                         \
  void CloseWindow() override;                                                                         \
  void* GetWindow() override;                                                                          \
  bool GetTextFromClipboard(WDL_String* pStr) override;                                                \
  void UpdateFPS(int fps) override;                                                                    \
  void SetMCursor(int cursor) override;                                                                \
  void SetWindowTransparency(int alpha) override;                                                      \
  void UpdateTooltips() override;                                                                      \
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;

// Cursor ids for SetMCursor.
enum EMCursor { kMCursorArrow = 0, kMCursorCustom = 1 };

class IGraphics : public IPlugEditor {
 public:
  // refreshRate <= 0 gives 25 frames per second. Starts the idle thread.
  IGraphics(IPlugBase* pPlug, int w, int h, int refreshRate = 0);
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- Virtual operations (platform ones are pure) ----------------------------------
  // [editor] Copies the region of the draw bitmap to the screen; false when it could not.
  virtual bool DrawScreen(IRECT* pR) = 0;
  // [editor] Measures with DrawIText in measuring mode: pR receives the text's box.
  virtual bool MeasureIText(IText* pTxt, char* str, IRECT* pR);
  // [editor] Ends a text entry in progress (abandoning it).
  virtual void ForceEndUserEdit() = 0;
  // [editor, mutex free] Keeps the controls when keepControls is non-zero; always
  // rebuilds the bitmaps and tells the plug-in (ResizeGraphics).
  virtual void Resize(int w, int h, int keepControls = 0);
  // [editor, mutex free] Deletes every control, rebuilds the bitmaps, tells the plug-in.
  virtual void NewGraphics();
  // [any-thread]
  bool WindowIsOpen() override { return GetWindow() != nullptr; }
  // [any-thread] Names the backend; the empty text in the base.
  virtual const char* GetGUIAPI() { return ""; }
  // [editor, modal] Returns the button pressed (platform convention), 0 when nothing
  // could be shown.
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  // [editor, modal] Shows pMenu at pAreaRect. When the user chooses an item, stores its
  // index as pMenu's chosen item and returns non-null; null when cancelled.
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* pMenu, IRECT* pAreaRect) = 0;
  // [editor] Opens an editable field over pTextRect; the typed text comes back through
  // SetFromStringAfterPrompt (or TextFromTextEntry without a parameter).
  virtual void CreateTextEntry(IControl* pControl, IText* pText, IRECT* pTextRect,
                               const char* str = "", IParam* pParam = nullptr) = 0;
  // [any-thread] Folders: the host program's, the plug-in binary's, the user's
  // desktop, the application support folder (XdgFolders.h on Linux).
  virtual void HostPath(WDL_String* pPath) = 0;
  virtual void PluginPath(WDL_String* pPath) = 0;
  virtual void DesktopPath(WDL_String* pPath) = 0;
  virtual void AppSupportPath(WDL_String* pPath, bool isSystem = false) = 0;
  // [editor, modal] Leaves pFilename empty when the user cancels.
  virtual void PromptForFile(WDL_String* pFilename, EFileAction action = kFileOpen,
                             WDL_String* pDir = nullptr, char* extensions = nullptr) = 0;
  // [editor, modal]
  virtual bool PromptForColor(IColor* pColor, char* prompt = nullptr) = 0;
  // [editor]
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
                       const char* confirmMsg = nullptr, const char* errMsgOnFailure = nullptr) = 0;
  // [main-thread, mutex held] Embeds the editor in the host's parent window; the view,
  // or null on failure.
  void* OpenWindow(void* pParentWnd) override = 0;
  virtual void* OpenWindow(void* /*pParentWnd*/, void* /*pParentControl*/, short /*x*/ = 0,
                           short /*y*/ = 0) {
    return nullptr;
  }
  // [main-thread, mutex held]
  virtual void AttachSubWindow(void* /*hostWindowRef*/) {}
  virtual void RemoveSubWindow() {}
  void CloseWindow() override = 0;
  // [any-thread]
  virtual void* GetWindow() = 0;
  // [editor]
  virtual bool GetTextFromClipboard(WDL_String* pStr) = 0;
  virtual void UpdateFPS(int fps) = 0;
  virtual void SetMCursor(int cursor) = 0;
  virtual void SetWindowTransparency(int alpha) = 0;
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor() {}
  virtual void UpdateTooltips() = 0;
  // [any-thread; the plug-in's constructor] A newly made bitmap holding the decoded
  // image resource, or null.
  virtual LICE_IBitmap* OSLoadBitmap(int id, const char* name) = 0;
  // [main-thread, mutex free] The host's editor idle call (effEditIdle): a platform
  // without a run loop of its own handles its events and redraws here. The base ends
  // a wheel gesture whose pause has passed (PollEditGestures).
  void OnEditorIdle() override { PollEditGestures(); }
  // [main-thread, mutex held] A key the host hands over (effEditKeyDown / effEditKeyUp:
  // character, VST virtual key, modifier flags). True when the editor took it; false
  // gives it back.
  bool OnHostKey(int /*character*/, int /*virtualKey*/, int /*modifiers*/, bool /*down*/) override {
    return false;
  }

  // ---- Setup ------------------------------------------------------------------------
  // [editor; on attach, mutex held] Creates the draw bitmap (width x height) and the
  // scratch bitmap.
  void PrepDraw() override;
  // Appends the control (ownership passes to the context); returns its index.
  int AttachControl(IControl* pControl);
  // Inserts at index 0: every other control moves up by one.
  void AttachBackground(int id, const char* name);
  void AttachPanelBackground(const IColor* pColor);
  // Takes ownership; replaces (and deletes) an earlier key catcher.
  void AttachKeyCatcher(IControl* pControl);
  void ResizeUpdateControls(int refW, int refH, double factorX, double factorY);

  // ---- Parameter binding ------------------------------------------------------------
  // [any-thread, mutex held] Host or plug-in side: moves every control bound to
  // paramIdx (and auxiliary slots).
  void SetParameterFromPlug(int paramIdx, double value, bool normalized) override;
  void SetControlFromPlug(int controlIdx, double normalizedValue);
  // 0 for an index outside the list.
  double GetControlFromPlug(int controlIdx);
  // Editor side: every bound control takes the value and pushes it to the plug-in.
  void SetParameterFromGUI(int paramIdx, double value, bool normalized = true);
  void SetParameterFromGUIDefault(int paramIdx, double value);
  void ClampControl(int paramIdx, double lo, double hi, bool normalized);
  void HideControl(int paramIdx, bool hide);
  void GrayOutControl(int paramIdx, bool gray);
  void TransparentControl(int paramIdx, bool transparent);
  void SetAllControlsDirty(bool pushParamToPlug = false) override;
  void AssignParamNameToolTips();
  void SetStrictDrawing(bool strict);
  bool GetStrictDrawing() const { return mStrict; }
  void ReleaseMouseCapture();

  // ---- Drawing entry points (the platform's timer and repaint) ----------------------
  // Grows *pR to cover every dirty control; true when any control is dirty.
  bool IsDirty(IRECT* pR);
  // Draws what *pR needs into the draw bitmap, then returns DrawScreen(pR).
  bool Draw(IRECT* pR);
  void OnGUIIdle();
  // The picture without a window (IGraphics_picture.cpp): a draw pass as the timer
  // runs it, and the draw bitmap written to a PNG file.
  void DrawPicturePass(bool everything) override;
  bool WritePicturePNG(const char* path) override;

  // ---- Events (editor pixels, origin top-left) --------------------------------------
  void OnMouseDown(int x, int y, IMouseMod* pMod);
  void OnMouseUp(int x, int y, IMouseMod* pMod);
  void OnMouseDrag(int x, int y, IMouseMod* pMod);
  // True when the double click was delivered as a mouse-down.
  bool OnMouseDblClick(int x, int y, IMouseMod* pMod);
  void OnMouseWheel(int x, int y, IMouseMod* pMod, int d);
  bool OnMouseOver(int x, int y, IMouseMod* pMod);
  void OnMouseOut();
  bool OnKeyDown(int x, int y, int key);
  // The captured control, else the topmost visible, non-grayed control under the
  // point; -1 for none.
  int GetMouseControlIdx(int x, int y, bool mo = false);
  int GetParamIdxForPTAutomation(int x, int y);
  int GetLastClickedParamForPTAutomation();

  // ---- Edit gestures (begin/end notices to the host) -----------------------------------
  // Ends a wheel run that has paused long enough; platforms call it from their event
  // loop, on the thread that handles events.
  void PollEditGestures();
  // Ends every open gesture: the editor closes or lost its window system. Only while
  // the plug-in is whole (the notices go through its host binding).
  void EndEditGestures() override { mGestures.EndAll(); }
  IEditGestures& EditGestures() { return mGestures; }
  bool TouchEditGesture(int paramIdx) override { return mGestures.Touch(paramIdx); }

  // ---- Prompts ------------------------------------------------------------------------
  // A menu for enumerations and booleans with texts, a text entry otherwise.
  void PromptUserInput(IControl* pControl, IParam* pParam, IRECT* pTextRect);
  void SetFromStringAfterPrompt(IControl* pControl, IParam* pParam, char* txt);

  // ---- Bitmaps (process-wide cache) -------------------------------------------------
  // A handle with nStates frames. When the image cannot be decoded the handle has no
  // bitmap and a 0 x 0 size: it draws nothing.
  IBitmap LoadIBitmap(int id, const char* name, int nStates = 1, bool framesAreHoriz = false);
  IBitmap ScaleBitmap(IBitmap* pSrcBitmap, int destW, int destH);
  IBitmap CropBitmap(IBitmap* pSrcBitmap, IRECT* pR);
  void RetainBitmap(IBitmap* pBitmap);
  void ReleaseBitmap(IBitmap* pBitmap);
  // Deletes every cached bitmap (process-wide).
  static void FlushIBitmap();

  // ---- Drawing (into the draw bitmap) -------------------------------------------------
  bool DrawBitmap(IBitmap* pBitmap, IRECT* pDest, int srcX, int srcY,
                  const IChannelBlend* pBlend = nullptr);
  // frame is 1-based.
  bool DrawBitmap(IBitmap* pBitmap, IRECT* pDest, int frame = 1,
                  const IChannelBlend* pBlend = nullptr);
  bool DrawBitmapLice(LICE_IBitmap* pBitmap, IRECT* pDest, int srcX, int srcY,
                      const IChannelBlend* pBlend = nullptr);
  // angle in radians.
  bool DrawRotatedBitmap(IBitmap* pBitmap, int destCtrX, int destCtrY, double angle,
                         int yOffsetZeroDeg = 0, const IChannelBlend* pBlend = nullptr);
  // angle in degrees.
  bool DrawRotatedMask(IBitmap* pBase, IBitmap* pMask, IBitmap* pTop, int x, int y,
                       double angle, const IChannelBlend* pBlend = nullptr);
  bool DrawPoint(const IColor* pColor, float x, float y, const IChannelBlend* pBlend = nullptr,
                 bool antiAlias = false);
  bool DrawPointBitmap(LICE_MemBitmap* pBitmap, const IColor* pColor, float x, float y,
                       const IChannelBlend* pBlend = nullptr, bool antiAlias = false);
  // Unchecked: the caller keeps (x, y) inside the bitmap.
  bool ForcePixel(const IColor* pColor, int x, int y);
  IColor GetPoint(int x, int y);
  LICE_pixel* GetBits();
  bool DrawLine(const IColor* pColor, float x1, float y1, float x2, float y2,
                const IChannelBlend* pBlend = nullptr, bool antiAlias = false);
  bool DrawLineAlpha(const IColor* pColor, float x1, float y1, float x2, float y2,
                     const IChannelBlend* pBlend = nullptr, bool antiAlias = false);
  bool DrawFLine(const IColor* pColor, float x1, float y1, float x2, float y2,
                 const IChannelBlend* pBlend = nullptr, bool antiAlias = false);
  bool DrawArc(const IColor* pColor, float cx, float cy, float r, float minAngle, float maxAngle,
               const IChannelBlend* pBlend = nullptr, bool antiAlias = false);
  bool DrawCircle(const IColor* pColor, float cx, float cy, float r,
                  const IChannelBlend* pBlend = nullptr, bool antiAlias = false);
  bool FillCircle(const IColor* pColor, int cx, int cy, float r,
                  const IChannelBlend* pBlend = nullptr, bool antiAlias = false);
  bool RoundRect(const IColor* pColor, IRECT* pR, const IChannelBlend* pBlend, int cornerradius,
                 bool aa);
  bool FillRoundRect(const IColor* pColor, IRECT* pR, const IChannelBlend* pBlend,
                     int cornerradius, bool aa);
  bool FillIRect(const IColor* pColor, IRECT* pR, const IChannelBlend* pBlend = nullptr);
  bool DrawRect(const IColor* pColor, IRECT* pR);
  bool DrawRect1(const IColor* pColor, IRECT* pR, const IChannelBlend* pBlend = nullptr);
  bool DrawVerticalLine(const IColor* pColor, int xi, int yLo, int yHi);
  bool DrawHorizontalLine(const IColor* pColor, int yi, int xLo, int xHi);
  bool DrawVerticalLine(const IColor* pColor, IRECT* pR, float x);
  bool DrawHorizontalLine(const IColor* pColor, IRECT* pR, float y);
  bool DrawRadialLine(const IColor* pColor, float cx, float cy, float angle, float rMin,
                      float rMax, const IChannelBlend* pBlend = nullptr, bool antiAlias = false);
  bool FillTriangle(const IColor* pColor, int x1, int y1, int x2, int y2, int x3, int y3,
                    IChannelBlend* pBlend);
  bool FillIConvexPolygon(const IColor* pColor, int* x, int* y, int npoints,
                          const IChannelBlend* pBlend = nullptr);
  bool FillIRectGrad(const IColor* pColor1, const IColor* pColor2, IRECT* pR,
                     const IChannelBlend* pBlend = nullptr);
  // measure: lay out only, writing the text's box into *pR. False when the font
  // cannot be made.
  bool DrawIText(IText* pTxt, char* str, IRECT* pR, bool measure = false);
  // The style's font, made and entered in the process-wide cache when needed.
  LICE_CachedFont* CacheFont(IText* pTxt);

  // Variants on a caller's bitmap.
  bool FillIRect_TB(LICE_IBitmap* pBitmap, const IColor* pColor, IRECT* pR,
                    const IChannelBlend* pBlend = nullptr);
  bool DrawBitmap_TB(LICE_IBitmap* pBitmap, int srcX, int srcY, IRECT* pDest, IRECT* pClip,
                     const IChannelBlend* pBlend = nullptr);
  bool Translate_TB(LICE_IBitmap* pBitmap, int dx, int dy);
  bool Scale_TB(LICE_IBitmap* pBitmap, float fx, float fy);

  // ---- Accessors --------------------------------------------------------------------
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  int FPS() const { return mFPS; }
  IPlugBase* GetPlug() { return mPlug; }
  int GetNControls() const { return mControls.GetSize(); }
  // Null outside the list.
  IControl* GetControl(int idx) { return mControls.Get(idx); }
  IControl* GetKeyCatcher() { return mKeyCatcher; }
  LICE_SysBitmap* GetDrawBitmap() const { return mDrawBitmap; }
  IRECT* GetDrawRECT() { return &mDrawRECT; }
  bool TooltipsEnabled() const { return mTooltipsEnabled; }
  void EnableTooltips(bool enable) { mTooltipsEnabled = enable; }
  void HandleMouseOver(bool canHandle) { mHandleMouseOver = canHandle; }
  bool CanHandleMouseOver() const { return mHandleMouseOver; }
  bool IsMouseButtonDown() const { return mMouseButtonDown; }
  const IMouseMod* GetLastMouseMod() const { return &mLastMouseMod; }
  int GetMouseCapture() const { return mMouseCapture; }
  int GetMouseOver() const { return mMouseOver; }
  // Whether the idle thread is running (for tests of its lifecycle).
  bool IdleThreadRunning() const { return mIdleRunning; }
  // Stops the idle thread now (it calls into the plug-in, so the plug-in's owner stops
  // it before taking the plug-in apart). The destructor stops it anyway.
  void StopIdleThread() override { CloseThread(); }

 protected:
  // Stops the idle thread within one period; safe to call twice. Platform
  // subclasses whose destructors tear down windows call it first.
  void CloseThread();

  int mFPS;
  WDL_PtrList<IControl> mControls;
  IPlugBase* mPlug;
  IRECT mDrawRECT;
  bool mCursorHidden = false;
  int mHiddenMousePointX = -1, mHiddenMousePointY = -1;
  LICE_SysBitmap* mDrawBitmap = nullptr;
  LICE_MemBitmap* mTmpBitmap = nullptr;
  int mWidth, mHeight;
  int mIdleTicks = 0;
  int mMouseCapture = -1, mMouseOver = -1;
  int mMouseX = 0, mMouseY = 0;
  int mLastClickedParam = -1;
  bool mHandleMouseOver = false;
  bool mStrict = true;
  bool mTooltipsEnabled = false;
  IControl* mKeyCatcher = nullptr;
  bool mMouseButtonDown = false;
  IMouseMod mLastMouseMod;
  IEditGestures mGestures;

 private:
  // What the idle thread shares with its owner. The thread holds its own reference:
  // when an idle call destroys the graphics context, the thread returns into this
  // block, sees the stop and ends without touching the freed context.
  struct IdleShared {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
  };

  void CreateThread();
  static void ThreadProc(IGraphics* pOwner, std::shared_ptr<IdleShared> pShared);
  void DeleteAllControls();

  std::thread mIdleThread;
  std::shared_ptr<IdleShared> mIdle;
  SharedValue<bool> mIdleRunning = false;
};

// Defined here, where an IGraphics is known to be an IPlugEditor: the plug-in core sees
// only the interface and links no graphics code.
inline void IPlugBase::AttachGraphics(IGraphics* pGraphics) { AdoptEditor(pGraphics, pGraphics); }

#endif  // IPLUG_IGRAPHICS_H_
