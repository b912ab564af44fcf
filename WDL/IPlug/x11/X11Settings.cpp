#include "X11Settings.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Reads the XSETTINGS layout: every field is checked against the end of the data.
class SettingsReader {
 public:
  SettingsReader(const unsigned char* d, size_t n, bool msb) : mData(d), mSize(n), mMsb(msb) {}
  bool U8(unsigned* v) {
    if (mPos + 1 > mSize) return false;
    *v = mData[mPos++];
    return true;
  }
  bool U16(unsigned* v) {
    if (mPos + 2 > mSize) return false;
    const unsigned a = mData[mPos], b = mData[mPos + 1];
    *v = mMsb ? (a << 8 | b) : (b << 8 | a);
    mPos += 2;
    return true;
  }
  bool U32(unsigned long* v) {
    if (mPos + 4 > mSize) return false;
    unsigned long r = 0;
    for (int i = 0; i < 4; ++i) {
      const unsigned long byte = mData[mPos + static_cast<size_t>(mMsb ? i : 3 - i)];
      r = r << 8 | byte;
    }
    *v = r;
    mPos += 4;
    return true;
  }
  bool Skip(size_t n) {
    if (n > mSize - mPos) return false;
    mPos += n;
    return true;
  }
  const unsigned char* Here() const { return mData + mPos; }

 private:
  const unsigned char* mData;
  size_t mSize, mPos = 0;
  bool mMsb;
};

size_t Padded(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

bool ReadXSettings(Display* d, unsigned char** pData, unsigned long* pSize) {
  char name[32];
  snprintf(name, sizeof(name), "_XSETTINGS_S%d", DefaultScreen(d));
  const Atom selection = XInternAtom(d, name, True);
  if (selection == None) return false;
  const Window owner = XGetSelectionOwner(d, selection);
  if (owner == None) return false;
  const Atom prop = XInternAtom(d, "_XSETTINGS_SETTINGS", True);
  if (prop == None) return false;
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, owner, prop, 0, 65536, False, AnyPropertyType, &type, &format, &n, &after,
                         &data) != Success ||
      !data || format != 8) {
    if (data) XFree(data);
    return false;
  }
  *pData = data;
  *pSize = n;
  return true;
}

}  // namespace

bool X11FindXSetting(const unsigned char* data, size_t size, const char* name, int* pValue) {
  if (!data || !name || !pValue || size < 12) return false;
  SettingsReader r(data, size, data[0] == 1);
  unsigned long serial, count;
  if (!r.Skip(4) || !r.U32(&serial) || !r.U32(&count)) return false;
  const size_t nameLen = strlen(name);
  for (unsigned long i = 0; i < count; ++i) {
    unsigned type, pad, len;
    if (!r.U8(&type) || !r.U8(&pad) || !r.U16(&len)) return false;
    const unsigned char* n = r.Here();
    if (!r.Skip(Padded(len))) return false;
    unsigned long lastChange;
    if (!r.U32(&lastChange)) return false;
    const bool match = len == nameLen && memcmp(n, name, nameLen) == 0;
    switch (type) {
      case 0: {  // integer
        unsigned long v;
        if (!r.U32(&v)) return false;
        if (match) {
          *pValue = static_cast<int>(static_cast<long>(static_cast<int32_t>(v)));
          return true;
        }
        break;
      }
      case 1: {  // string
        unsigned long sl;
        if (!r.U32(&sl) || !r.Skip(Padded(sl))) return false;
        break;
      }
      case 2:  // colour: four 16-bit values
        if (!r.Skip(8)) return false;
        break;
      default:
        return false;
    }
  }
  return false;
}

void X11ReadDoubleClickSettings(Display* d, unsigned long* pMs, int* pDistance) {
  if (!d || !pMs || !pDistance) return;
  bool haveTime = false;
  unsigned char* data = nullptr;
  unsigned long size = 0;
  if (ReadXSettings(d, &data, &size)) {
    int v;
    if (X11FindXSetting(data, size, "Net/DoubleClickTime", &v) && v > 0 && v < 5000) {
      *pMs = static_cast<unsigned long>(v);
      haveTime = true;
    }
    if (X11FindXSetting(data, size, "Net/DoubleClickDistance", &v) && v >= 0 && v < 100) *pDistance = v;
    XFree(data);
  }
  if (haveTime) return;
  const char* rms = XResourceManagerString(d);
  if (!rms) return;
  XrmInitialize();
  XrmDatabase db = XrmGetStringDatabase(rms);
  if (!db) return;
  char* type = nullptr;
  XrmValue value{};
  if (XrmGetResource(db, "toneglass.multiClickTime", "Toneglass.MultiClickTime", &type, &value) && value.addr) {
    const long ms = strtol(value.addr, nullptr, 10);
    if (ms > 0 && ms < 5000) *pMs = static_cast<unsigned long>(ms);
  }
  XrmDestroyDatabase(db);
}
