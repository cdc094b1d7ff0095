// A connection to the X server owned by one thread of the plug-in (the editor's window on
// the host's user-interface thread, the GL surfaces on the render thread). No Xlib
// connection is shared between threads, so XInitThreads is never needed.
//
// X errors on this connection never reach the process-wide error handler, which belongs
// to the host (its default one ends the process): they are intercepted per connection and
// recorded, so a window that the host destroyed under us, or a parent id that was never
// valid, costs a failed call instead of the host's life. A lost server connection marks
// the connection dead instead of ending the process.
//
// Threading: one thread at a time uses an object; different objects may be used on
// different threads at once.
#pragma once

#include <X11/Xlib.h>

namespace platform {

class XConnection {
public:
  // Opens the display named by DISPLAY. valid() is false when that fails.
  XConnection();
  ~XConnection();
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;

  bool valid() const { return display_ != nullptr && !dead(); }
  Display* display() const { return display_; }
  // True once the connection to the server was lost; every later call is pointless.
  bool dead() const;

  // Waits until the server has handled every request sent so far and returns the first
  // error code reported since the previous call (0: none), clearing it.
  int takeError();

private:
  Display* display_ = nullptr;
};

}  // namespace platform
