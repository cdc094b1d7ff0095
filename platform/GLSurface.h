// The OpenGL context that draws into an editor window: RGBA with 24 colour bits, a 16-bit
// depth buffer, double-buffered, on a connection of its own (the window belongs to the
// user-interface thread's connection; no connection is shared between threads).
//
// Failures are reported with messageBox(text, "Error") and leave the surface unusable;
// the caller carries on without drawing. Errors of the window system after creation (the
// host destroyed its window while we still draw) never reach the host's error handler:
// drawing just goes nowhere until destroy().
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

  // Opens the connection, picks the window's pixel format, creates the context and makes
  // it current on the calling thread. False (after the message) on any failure.
  bool create(uintptr_t window);
  bool valid() const { return native_ != nullptr; }

  // Makes the context current on the calling thread again (after another context was).
  bool makeCurrent();
  // Makes no context current on the calling thread.
  void doneCurrent();
  void swapBuffers();
  // Context, drawable and connection; the context must not be in use on another thread.
  void destroy();

  struct Native;

private:
  std::unique_ptr<Native> native_;
};

}  // namespace platform
