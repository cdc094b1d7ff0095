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
// On Linux, opening an editor again is cheap because a context outlives its surface:
// destroy() hands a context that is still sound (its window still there) to a process-wide
// spare, with its GL state back to a fresh context's (every state that fixed-function and
// shader drawing with textures, blending, lighting, framebuffer objects and client arrays
// sets), and the next create() for a window of the same visual takes it. The spare keeps
// what the driver learnt about drawing (on Mesa's software path the machine code of every
// shader state it has met, tens of milliseconds to make again); it holds no object of the
// editor that used it. At most one context waits at a time; releaseSpare() ends it.
//
// Threading: one thread, the render thread, for the object's whole life; create() makes
// the context current on it. releaseSpare() on any thread.
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
  // another thread. A sound context becomes the spare instead when there is room.
  void destroy();

  // Destroys the spare context, if any (when the last editor of the process goes, so that
  // nothing of the GL driver stays behind an unloaded plug-in).
  static void releaseSpare();

  struct Native;

private:
  std::unique_ptr<Native> native_;
};

}  // namespace platform
