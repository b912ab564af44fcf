// Copies regions of a raster bitmap to a window: through a shared-memory image
// (MIT-SHM) when the server offers it and can attach our segment, through XPutImage
// otherwise, converting each pixel to the window's visual on the way.
#ifndef IPLUG_X11_X11BLITTER_H_
#define IPLUG_X11_X11BLITTER_H_

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include "X11Connection.h"
#include "X11PixelFormat.h"
#include "lice.h"

class X11Blitter {
 public:
  X11Blitter() = default;
  ~X11Blitter() { Destroy(); }
  X11Blitter(const X11Blitter&) = delete;
  X11Blitter& operator=(const X11Blitter&) = delete;

  // An image of w x h for the visual and depth. allowShm false (or the environment
  // variable TONEGLASS_X11_NO_SHM set) skips shared memory. False when the visual is
  // not a 24- or 32-bit true-colour one or no image could be made.
  bool Create(X11Connection* pConn, Visual* pVisual, int depth, int w, int h, bool allowShm = true);
  void Destroy();
  bool Valid() const { return mImage != nullptr; }
  bool UsesShm() const { return mShm; }
  const X11PixelFormat& Format() const { return mFormat; }

  // Converts the block at (x, y) of src (clipped to the image and the bitmap) and
  // copies it to the same place of the drawable. False when nothing could be sent.
  bool Put(Drawable d, GC gc, LICE_IBitmap* src, int x, int y, int w, int h);

 private:
  X11Connection* mConn = nullptr;
  XImage* mImage = nullptr;
  XShmSegmentInfo mShmInfo{};
  bool mShm = false;
  X11PixelFormat mFormat;
};

#endif  // IPLUG_X11_X11BLITTER_H_
