#include "platform/GLSurface.h"

#include <GL/glx.h>

#include <cstring>

#include "platform/MessageBox.h"
#include "platform/posix/GLXConfigs.h"
#include "platform/posix/XConnection.h"

namespace platform {

struct GLSurface::Native {
  XConnection connection;
  GLXWindow drawable = 0;
  GLXContext context = nullptr;
  Window window = 0;
  // glXCopySubBufferMESA where the GLX offers it.
  void (*copySubBuffer)(Display*, GLXDrawable, int, int, int, int) = nullptr;
  bool gone = false;  // the window was destroyed (with the host's window) under us
};

namespace {
// Mesa's software path reads the window's geometry without checking the answer, and
// draws into memory sized by garbage once the window is gone. So the surface watches the
// window's destruction on its own connection and stops touching it at the first sign.
bool windowGone(GLSurface::Native& n, bool roundTrip) {
  if (n.gone) return true;
  Display* display = n.connection.display();
  if (roundTrip) XSync(display, False);
  XEvent e;
  while (XCheckTypedWindowEvent(display, n.window, DestroyNotify, &e)) n.gone = true;
  if (n.gone && glXGetCurrentContext() == n.context)
    glXMakeContextCurrent(display, None, None, nullptr);
  return n.gone;
}
}  // namespace

namespace {
void fail(const char* text) { messageBox(text, "Error"); }
}  // namespace

GLSurface::GLSurface() = default;

GLSurface::~GLSurface() { destroy(); }

bool GLSurface::create(uintptr_t window) {
  if (native_ != nullptr) return false;
  auto native = std::make_unique<Native>();
  if (!native->connection.valid()) {
    fail("Cannot open a connection to the X display for drawing");
    return false;
  }
  Display* display = native->connection.display();
  XWindowAttributes attributes;
  if (window == 0 ||
      XGetWindowAttributes(display, static_cast<Window>(window), &attributes) == 0 ||
      native->connection.takeError() != 0) {
    fail("The editor window to draw into does not exist");
    return false;
  }
  const int screen = XScreenNumberOfScreen(attributes.screen);
  GLXFBConfig config =
      GLXConfigs::window(display, screen, XVisualIDFromVisual(attributes.visual));
  if (config == nullptr) {
    fail("No OpenGL pixel format with 24-bit colour, 16-bit depth and double buffering");
    return false;
  }
  native->window = static_cast<Window>(window);
  XSelectInput(display, native->window, StructureNotifyMask);
  native->drawable = glXCreateWindow(display, config, static_cast<Window>(window), nullptr);
  native->context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
  if (native->connection.takeError() != 0 || native->context == nullptr ||
      native->drawable == 0) {
    fail("Cannot create an OpenGL context for the editor window");
    if (native->context != nullptr) glXDestroyContext(display, native->context);
    if (native->drawable != 0) glXDestroyWindow(display, native->drawable);
    native->connection.takeError();
    return false;
  }
  const char* extensions = glXQueryExtensionsString(display, screen);
  if (extensions && std::strstr(extensions, "GLX_MESA_copy_sub_buffer")) {
    native->copySubBuffer = reinterpret_cast<void (*)(Display*, GLXDrawable, int, int, int, int)>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCopySubBufferMESA")));
  }
  native_ = std::move(native);
  if (!makeCurrent()) {
    fail("Cannot make the editor's OpenGL context current");
    destroy();
    return false;
  }
  return true;
}

bool GLSurface::makeCurrent() {
  if (native_ == nullptr || !native_->connection.valid()) return false;
  if (windowGone(*native_, true)) return false;
  return glXMakeContextCurrent(native_->connection.display(), native_->drawable,
                               native_->drawable, native_->context) == True;
}

void GLSurface::doneCurrent() {
  if (native_ == nullptr || !native_->connection.valid()) return;
  glXMakeContextCurrent(native_->connection.display(), None, None, nullptr);
}

void GLSurface::swapBuffers() {
  if (native_ == nullptr || !native_->connection.valid()) return;
  if (windowGone(*native_, true)) return;
  glXSwapBuffers(native_->connection.display(), native_->drawable);
}

bool GLSurface::presentsRegions() const {
  return native_ != nullptr && native_->copySubBuffer != nullptr;
}

void GLSurface::presentRegion(int x, int y, int width, int height) {
  if (!presentsRegions()) {
    swapBuffers();
    return;
  }
  if (!native_->connection.valid() || windowGone(*native_, true)) return;
  native_->copySubBuffer(native_->connection.display(), native_->drawable, x, y, width, height);
}

bool GLSurface::viewable() {
  if (native_ == nullptr || !native_->connection.valid()) return false;
  if (windowGone(*native_, false)) return false;
  XWindowAttributes attributes;
  if (XGetWindowAttributes(native_->connection.display(), native_->window, &attributes) == 0) {
    native_->connection.takeError();
    return false;
  }
  return attributes.map_state == IsViewable;
}

void GLSurface::finish() {
  if (native_ == nullptr || !native_->connection.valid()) return;
  if (windowGone(*native_, false)) return;
  glFinish();
  glXWaitGL();
  // Software renderers put the picture with ordinary requests on our connection.
  XSync(native_->connection.display(), False);
}

void GLSurface::destroy() {
  if (native_ == nullptr) return;
  if (native_->connection.valid()) {
    Display* display = native_->connection.display();
    windowGone(*native_, true);
    if (glXGetCurrentContext() == native_->context)
      glXMakeContextCurrent(display, None, None, nullptr);
    glXDestroyContext(display, native_->context);
    glXDestroyWindow(display, native_->drawable);
    native_->connection.takeError();
  }
  native_.reset();
}

}  // namespace platform
