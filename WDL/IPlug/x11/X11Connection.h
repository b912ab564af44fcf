// The editor's own connection to the X server, kept apart from the host's: X errors
// raised by our requests are recorded here instead of reaching the host's handler,
// and a broken connection marks the connection lost instead of ending the process.
//
// Xlib's error handlers are process-wide, so ours are installed only while an
// X11ErrorTrap is alive (around our own calls) and the host's are put back after.
// While installed, errors and I/O failures on any display that is not one of ours
// are handed to the handler the host had.
#ifndef IPLUG_X11_X11CONNECTION_H_
#define IPLUG_X11_X11CONNECTION_H_

#include <X11/Xlib.h>

class X11Connection {
 public:
  X11Connection() = default;
  ~X11Connection() { Close(); }
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  // Opens the display named (DISPLAY when null). False when there is no server.
  bool Open(const char* name = nullptr);
  // Closes the connection (also after it was lost). Safe to call twice.
  void Close();
  Display* Get() const { return mDisplay; }
  // True once the server went away or the connection broke.
  bool Lost() const;
  // The first error code our requests raised since the last ClearError (0: none).
  int LastError() const;
  void ClearError() const;

 private:
  Display* mDisplay = nullptr;
};

// Installs our handlers for as long as it lives (nested traps share one
// installation). Sync() waits for the server and returns the first error code seen
// on the trapped display since the trap began, 0 when there was none.
class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(const X11Connection& c);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;
  int Sync();

 private:
  const X11Connection& mConn;
};

#endif  // IPLUG_X11_X11CONNECTION_H_
