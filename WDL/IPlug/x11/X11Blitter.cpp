#include "X11Blitter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>

namespace {

XImage* CreateShmImage(X11Connection* c, Visual* v, int depth, int w, int h, XShmSegmentInfo* info) {
  Display* d = c->Get();
  if (!XShmQueryExtension(d)) return nullptr;
  XImage* img = XShmCreateImage(d, v, static_cast<unsigned>(depth), ZPixmap, nullptr, info,
                                static_cast<unsigned>(w), static_cast<unsigned>(h));
  if (!img) return nullptr;
  info->shmid = shmget(IPC_PRIVATE, static_cast<size_t>(img->bytes_per_line) * static_cast<size_t>(h),
                       IPC_CREAT | 0600);
  if (info->shmid < 0) {
    XDestroyImage(img);
    return nullptr;
  }
  info->shmaddr = static_cast<char*>(shmat(info->shmid, nullptr, 0));
  if (info->shmaddr == reinterpret_cast<char*>(-1)) {
    shmctl(info->shmid, IPC_RMID, nullptr);
    XDestroyImage(img);
    return nullptr;
  }
  img->data = info->shmaddr;
  info->readOnly = False;
  int err;
  {
    // A server on another machine offers the extension but cannot attach our memory.
    X11ErrorTrap trap(*c);
    XShmAttach(d, info);
    err = trap.Sync();
  }
  // Marked for removal now: the segment goes when both sides have detached, even if
  // this process dies.
  shmctl(info->shmid, IPC_RMID, nullptr);
  if (err) {
    shmdt(info->shmaddr);
    img->data = nullptr;
    XDestroyImage(img);
    return nullptr;
  }
  return img;
}

}  // namespace

bool X11Blitter::Create(X11Connection* pConn, Visual* pVisual, int depth, int w, int h,
                        bool allowShm) {
  Destroy();
  if (!pConn || !pConn->Get() || pConn->Lost() || !pVisual || w <= 0 || h <= 0) return false;
  mConn = pConn;
  if (getenv("TONEGLASS_X11_NO_SHM")) allowShm = false;
  if (allowShm) {
    mImage = CreateShmImage(pConn, pVisual, depth, w, h, &mShmInfo);
    mShm = mImage != nullptr;
  }
  if (!mImage) {
    Display* d = pConn->Get();
    mImage = XCreateImage(d, pVisual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                          static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
    if (mImage) {
      mImage->data = static_cast<char*>(calloc(static_cast<size_t>(mImage->bytes_per_line),
                                               static_cast<size_t>(h)));
      if (!mImage->data) {
        XDestroyImage(mImage);
        mImage = nullptr;
      }
    }
  }
  if (!mImage) return false;
  if (!X11PixelFormat::Make(mImage->red_mask, mImage->green_mask, mImage->blue_mask, depth,
                            mImage->bits_per_pixel, mImage->byte_order, &mFormat)) {
    Destroy();
    return false;
  }
  return true;
}

void X11Blitter::Destroy() {
  if (!mImage) return;
  if (mShm) {
    if (!mConn->Lost()) {
      X11ErrorTrap trap(*mConn);
      XShmDetach(mConn->Get(), &mShmInfo);
      trap.Sync();
    }
    shmdt(mShmInfo.shmaddr);
    mImage->data = nullptr;  // not XDestroyImage's to free
  }
  XDestroyImage(mImage);  // frees a plain image's calloc'ed pixels
  mImage = nullptr;
  mShm = false;
  mShmInfo = XShmSegmentInfo{};
}

bool X11Blitter::Put(Drawable d, GC gc, LICE_IBitmap* src, int x, int y, int w, int h) {
  if (!mImage || !src || !d || mConn->Lost()) return false;
  const int bw = std::min(src->getWidth(), mImage->width);
  const int bh = std::min(src->getHeight(), mImage->height);
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(bw, x + w), y1 = std::min(bh, y + h);
  if (x1 <= x0 || y1 <= y0 || !src->getBits()) return false;
  mFormat.ConvertRect(src->getBits(), src->getRowSpan(), reinterpret_cast<uint8_t*>(mImage->data),
                      mImage->bytes_per_line, x0, y0, x1 - x0, y1 - y0);
  Display* dpy = mConn->Get();
  X11ErrorTrap trap(*mConn);
  if (mShm) {
    XShmPutImage(dpy, d, gc, mImage, x0, y0, x0, y0, static_cast<unsigned>(x1 - x0),
                 static_cast<unsigned>(y1 - y0), False);
    // The next conversion writes into the same memory: wait until the server read it.
    trap.Sync();
  } else {
    XPutImage(dpy, d, gc, mImage, x0, y0, x0, y0, static_cast<unsigned>(x1 - x0),
              static_cast<unsigned>(y1 - y0));
    XFlush(dpy);
  }
  return !mConn->Lost();
}
