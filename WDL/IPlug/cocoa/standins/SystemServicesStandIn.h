// The old system services and the CoreFoundation alert the editor calls, for
// platforms that lack them (GNUstep): the version query, the display profile, the
// colour picker, loading AppKit into a process that is not an application, and a
// modal alert.
#ifndef IPLUG_COCOA_STANDINS_SYSTEMSERVICESSTANDIN_H_
#define IPLUG_COCOA_STANDINS_SYSTEMSERVICESSTANDIN_H_

#import <AppKit/AppKit.h>

#include <stdint.h>

typedef int16_t OSErr;
typedef uint32_t OSType;
typedef int32_t SInt32;
typedef int16_t CMError;
typedef void* CMProfileRef;
typedef unsigned char Str255[256];
typedef const unsigned char* ConstStr255Param;
typedef unsigned char Boolean;
struct Point {
  short v, h;
};
struct RGBColor {
  unsigned short red, green, blue;
};

enum { noErr = 0, gestaltUndefSelectorErr = -5551, cmProfileNotFound = -171 };

// Alerts: strings are NSStrings here; response 0 default, 1 alternate, 2 other.
typedef NSString* CFStringRef;
typedef unsigned long CFOptionFlags;
typedef double CFTimeInterval;
typedef void* CFURLRef;
typedef int32_t CFStringEncoding;
enum {
  kCFStringEncodingMacRoman = 0,
  kCFUserNotificationNoteAlertLevel = 1,
  kCFUserNotificationDefaultResponse = 0,
  kCFUserNotificationAlternateResponse = 1,
  kCFUserNotificationOtherResponse = 2,
  kCFUserNotificationCancelResponse = 3
};

#ifdef __cplusplus
extern "C" {
#endif

// No Mac system version here: gestaltUndefSelectorErr, *response 0.
OSErr Gestalt(OSType selector, SInt32* response);
// No display profiles here: cmProfileNotFound.
CMError CMGetSystemProfile(CMProfileRef* prof);
// The colour panel, run modally: true when the user closes it with a colour chosen
// (its OK), false when cancelled (Escape or no application).
Boolean GetColor(Point where, ConstStr255Param prompt, const RGBColor* inColor, RGBColor* outColor);
// Makes sure the process has an NSApp that takes events (see the .mm). True once it has.
BOOL NSApplicationLoad(void);

CFStringRef CFStringCreateWithCString(void* alloc, const char* cStr, CFStringEncoding encoding);
void CFRelease(const void* obj);
int32_t CFUserNotificationDisplayAlert(CFTimeInterval timeout, CFOptionFlags flags, CFURLRef iconURL,
                                       CFURLRef soundURL, CFURLRef localizationURL,
                                       CFStringRef alertHeader, CFStringRef alertMessage,
                                       CFStringRef defaultButtonTitle,
                                       CFStringRef alternateButtonTitle,
                                       CFStringRef otherButtonTitle, CFOptionFlags* responseFlags);

#ifdef __cplusplus
}
#endif

#endif  // IPLUG_COCOA_STANDINS_SYSTEMSERVICESSTANDIN_H_
