#include "IGraphicsMac.h"

#include <dlfcn.h>
#include <stdint.h>
#include <string.h>
#include <sys/stat.h>

#include "CocoaEditorRules.h"
#include "IGraphicsCocoa.h"
#include "IControl.h"
#include "Log.h"

namespace {

// Gestalt's selector for the system version, 'sysv'.
const OSType kSystemVersionSelector = (OSType('s') << 24) | (OSType('y') << 16) | (OSType('s') << 8) | OSType('v');

void SetFromNSString(WDL_String* pStr, NSString* s) {
  const char* utf8 = s ? [s UTF8String] : nullptr;
  if (utf8) pStr->Set(utf8);
}

NSString* UserDirectory(NSSearchPathDirectory which) {
  NSArray* paths = NSSearchPathForDirectoriesInDomains(which, NSUserDomainMask, YES);
  NSString* dir = [paths count] ? [paths objectAtIndex:0] : nil;
  return [dir stringByExpandingTildeInPath];
}

#ifndef __APPLE__
// GNUstep workaround: a bundle that reached the process through dlopen (a host
// loading the plug-in) is not known by its identifier until something opens it by
// path. The bundle is the .vst folder around this shared object.
NSBundle* BundleAroundThisLibrary() {
  Dl_info info;
  if (!dladdr((void*)&BundleAroundThisLibrary, &info) || !info.dli_fname) return nil;
  NSString* path = [[NSString stringWithUTF8String:info.dli_fname] stringByStandardizingPath];
  while ([path length] > 1) {
    path = [path stringByDeletingLastPathComponent];
    if ([[path pathExtension] isEqualToString:@"vst"]) return [NSBundle bundleWithPath:path];
  }
  return nil;
}
#endif

NSBundle* FindBundle(const char* bundleID) {
  if (!bundleID || !*bundleID) return nil;
  NSString* ident = [NSString stringWithUTF8String:bundleID];
  NSBundle* pBundle = ident ? [NSBundle bundleWithIdentifier:ident] : nil;
#ifndef __APPLE__
  if (!pBundle && ident) {
    NSBundle* around = BundleAroundThisLibrary();
    if ([[around bundleIdentifier] isEqualToString:ident]) pBundle = around;
  }
#endif
  return pBundle;
}

// GNUstep workaround: graphicsPort is null there; the stand-in context draws through
// the current NSGraphicsContext.
CGContextRef CurrentCGContext() {
#ifdef __APPLE__
  return (CGContextRef)[[NSGraphicsContext graphicsContextWithGraphicsPort:
                             [[NSGraphicsContext currentContext] graphicsPort] flipped:YES] graphicsPort];
#else
  return TGStandInCurrentContext();
#endif
}

}  // namespace

IGraphicsMac::IGraphicsMac(IPlugBase* pPlug, int w, int h, int refreshRate)
    : IGraphics(pPlug, w, h, refreshRate) {
  NSApplicationLoad();
}

IGraphicsMac::~IGraphicsMac() {
  CloseThread();
  CloseWindow();
  if (mColorSpace) CGColorSpaceRelease((CGColorSpaceRef)mColorSpace);
  mColorSpace = nullptr;
}

