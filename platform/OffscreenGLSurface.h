// An off-screen OpenGL target for drawing the editor's labels where framebuffer objects
// are missing, with a context of its own that shares nothing.
//
// On Linux a GLX pbuffer (RGBA, 8 bits per colour, no depth) on a connection of its own: a
// pbuffer is the off-screen drawable that every GLX 1.3 implementation offers, the software
// renderer included, and needs no pixmap of a given depth.
//
// On Windows a 24-bit bottom-up DIB section selected into a memory device context, with a
// draw-to-bitmap pixel format (RGBA, 24 colour bits, no depth): the system's own software GL
// draws into bitmaps wherever the window's GL lacks framebuffer objects. Wine renders into
// bitmaps through OSMesa (libOSMesa.so.8 must be installed); with the Mesa of Debian 12 only
// whole-surface clears come out right in a 24-bit bitmap, drawn pixels are garbled.
//
// readPixels gives the picture with the bottom row first, the way GL reads it, so the
// bytes upload unchanged into a texture and show the same orientation as a picture drawn
// into a framebuffer object.
//
// Failures are reported with messageBox(text, "Error").
//
// Threading: one thread (the render thread) for the object's whole life.
#pragma once

#include <memory>

namespace platform {

class OffscreenGLSurface {
public:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 512;

  OffscreenGLSurface();
  ~OffscreenGLSurface();  // destroy()
  OffscreenGLSurface(const OffscreenGLSurface&) = delete;
  OffscreenGLSurface& operator=(const OffscreenGLSurface&) = delete;

  // Creates the kWidth x kHeight target and its context; does not make it current.
  bool create();
  bool valid() const { return native_ != nullptr; }

  // Makes this surface's context current on the calling thread.
  bool makeCurrent();
  // Makes no context current on the calling thread.
  void doneCurrent();
  // With this surface current: finishes drawing and copies the whole target into rgb
  // (kWidth * kHeight * 3 bytes, rows bottom first, no padding). False when not created.
  bool readPixels(unsigned char* rgb);
  void destroy();

  struct Native;

private:
  std::unique_ptr<Native> native_;
};

}  // namespace platform
