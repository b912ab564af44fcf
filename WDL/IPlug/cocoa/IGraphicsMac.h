// IGraphicsMac: the editor on Cocoa. OpenWindow puts an editor view
// (IGraphicsCocoa.h) into the host's NSView; the view's timer, in the run loop of the
// thread that opened it (the host's main thread), asks for dirty regions, and
// drawRect: draws them and copies the bitmap to the screen through CoreGraphics.
// Mouse and keys come in through the view. Nothing here takes a lock: everything runs
// on the host's user-interface thread.
//
// The header is plain C++ so that the factory that makes the editor need not be
// Objective-C; the view is an opaque pointer outside Objective-C.
#ifndef IPLUG_COCOA_IGRAPHICSMAC_H_
#define IPLUG_COCOA_IGRAPHICSMAC_H_

#include "IGraphics.h"
#include "heapbuf.h"
#include "wdlstring.h"

#ifdef __OBJC__
@class IGraphicsCocoa_vToneglass_vst;
@class NSWindow;
typedef IGraphicsCocoa_vToneglass_vst* IGraphicsMacViewPtr;
typedef NSWindow* IGraphicsMacWindowPtr;
#else
typedef void* IGraphicsMacViewPtr;
typedef void* IGraphicsMacWindowPtr;
#endif

class IGraphicsMac : public IGraphics {
 public:
  IGraphicsMac(IPlugBase* pPlug, int w, int h, int refreshRate = 0);
  ~IGraphicsMac() override;

  // The identifier of the bundle whose resources hold the images.
  void SetBundleID(const char* id) { mBundleID.Set(id); }
  const char* GetBundleID() const { return mBundleID.Get(); }

  bool DrawScreen(IRECT* pR) override;
  bool MeasureIText(IText* pTxt, char* str, IRECT* pR) override;
  void ForceEndUserEdit() override;
  void Resize(int w, int h, int keepControls = 0) override;
  bool WindowIsOpen() override { return mGraphicsCocoa != nullptr; }
  const char* GetGUIAPI() override { return "Cocoa GUI"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* pMenu, IRECT* pAreaRect) override;
  void CreateTextEntry(IControl* pControl, IText* pText, IRECT* pTextRect, const char* str = "",
                       IParam* pParam = nullptr) override;
  void HostPath(WDL_String* pPath) override;
  void PluginPath(WDL_String* pPath) override;
  void DesktopPath(WDL_String* pPath) override;
  void AppSupportPath(WDL_String* pPath, bool isSystem = false) override;
  static void AppSupportPathStatic(WDL_String* pPath);
  void PromptForFile(WDL_String* pFilename, EFileAction action = kFileOpen,
                     WDL_String* pDir = nullptr, char* extensions = nullptr) override;
  bool PromptForColor(IColor* pColor, char* prompt = nullptr) override;
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
               const char* confirmMsg = nullptr, const char* errMsgOnFailure = nullptr) override;
  void* OpenWindow(void* pParentView) override;
  using IGraphics::OpenWindow;
  void* OpenCocoaWindow(void* pParentView);
  void AttachSubWindow(void* hostWindowRef) override;
  void RemoveSubWindow() override;
  void CloseWindow() override;
  void* GetWindow() override;
  bool GetTextFromClipboard(WDL_String* pStr) override;
  void UpdateFPS(int fps) override;
  void SetMCursor(int cursor) override;
  void SetWindowTransparency(int alpha) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  void UpdateTooltips() override;
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;

  // Creates the directory (mode 0777 under a zero umask) when it does not exist.
  void CheckAndCreateDir(WDL_String* pDir);
  // The system version (Gestalt 'sysv'), 0 when unknown.
  int GetUserOSVersion();

  // The view's way to reach what the view methods change on the graphics object.
  void SetFPSFromView(int fps) { mFPS = fps; }

 private:
  IGraphicsMacViewPtr mGraphicsCocoa = nullptr;
  WDL_String mBundleID;
  void* mColorSpace = nullptr;  // CGColorSpaceRef, made on the first draw
  WDL_HeapBuf mScaledFrame;     // scratch pixels for double-density displays
  IGraphicsMacWindowPtr mHostNSWindow = nullptr;

};

// A bitmap decoded from the png resource named by fileName in the bundle with that
// identifier; null when any piece is missing.
LICE_IBitmap* LoadImgFromResourceOSX(const char* bundleID, const char* fileName);

#endif  // IPLUG_COCOA_IGRAPHICSMAC_H_