bool IGraphicsMac::DrawScreen(IRECT* /*pR*/) {
  if (!mGraphicsCocoa) return false;
  CGContextRef pCGC = CurrentCGContext();
  if (!pCGC) return false;

  if (!mColorSpace) {
    SInt32 v = 0;
    if (Gestalt(kSystemVersionSelector, &v) != noErr) v = 0x1040;
    CGColorSpaceRef cs = nullptr;
    if (v >= 0x1070) {
      CMProfileRef prof = nullptr;
      if (CMGetSystemProfile(&prof) == noErr) cs = CGColorSpaceCreateWithPlatformColorSpace(prof);
    }
    if (!cs) cs = CGColorSpaceCreateDeviceRGB();
    mColorSpace = cs;
  }

  LICE_IBitmap* pBitmap = GetDrawBitmap();
  if (!pBitmap || !pBitmap->getBits()) return true;
  LICE_pixel* pixels = pBitmap->getBits();
  int span = pBitmap->getRowSpan();
  const int w = pBitmap->getWidth(), h = pBitmap->getHeight();
  int imgW = w, imgH = h;

  const CGSize unit = CGContextConvertSizeToDeviceSpace(pCGC, CGSizeMake(1, 1));
  if (unit.width > 1.9) {
    const int newSpan = (2 * w + 3) & ~3;
    const int64_t bytes = (int64_t)h * newSpan * 8 + 32;
    void* buf = bytes <= INT32_MAX ? mScaledFrame.Resize((int)bytes) : nullptr;
    if (buf) {
      LICE_pixel* dst = (LICE_pixel*)(((uintptr_t)buf + 31) & ~(uintptr_t)31);
      for (int y = 0; y < h; ++y) {
        const LICE_pixel* src = pixels + (size_t)y * span;
        LICE_pixel* d0 = dst + (size_t)(2 * y) * newSpan;
        LICE_pixel* d1 = d0 + newSpan;
        for (int x = 0; x < w; ++x) d0[2 * x] = d0[2 * x + 1] = d1[2 * x] = d1[2 * x + 1] = src[x];
      }
      pixels = dst;
      span = newSpan;
      imgW = 2 * w;
      imgH = 2 * h;
    }
  }

  const size_t rowBytes = (size_t)span * 4;
  CGDataProviderRef provider =
      CGDataProviderCreateWithData(nullptr, pixels, rowBytes * (size_t)imgH, nullptr);
  CGImageRef img = CGImageCreate(imgW, imgH, 8, 32, rowBytes, (CGColorSpaceRef)mColorSpace,
                                 kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Big, provider,
                                 nullptr, false, kCGRenderingIntentDefault);
  CGDataProviderRelease(provider);
  if (img) {
    CGContextDrawImage(pCGC, CGRectMake(0, 0, w, h), img);
    CGImageRelease(img);
  }
  return true;
}

bool IGraphicsMac::MeasureIText(IText* pTxt, char* str, IRECT* pR) {
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  const bool ok = IGraphics::DrawIText(pTxt, str, pR, true);
  [pool release];
  return ok;
}

void IGraphicsMac::ForceEndUserEdit() {
  if (mGraphicsCocoa) [mGraphicsCocoa endUserInput];
}

void IGraphicsMac::Resize(int w, int h, int keepControls) {
  if (w == Width() && h == Height()) return;
  IGraphics::Resize(w, h, keepControls);
  if (mGraphicsCocoa) [mGraphicsCocoa setFrameSize:NSMakeSize(w, h)];
}

int IGraphicsMac::ShowMessageBox(const char* text, const char* caption, int type) {
  CFStringRef defaultButton = nullptr, alternateButton = nullptr, otherButton = nullptr;
  CFStringRef alertMessage = CFStringCreateWithCString(nullptr, text ? text : "", kCFStringEncodingMacRoman);
  CFStringRef alertHeader = CFStringCreateWithCString(nullptr, caption ? caption : "", kCFStringEncodingMacRoman);
  switch (type) {
    case 4:  // yes / no
      defaultButton = CFStringCreateWithCString(nullptr, "Yes", kCFStringEncodingMacRoman);
      alternateButton = CFStringCreateWithCString(nullptr, "No", kCFStringEncodingMacRoman);
      break;
    case 3:  // yes / no / cancel
      defaultButton = CFStringCreateWithCString(nullptr, "Yes", kCFStringEncodingMacRoman);
      alternateButton = CFStringCreateWithCString(nullptr, "No", kCFStringEncodingMacRoman);
      otherButton = CFStringCreateWithCString(nullptr, "Cancel", kCFStringEncodingMacRoman);
      break;
    case 1:  // OK / cancel
      alternateButton = CFStringCreateWithCString(nullptr, "Cancel", kCFStringEncodingMacRoman);
      break;
    default:
      break;
  }
  CFOptionFlags response = 0;
  const int32_t err = CFUserNotificationDisplayAlert(0, kCFUserNotificationNoteAlertLevel, nullptr, nullptr, nullptr,
                                                     alertHeader, alertMessage, defaultButton, alternateButton,
                                                     otherButton, &response);
  for (CFStringRef s : {alertMessage, alertHeader, defaultButton, alternateButton, otherButton}) {
    if (s) CFRelease(s);
  }
  if (err != 0) return 0;
  return cocoa_rules::MessageBoxResult((int)(response & 0x3));
}

IPopupMenu* IGraphicsMac::CreateIPopupMenu(IPopupMenu* pMenu, IRECT* pAreaRect) {
  ReleaseMouseCapture();
  if (!mGraphicsCocoa || !pMenu || !pAreaRect) return nullptr;
  return [mGraphicsCocoa createIPopupMenu:(pMenu) :(ToNSRect(this, pAreaRect))];
}

