// The X visual that the editor's GL windows take on one screen of one X server, found
// through GLX once per process and then remembered. Asking GLX on a fresh connection
// starts the GL driver for that connection (on Mesa's software path a whole renderer with
// its worker threads, some 10 ms and a few MiB); the window's side needs nothing from GLX
// but this one answer, so every editor after the first gets its visual from plain Xlib.
//
// Threading: any thread, each with its own connection; one lock guards the table.
#pragma once

#include <X11/Xlib.h>

namespace platform {

class GLXWindowVisual {
public:
  // The visual and depth of the window configuration (GLXConfigs::window) on `screen` of
  // the display's server. False, with visual and depth unchanged, when GLX offers none.
  static bool find(Display* display, int screen, Visual*& visual, int& depth);
  // Forgets what was learnt (tests; a server that went away and came back differently is
  // caught by find itself).
  static void forget();
};

}  // namespace platform
