// The few CoreGraphics calls the editor's DrawScreen makes, for platforms whose
// AppKit has no CoreGraphics (GNUstep). Images wrap caller-owned pixels; drawing goes
// through the current NSGraphicsContext.
#ifndef IPLUG_COCOA_STANDINS_COREGRAPHICSSTANDIN_H_
#define IPLUG_COCOA_STANDINS_COREGRAPHICSSTANDIN_H_

#import <AppKit/AppKit.h>

#include <stddef.h>
#include <stdint.h>

typedef NSRect CGRect;
typedef NSSize CGSize;
typedef NSPoint CGPoint;
static inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return NSMakeRect(x, y, w, h); }
static inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return NSMakeSize(w, h); }

// AppKit declares CGContextRef and CGImageRef (struct CGContext, struct CGImage); the
// structures themselves are ours.
typedef struct CGContext* CGContextRef;
typedef struct TGStandInColorSpace* CGColorSpaceRef;
typedef struct TGStandInDataProvider* CGDataProviderRef;
typedef struct CGImage* CGImageRef;
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);

typedef uint32_t CGBitmapInfo;
enum {
  kCGImageAlphaNone = 0,
  kCGImageAlphaPremultipliedLast = 1,
  kCGImageAlphaPremultipliedFirst = 2,
  kCGImageAlphaLast = 3,
  kCGImageAlphaFirst = 4,
  kCGImageAlphaNoneSkipLast = 5,
  kCGImageAlphaNoneSkipFirst = 6,
  kCGBitmapAlphaInfoMask = 0x1F,
  kCGBitmapByteOrderDefault = 0,
  kCGBitmapByteOrder32Little = 2 << 12,
  kCGBitmapByteOrder32Big = 4 << 12,
  kCGBitmapByteOrderMask = 0x7000
};
typedef int CGColorRenderingIntent;
enum { kCGRenderingIntentDefault = 0 };

#ifdef __cplusplus
extern "C" {
#endif

CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void);
// There are no display profiles here: null, and the caller falls back to device RGB.
CGColorSpaceRef CGColorSpaceCreateWithPlatformColorSpace(const void* profile);
void CGColorSpaceRelease(CGColorSpaceRef space);

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback release);
void CGDataProviderRelease(CGDataProviderRef provider);

// Only 8-bit, 32-bit-pixel images; null for anything else.
CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat* decode, bool interpolate,
                         CGColorRenderingIntent intent);
void CGImageRelease(CGImageRef image);

void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image);
CGSize CGContextConvertSizeToDeviceSpace(CGContextRef c, CGSize size);

// The device scale the stand-in's contexts report and draw with (1 unless set): at 2,
// a point is two device pixels each way, as on a double-density display, and an
// image drawn into a rectangle covers twice its size in the current context's own
// pixels. Nothing here asks the screen; tests set it to run the double-density path
// into a context of device size.
void TGStandInSetDeviceScale(CGFloat scale);
// The pixel size of the image CGContextDrawImage last drew (0 x 0 before any): a
// doubled picture and a scaled-up one look alike on the screen.
CGSize TGStandInLastDrawnImageSize(void);

// The stand-in for the current context's graphicsPort: a context that draws through
// the current NSGraphicsContext, or null when there is none. Valid until the next call
// on this thread.
CGContextRef TGStandInCurrentContext(void);

#ifdef __cplusplus
}
#endif

#endif  // IPLUG_COCOA_STANDINS_COREGRAPHICSSTANDIN_H_