void IGraphicsMac::CreateTextEntry(IControl* pControl, IText* pText, IRECT* pTextRect, const char* str,
                                   IParam* pParam) {
  if (!mGraphicsCocoa || !pTextRect) return;
  [mGraphicsCocoa createTextEntry:(pControl) :(pParam) :(pText) :(str) :(ToNSRect(this, pTextRect))];
}

void IGraphicsMac::HostPath(WDL_String* pPath) {
  NSBundle* pBundle = FindBundle(mBundleID.Get());
  if (pBundle) SetFromNSString(pPath, [pBundle executablePath]);
}

void IGraphicsMac::PluginPath(WDL_String* pPath) {
  NSBundle* pBundle = FindBundle(mBundleID.Get());
  NSString* path = [[pBundle bundlePath] stringByDeletingLastPathComponent];
  if (path) {
    SetFromNSString(pPath, path);
    pPath->Append("/");
  }
}

void IGraphicsMac::DesktopPath(WDL_String* pPath) { SetFromNSString(pPath, UserDirectory(NSDesktopDirectory)); }

void IGraphicsMac::AppSupportPath(WDL_String* pPath, bool /*isSystem*/) { AppSupportPathStatic(pPath); }

void IGraphicsMac::AppSupportPathStatic(WDL_String* pPath) {
  SetFromNSString(pPath, UserDirectory(NSApplicationSupportDirectory));
}

void IGraphicsMac::PromptForFile(WDL_String* pFilename, EFileAction action, WDL_String* pDir, char* extensions) {
  if (!pFilename) return;
  if (!WindowIsOpen()) {
    pFilename->Set("");
    return;
  }
  NSString* defaultFileName = [NSString stringWithUTF8String:pFilename->Get()];
  if (!defaultFileName) defaultFileName = @"";
  NSString* defaultPath = nil;
  if (pDir && pDir->GetLength()) {
    defaultPath = [NSString stringWithUTF8String:pDir->Get()];
  } else {
    defaultPath = @"~/Desktop";
    if (pDir) pDir->Set("~/Desktop");
  }
  defaultPath = [defaultPath stringByExpandingTildeInPath];
  pFilename->Set("");

  NSArray* fileTypes = nil;
  if (extensions && *extensions) {
    fileTypes = [[NSString stringWithUTF8String:extensions] componentsSeparatedByString:@" "];
  }

  NSInteger result = NSCancelButton;
  NSString* chosen = nil;
  if (action == kFileSave) {
    NSSavePanel* panelSave = [NSSavePanel savePanel];
    [panelSave setAllowedFileTypes:fileTypes];
    [panelSave setAllowsOtherFileTypes:NO];
    result = [panelSave runModalForDirectory:defaultPath file:defaultFileName];
    if (result == NSOKButton) chosen = [panelSave filename];
  } else {
    NSOpenPanel* panelOpen = [NSOpenPanel openPanel];
    [panelOpen setCanChooseFiles:YES];
    [panelOpen setCanChooseDirectories:NO];
    [panelOpen setResolvesAliases:YES];
    result = [panelOpen runModalForDirectory:defaultPath file:defaultFileName types:fileTypes];
    if (result == NSOKButton) chosen = [panelOpen filename];
  }
  if (result == NSOKButton && chosen) {
    SetFromNSString(pFilename, chosen);
    if (pDir) {
      SetFromNSString(pDir, [chosen stringByDeletingLastPathComponent]);
      pDir->Append("/");
    }
  }
}

bool IGraphicsMac::PromptForColor(IColor* pColor, char* /*prompt*/) {
  if (!pColor) return false;
  RGBColor inColor, outColor;
  inColor.red = (unsigned short)cocoa_rules::ColorTo16(pColor->R);
  inColor.green = (unsigned short)cocoa_rules::ColorTo16(pColor->G);
  inColor.blue = (unsigned short)cocoa_rules::ColorTo16(pColor->B);
  outColor = inColor;
  Point where = {0, 0};
  static const unsigned char kPrompt[] = "\x0cSelect Color";
  if (!GetColor(where, kPrompt, &inColor, &outColor)) return false;
  pColor->R = cocoa_rules::ColorFrom16(outColor.red);
  pColor->G = cocoa_rules::ColorFrom16(outColor.green);
  pColor->B = cocoa_rules::ColorFrom16(outColor.blue);
  return true;
}

