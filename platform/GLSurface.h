// The OpenGL context that draws into an editor window: RGBA with 24 colour bits, a 16-bit
// depth buffer, double-buffered. On Linux a GLX context on a connection of its own (the
// window belongs to the user-interface thread's connection; no connection is shared between
// threads); on Windows a WGL context on the window's own device context.
//
// Failures are reported with messageBox(text, "Error") (on Windows with the system's text
// for the error) and leave the surface unusable; the caller carries on without drawing.
// Errors of the X server after creation never reach the host's error handler. When the host
// destroys its window (and with it ours) while we still draw, makeCurrent() notices it at
// the start of the next frame, leaves no context current and fails from then on, so the
// frame's GL calls go nowhere. A window destroyed in the middle of a frame is noticed at the
// swap; software renderers may still misbehave in that short span, so hosts should close the
// editor before destroying its window (VST 2.4 hosts do).
//
// Threading: one thread, the render thread, for the object's whole life; create() makes
// the context current on it.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

class GLSurface {
public:
  GLSurface();
  ~GLSurface();  // destroy()
  GLSurface(const GLSurface&) = delete;
  GLSurface& operator=(const GLSurface&) = delete;

  // Opens the connection (Linux), picks the window's pixel format (Windows: sets it, unless
  // the window has one already), creates the context and makes it current on the calling
  // thread. False (after the message) on any failure.
  bool create(uintptr_t window);
  bool valid() const { return native_ != nullptr; }

  // Makes the context current on the calling thread again (after another context was).
  // Call at the start of every frame: false once the window is gone.
  bool makeCurrent();
  // Makes no context current on the calling thread.
  void doneCurrent();
  void swapBuffers();
  // Whether presentRegion works: the window system can show part of the back buffer
  // without a swap (Linux: GLX_MESA_copy_sub_buffer; never on Windows).
  bool presentsRegions() const;
  // Shows the back buffer's rectangle (GL window coordinates, origin bottom left) on the
  // window and leaves the back buffer as it is, so a later frame may redraw only part of
  // it. A surface that presents regions shows every frame this way, never with a swap
  // (after which the back buffer would be undefined). Without the ability: swapBuffers().
  void presentRegion(int x, int y, int width, int height);
  // Whether the window can be seen at all: false while it or an ancestor is unmapped (the
  // host hid or minimised its window) or the window is gone. A round trip on Linux; asked
  // once per frame, so a hidden editor draws nothing.
  bool viewable();
  // Waits until everything drawn so far is on the window, as the window system sees it
  // (for measuring the first frame, and for pictures taken by tests).
  void finish();
  // Context, drawable and connection (or device context); the context must not be in use on
  // another thread.
  void destroy();

  struct Native;

private:
  std::unique_ptr<Native> native_;
};

}  // namespace platform
