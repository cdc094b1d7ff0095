// The GLX frame-buffer configurations of the editor: the window's (RGBA, 8 bits per colour,
// no alpha, 16-bit depth, double-buffered) and the off-screen labels target's (RGBA, 8 bits
// per colour, no depth, single-buffered pbuffer). The window and its context are made on
// different connections and threads, so both sides pick the window configuration here.
//
// Threading: pure functions over the caller's connection.
#pragma once

#include <GL/glx.h>

namespace platform {

class GLXConfigs {
public:
  // The best window configuration on the screen; with visualId nonzero only one whose
  // X visual has that id. Null when none fits.
  static GLXFBConfig window(Display* display, int screen, VisualID visualId = 0);
  // A configuration for an off-screen pbuffer; null when none fits.
  static GLXFBConfig pbuffer(Display* display, int screen);
};

}  // namespace platform