bool IGraphicsMac::OpenURL(const char* url, const char*, const char*, const char*) {
  if (!url) return true;
  NSString* s = [NSString stringWithUTF8String:url];
  if (!s) return true;
  const bool web = cocoa_rules::LooksLikeWebAddress(url);
  NSURL* pURL = web ? [NSURL URLWithString:s] : [NSURL fileURLWithPath:s];
  if (!pURL) return true;
#ifdef GNUSTEP
  // GNUstep workaround: NSWorkspace answers a web address with a modal panel that
  // blocks the host; the desktop's opener takes it instead, without waiting.
  if (web) {
    NSString* opener = @"/usr/bin/xdg-open";
    if (![[NSFileManager defaultManager] isExecutableFileAtPath:opener]) return false;
    NSTask* task = [NSTask launchedTaskWithLaunchPath:opener arguments:[NSArray arrayWithObject:[pURL absoluteString]]];
    return task != nil;
  }
#endif
  return [[NSWorkspace sharedWorkspace] openURL:pURL];
}

void* IGraphicsMac::OpenWindow(void* pParentView) { return OpenCocoaWindow(pParentView); }

void* IGraphicsMac::OpenCocoaWindow(void* pParentView) {
  CloseWindow();
  mGraphicsCocoa = [[IGraphicsCocoa_vToneglass_vst alloc] initWithIGraphics:this];
  if (pParentView) [(NSView*)pParentView addSubview:mGraphicsCocoa];
  UpdateTooltips();
  return mGraphicsCocoa;
}

void IGraphicsMac::AttachSubWindow(void* hostWindowRef) {
  NSWindow* hostWindow = [[NSWindow alloc] initWithWindowRef:hostWindowRef];
  if (!hostWindow) return;
  [hostWindow retain];
  [hostWindow setCanHide:YES];
  [hostWindow setReleasedWhenClosed:YES];

  NSRect w = [hostWindow frame];
  const int xOffset = w.size.width > Width() ? (int)floor((w.size.width - Width()) / 2.0) : 0;
  NSRect windowRect = NSMakeRect(w.origin.x + xOffset, w.origin.y, Width(), Height());
  CustomCocoaWindow_vToneglass_vst* childWindow =
      [[CustomCocoaWindow_vToneglass_vst alloc] initWithContentRect:windowRect
                                                          styleMask:NSBorderlessWindowMask
                                                            backing:NSBackingStoreBuffered
                                                              defer:NO];
  [childWindow setOpaque:YES];
  [childWindow setCanHide:YES];
  [childWindow setHasShadow:NO];
  [childWindow setReleasedWhenClosed:YES];

  NSView* childContent = [childWindow contentView];
  OpenWindow(childContent);
  [hostWindow addChildWindow:childWindow ordered:NSWindowAbove];
  [hostWindow orderFront:nil];
  [hostWindow display];
  [childWindow performSelector:@selector(orderFront:) withObject:(id)nil afterDelay:0.05];
  mHostNSWindow = hostWindow;
}

void IGraphicsMac::RemoveSubWindow() {
  if (!mHostNSWindow) return;
  NSArray* pChildWindows = [mHostNSWindow childWindows];
  NSWindow* pChildWindow = [pChildWindows count] ? [pChildWindows objectAtIndex:0] : nil;
  CloseWindow();
  [pChildWindow orderOut:nil];
  [mHostNSWindow orderOut:nil];
  [pChildWindow close];
  if (pChildWindow) [mHostNSWindow removeChildWindow:pChildWindow];
  [mHostNSWindow close];
  mHostNSWindow = nil;
}

void IGraphicsMac::CloseWindow() {
  if (!mGraphicsCocoa) return;
  IGraphicsCocoa_vToneglass_vst* view = mGraphicsCocoa;
  [view removeAllToolTips];
  [view killTimer];
  mGraphicsCocoa = nil;
  if (view->mGraphics) {
    view->mGraphics = nullptr;
    [view removeFromSuperview];
  }
  [view release];
}

void* IGraphicsMac::GetWindow() { return mGraphicsCocoa; }

bool IGraphicsMac::GetTextFromClipboard(WDL_String* /*pStr*/) { return false; }

void IGraphicsMac::UpdateFPS(int fps) {
  if (mGraphicsCocoa) [mGraphicsCocoa UpdateFPS:fps];
}

