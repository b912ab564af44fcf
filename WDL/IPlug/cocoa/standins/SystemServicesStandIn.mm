#include "SystemServicesStandIn.h"

OSErr Gestalt(OSType, SInt32* response) {
  if (response) *response = 0;
  return gestaltUndefSelectorErr;
}

CMError CMGetSystemProfile(CMProfileRef* prof) {
  if (prof) *prof = NULL;
  return cmProfileNotFound;
}

Boolean GetColor(Point, ConstStr255Param, const RGBColor* inColor, RGBColor* outColor) {
  if (!NSApp || !inColor || !outColor) return false;
  NSColorPanel* panel = [NSColorPanel sharedColorPanel];
  [panel setColor:[NSColor colorWithDeviceRed:inColor->red / 65535.0
                                        green:inColor->green / 65535.0
                                         blue:inColor->blue / 65535.0
                                        alpha:1.0]];
  // The panel has no buttons: closing it (stopModal from its close) confirms, Escape
  // (abortModal) cancels.
  const NSInteger result = [NSApp runModalForWindow:panel];
  [panel orderOut:nil];
  if (result == NSRunAbortedResponse) return false;
  NSColor* c = [[panel color] colorUsingColorSpaceName:NSDeviceRGBColorSpace];
  if (!c) return false;
  outColor->red = (unsigned short)([c redComponent] * 65535.0);
  outColor->green = (unsigned short)([c greenComponent] * 65535.0);
  outColor->blue = (unsigned short)([c blueComponent] * 65535.0);
  return true;
}

// A host that is not itself an AppKit application (no NSApp) still needs one for
// windows and events. GNUstep workaround: its NSApplication treats the process's
// arguments as documents to open unless the delegate says it opened them, and
// delivers no keys before finishLaunching.
@interface TGStandInAppDelegate : NSObject
@end
@implementation TGStandInAppDelegate
- (BOOL)application:(NSApplication*)app openFile:(NSString*)file {
  (void)app;
  (void)file;
  return YES;
}
@end

BOOL NSApplicationLoad(void) {
  if (NSApp) return YES;
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  [NSApplication sharedApplication];
  if (NSApp) {
    static TGStandInAppDelegate* delegate = nil;  // the application keeps a weak reference
    if (!delegate) delegate = [[TGStandInAppDelegate alloc] init];
    [NSApp setDelegate:(id)delegate];
    [NSApp finishLaunching];
  }
  [pool release];
  return NSApp != nil;
}

CFStringRef CFStringCreateWithCString(void*, const char* cStr, CFStringEncoding encoding) {
  if (!cStr) return nil;
  return [[NSString alloc] initWithCString:cStr
                                  encoding:encoding == kCFStringEncodingMacRoman
                                               ? NSMacOSRomanStringEncoding
                                               : NSUTF8StringEncoding];
}

void CFRelease(const void* obj) { [(id)obj release]; }

int32_t CFUserNotificationDisplayAlert(CFTimeInterval, CFOptionFlags, CFURLRef, CFURLRef, CFURLRef,
                                       CFStringRef header, CFStringRef message,
                                       CFStringRef defaultTitle, CFStringRef alternateTitle,
                                       CFStringRef otherTitle, CFOptionFlags* response) {
  if (!NSApplicationLoad()) return -1;
  const NSInteger r = NSRunAlertPanel(header ? header : @"", @"%@", defaultTitle ? defaultTitle : @"OK",
                                      alternateTitle, otherTitle, message ? message : @"");
  if (response) {
    if (r == NSAlertDefaultReturn) *response = kCFUserNotificationDefaultResponse;
    else if (r == NSAlertAlternateReturn) *response = kCFUserNotificationAlternateResponse;
    else if (r == NSAlertOtherReturn) *response = kCFUserNotificationOtherResponse;
    else *response = kCFUserNotificationCancelResponse;
  }
  return 0;
}
