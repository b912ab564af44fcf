#include "X11Connection.h"

#include <mutex>
#include <vector>

namespace {

// What we know about each display we opened. Looked up from the handlers, which
// Xlib calls with the display the error belongs to.
struct DisplayState {
  Display* display;
  int firstError;
  bool lost;
};

std::mutex gRegistryMutex;
std::vector<DisplayState> gDisplays;  // guarded by gRegistryMutex

// The handlers that were installed when our first trap began; guarded by gTrapMutex.
std::mutex gTrapMutex;
int gTrapDepth = 0;
XErrorHandler gHostErrorHandler = nullptr;
XIOErrorHandler gHostIOErrorHandler = nullptr;

DisplayState* FindLocked(Display* d) {
  for (DisplayState& s : gDisplays)
    if (s.display == d) return &s;
  return nullptr;
}

int OnXError(Display* d, XErrorEvent* e) {
  {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    if (DisplayState* s = FindLocked(d)) {
      if (!s->firstError) s->firstError = e->error_code ? e->error_code : -1;
      return 0;
    }
  }
  // Not ours: the host's connection, the host's business.
  return gHostErrorHandler ? gHostErrorHandler(d, e) : 0;
}

int OnXIOError(Display* d) {
  {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    if (DisplayState* s = FindLocked(d)) {
      s->lost = true;
      return 0;  // Xlib goes on to the display's exit handler, ours, which returns
    }
  }
  return gHostIOErrorHandler ? gHostIOErrorHandler(d) : 0;
}

// Per display; Xlib would call exit() here by default.
void OnXIOErrorExit(Display* d, void*) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  if (DisplayState* s = FindLocked(d)) s->lost = true;
}

}  // namespace

bool X11Connection::Open(const char* name) {
  Close();
  Display* d = XOpenDisplay(name);
  if (!d) return false;
  {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    gDisplays.push_back({d, 0, false});
  }
  XSetIOErrorExitHandler(d, OnXIOErrorExit, nullptr);
  mDisplay = d;
  return true;
}

void X11Connection::Close() {
  if (!mDisplay) return;
  {
    // Closing flushes: any error it raises must still be ours.
    X11ErrorTrap trap(*this);
    XCloseDisplay(mDisplay);
  }
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  for (size_t i = 0; i < gDisplays.size(); ++i) {
    if (gDisplays[i].display == mDisplay) {
      gDisplays.erase(gDisplays.begin() + static_cast<long>(i));
      break;
    }
  }
  mDisplay = nullptr;
}

bool X11Connection::Lost() const {
  if (!mDisplay) return true;
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  const DisplayState* s = FindLocked(mDisplay);
  return !s || s->lost;
}

int X11Connection::LastError() const {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  const DisplayState* s = FindLocked(mDisplay);
  return s ? s->firstError : 0;
}

void X11Connection::ClearError() const {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  if (DisplayState* s = FindLocked(mDisplay)) s->firstError = 0;
}

X11ErrorTrap::X11ErrorTrap(const X11Connection& c) : mConn(c) {
  std::lock_guard<std::mutex> lock(gTrapMutex);
  if (gTrapDepth++ == 0) {
    gHostErrorHandler = XSetErrorHandler(OnXError);
    gHostIOErrorHandler = XSetIOErrorHandler(OnXIOError);
  }
  mConn.ClearError();
}

X11ErrorTrap::~X11ErrorTrap() {
  std::lock_guard<std::mutex> lock(gTrapMutex);
  if (--gTrapDepth == 0) {
    XSetErrorHandler(gHostErrorHandler);
    XSetIOErrorHandler(gHostIOErrorHandler);
    gHostErrorHandler = nullptr;
    gHostIOErrorHandler = nullptr;
  }
}

int X11ErrorTrap::Sync() {
  Display* d = mConn.Get();
  if (!d || mConn.Lost()) return mConn.Get() ? BadImplementation : 0;
  XSync(d, False);
  return mConn.LastError();
}