void IGraphicsMac::SetMCursor(int cursor) {
  if (!mGraphicsCocoa) return;
  if (cursor == kMCursorArrow) {
    [[NSCursor arrowCursor] set];
  } else if (cursor == kMCursorCustom) {
    static NSCursor* sCustom = nil;  // made once per process and kept
    if (!sCustom) {
      NSBitmapImageRep* rep = [[NSBitmapImageRep alloc]
          initWithBitmapDataPlanes:NULL pixelsWide:cocoa_rules::kCursorSize pixelsHigh:cocoa_rules::kCursorSize
                     bitsPerSample:8 samplesPerPixel:4 hasAlpha:YES isPlanar:NO
                    colorSpaceName:NSDeviceRGBColorSpace bytesPerRow:cocoa_rules::kCursorSize * 4 bitsPerPixel:32];
      if (!rep) return;
      cocoa_rules::CursorRGBA([rep bitmapData]);
      // The image holds premultiplied pixels (its default format); the table's grey
      // and opacity as they stand would make the half-opaque white outline brighter
      // than its opacity allows, drawn as solid white.
      cocoa_rules::PremultiplyRGBA([rep bitmapData], cocoa_rules::kCursorSize * cocoa_rules::kCursorSize);
      NSImage* img = [[NSImage alloc] initWithSize:NSMakeSize(cocoa_rules::kCursorSize, cocoa_rules::kCursorSize)];
      [img addRepresentation:rep];
      sCustom = [[NSCursor alloc] initWithImage:img
                                        hotSpot:NSMakePoint(cocoa_rules::kCursorHotSpot, cocoa_rules::kCursorHotSpot)];
      [img release];
      [rep release];
    }
    [sCustom set];
  }
}

void IGraphicsMac::SetWindowTransparency(int alpha) {
  if (mGraphicsCocoa) [mGraphicsCocoa SetWindowTransparency:alpha];
}

void IGraphicsMac::HideMouseCursor() {
  if (mCursorHidden) return;
#ifdef __APPLE__
  if (CGDisplayHideCursor(CGMainDisplayID()) == CGDisplayNoErr) mCursorHidden = true;
#else
  [NSCursor hide];
  mCursorHidden = true;
#endif
  const NSPoint p = [NSEvent mouseLocation];
  const NSRect screen = [[NSScreen mainScreen] frame];
  mHiddenMousePointX = (int)p.x;
  mHiddenMousePointY = (int)(screen.size.height - p.y);
}

void IGraphicsMac::ShowMouseCursor() {
  if (!mCursorHidden) return;
#ifdef __APPLE__
  CGDisplayMoveCursorToPoint(CGMainDisplayID(), CGPointMake(mHiddenMousePointX, mHiddenMousePointY));
  if (CGDisplayShowCursor(CGMainDisplayID()) == CGDisplayNoErr) mCursorHidden = false;
#else
  // No way to move the pointer back here: it stays where the user left it.
  [NSCursor unhide];
  mCursorHidden = false;
#endif
}

void IGraphicsMac::UpdateTooltips() {
  if (!mGraphicsCocoa || !TooltipsEnabled()) return;
  [mGraphicsCocoa removeAllToolTips];
  for (int i = 0; i < GetNControls(); ++i) {
    IControl* pControl = GetControl(i);
    IRECT* pR = pControl->GetTargetRECT();
    if (!pControl->IsHidden() && !pR->Empty()) [mGraphicsCocoa registerToolTip:pR];
  }
}

LICE_IBitmap* IGraphicsMac::OSLoadBitmap(int /*id*/, const char* name) {
  return LoadImgFromResourceOSX(mBundleID.Get(), name);
}

void IGraphicsMac::CheckAndCreateDir(WDL_String* pDir) {
  if (!pDir || !pDir->GetLength()) return;
  struct stat st;
  if (stat(pDir->Get(), &st) != 0) {
    const mode_t old = umask(0);
    mkdir(pDir->Get(), 0777);
    umask(old);
  }
}

int IGraphicsMac::GetUserOSVersion() {
  SInt32 v = 0;
  if (Gestalt(kSystemVersionSelector, &v) != noErr) v = 0;
  Trace("GetUserOSVersion", __LINE__, "%x", (unsigned)v);
  return (int)v;
}

LICE_IBitmap* LoadImgFromResourceOSX(const char* bundleID, const char* fileName) {
  const std::string name = cocoa_rules::PngResourceName(fileName);
  if (name.empty()) return nullptr;
  NSBundle* pBundle = FindBundle(bundleID);
  NSString* nsName = [NSString stringWithUTF8String:name.c_str()];
  if (!pBundle || !nsName) return nullptr;
  NSString* path = [pBundle pathForResource:nsName ofType:@"png"];
  // The images lie in the bundle's img folder.
  if (!path) path = [pBundle pathForResource:nsName ofType:@"png" inDirectory:@"img"];
  const char* cPath = path ? [path fileSystemRepresentation] : nullptr;
  // Opened, not decoded: the pixels are decoded at the first draw, as on the other backends.
  return cPath ? LICE_OpenPNG(cPath) : nullptr;
}
