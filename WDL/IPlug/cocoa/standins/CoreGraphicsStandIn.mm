#include "CoreGraphicsStandIn.h"

#include <stdlib.h>
#include <string.h>

struct CGContext {
  NSGraphicsContext* ns;
};

static CGFloat sDeviceScale = 1;
static CGSize sLastImageSize = {0, 0};

void TGStandInSetDeviceScale(CGFloat scale) { sDeviceScale = scale > 0 ? scale : 1; }

CGSize TGStandInLastDrawnImageSize(void) { return sLastImageSize; }
struct TGStandInColorSpace {
  int refs;
};
struct TGStandInDataProvider {
  void* info;
  const void* data;
  size_t size;
  CGDataProviderReleaseDataCallback release;
  int refs;  // the creator's and every image's that draws from it
};
struct CGImage {
  size_t width, height, bytesPerRow;
  CGBitmapInfo info;
  CGDataProviderRef provider;
};

CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void) {
  CGColorSpaceRef s = (CGColorSpaceRef)calloc(1, sizeof(TGStandInColorSpace));
  if (s) s->refs = 1;
  return s;
}

CGColorSpaceRef CGColorSpaceCreateWithPlatformColorSpace(const void*) { return NULL; }

void CGColorSpaceRelease(CGColorSpaceRef s) {
  if (s && --s->refs == 0) free(s);
}

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback release) {
  CGDataProviderRef p = (CGDataProviderRef)calloc(1, sizeof(TGStandInDataProvider));
  if (!p) return NULL;
  p->info = info;
  p->data = data;
  p->size = size;
  p->release = release;
  p->refs = 1;
  return p;
}

void CGDataProviderRelease(CGDataProviderRef p) {
  if (!p || --p->refs > 0) return;
  if (p->release) p->release(p->info, p->data, p->size);
  free(p);
}

CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat*, bool, CGColorRenderingIntent) {
  if (!provider || !space || bitsPerComponent != 8 || bitsPerPixel != 32 || width == 0 ||
      height == 0 || bytesPerRow < width * 4 || provider->size < bytesPerRow * (height - 1) + width * 4)
    return NULL;
  CGImageRef img = (CGImageRef)calloc(1, sizeof(CGImage));
  if (!img) return NULL;
  img->width = width;
  img->height = height;
  img->bytesPerRow = bytesPerRow;
  img->info = bitmapInfo;
  img->provider = provider;
  ++provider->refs;  // as in CoreGraphics, the image keeps its provider
  return img;
}

void CGImageRelease(CGImageRef img) {
  if (!img) return;
  CGDataProviderRelease(img->provider);
  free(img);
}

// GNUstep workaround: there is no CGContext behind the current NSGraphicsContext, so
// the pixels are repacked into an RGBA image with the ignored byte forced opaque
// (drawn as they are, pixels whose first byte is 0 would come out black) and drawn
// with AppKit.
void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef img) {
  if (!c || !img) return;
  const size_t w = img->width, h = img->height;
  NSBitmapImageRep* rep = [[NSBitmapImageRep alloc]
      initWithBitmapDataPlanes:NULL
                    pixelsWide:(NSInteger)w
                    pixelsHigh:(NSInteger)h
                 bitsPerSample:8
               samplesPerPixel:4
                      hasAlpha:YES
                      isPlanar:NO
                colorSpaceName:NSDeviceRGBColorSpace
                   bytesPerRow:(NSInteger)(w * 4)
                  bitsPerPixel:32];
  if (!rep) return;
  const unsigned char* src = (const unsigned char*)img->provider->data;
  unsigned char* dst = [rep bitmapData];
  const CGBitmapInfo alpha = img->info & kCGBitmapAlphaInfoMask;
  const bool firstIsAlpha = alpha == kCGImageAlphaNoneSkipFirst || alpha == kCGImageAlphaFirst ||
                            alpha == kCGImageAlphaPremultipliedFirst;
  const bool little = (img->info & kCGBitmapByteOrderMask) == kCGBitmapByteOrder32Little;
  for (size_t y = 0; y < h; ++y) {
    const unsigned char* s = src + y * img->bytesPerRow;
    unsigned char* d = dst + y * w * 4;
    for (size_t x = 0; x < w; ++x, s += 4, d += 4) {
      unsigned char px[4] = {s[0], s[1], s[2], s[3]};
      if (little) {  // the pixel's bytes in the other order
        px[0] = s[3]; px[1] = s[2]; px[2] = s[1]; px[3] = s[0];
      }
      const unsigned char* rgb = firstIsAlpha ? px + 1 : px;
      d[0] = rgb[0];
      d[1] = rgb[1];
      d[2] = rgb[2];
      d[3] = 0xFF;
    }
  }
  sLastImageSize = NSMakeSize((CGFloat)w, (CGFloat)h);
  [rep drawInRect:NSMakeRect(rect.origin.x * sDeviceScale, rect.origin.y * sDeviceScale,
                             rect.size.width * sDeviceScale, rect.size.height * sDeviceScale)];
  [rep release];
}

CGSize CGContextConvertSizeToDeviceSpace(CGContextRef, CGSize size) {
  return NSMakeSize(size.width * sDeviceScale, size.height * sDeviceScale);
}

CGContextRef TGStandInCurrentContext(void) {
  static __thread CGContext current;
  current.ns = [NSGraphicsContext currentContext];
  return current.ns ? &current : NULL;
}
