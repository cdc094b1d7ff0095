#include "platform/GLSurface.h"

#include <GL/glx.h>

#include <cstring>
#include <mutex>

#include "platform/MessageBox.h"
#include "platform/posix/GLFreshState.h"
#include "platform/posix/GLXConfigs.h"
#include "platform/posix/XConnection.h"

namespace platform {

struct GLSurface::Native {
  XConnection connection;
  GLXFBConfig config = nullptr;
  int screen = -1;
  VisualID visual = 0;  // of config
  GLXContext context = nullptr;
  GLXWindow drawable = 0;
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

void fail(const char* text) { messageBox(text, "Error"); }

// The context of a closed editor, waiting for the next one. One is enough for the common
// case (a user closing and reopening an editor, or opening another instance's); more would
// only hold the driver's memory for editors that may never come.
std::mutex& spareLock() {
  static std::mutex* lock = new std::mutex;  // never destroyed: editors may close late
  return *lock;
}
GLSurface::Native*& spare() {
  static GLSurface::Native* waiting = nullptr;
  return waiting;
}

void destroyNative(GLSurface::Native& n) {
  if (!n.connection.valid()) return;
  Display* display = n.connection.display();
  if (n.context != nullptr && glXGetCurrentContext() == n.context)
    glXMakeContextCurrent(display, None, None, nullptr);
  if (n.context != nullptr) glXDestroyContext(display, n.context);
  if (n.drawable != 0) glXDestroyWindow(display, n.drawable);
  n.context = nullptr;
  n.drawable = 0;
  n.connection.takeError();
}

std::unique_ptr<GLSurface::Native> takeSpare() {
  std::lock_guard<std::mutex> guard(spareLock());
  std::unique_ptr<GLSurface::Native> taken(spare());
  spare() = nullptr;
  return taken;
}

// False when a context waits already.
bool offerSpare(std::unique_ptr<GLSurface::Native>& n) {
  std::lock_guard<std::mutex> guard(spareLock());
  if (spare() != nullptr) return false;
  spare() = n.release();
  return true;
}

}  // namespace

GLSurface::GLSurface() = default;

GLSurface::~GLSurface() { destroy(); }

bool GLSurface::create(uintptr_t window) {
  if (native_ != nullptr) return false;
  XWindowAttributes attributes;
  auto attributesOf = [&](Native& n) {
    bool found = window != 0 &&
                 XGetWindowAttributes(n.connection.display(), static_cast<Window>(window), &attributes) != 0;
    // Always taken: a spare's connection must not carry this error to its next window.
    return n.connection.takeError() == 0 && found;
  };
  std::unique_ptr<Native> native = takeSpare();
  if (native != nullptr && native->connection.valid() && !attributesOf(*native)) {
    // A window that is not there: the spare stays for the next editor.
    if (!offerSpare(native)) destroyNative(*native);
    fail("The editor window to draw into does not exist");
    return false;
  }
  if (native != nullptr &&
      !(native->connection.valid() && XScreenNumberOfScreen(attributes.screen) == native->screen &&
        XVisualIDFromVisual(attributes.visual) == native->visual)) {
    destroyNative(*native);
    native.reset();
  }
  if (native == nullptr) {
    native = std::make_unique<Native>();
    if (!native->connection.valid()) {
      fail("Cannot open a connection to the X display for drawing");
      return false;
    }
    if (!attributesOf(*native)) {
      fail("The editor window to draw into does not exist");
      return false;
    }
    native->screen = XScreenNumberOfScreen(attributes.screen);
    native->visual = XVisualIDFromVisual(attributes.visual);
    native->config = GLXConfigs::window(native->connection.display(), native->screen, native->visual);
    if (native->config == nullptr) {
      fail("No OpenGL pixel format with 24-bit colour, 16-bit depth and double buffering");
      return false;
    }
  }
  Display* display = native->connection.display();
  native->window = static_cast<Window>(window);
  // Whatever a spare's connection still holds is about its former window.
  XSync(display, True);
  XSelectInput(display, native->window, StructureNotifyMask);
  native->drawable = glXCreateWindow(display, native->config, native->window, nullptr);
  if (native->context == nullptr)
    native->context = glXCreateNewContext(display, native->config, GLX_RGBA_TYPE, nullptr, True);
  if (native->connection.takeError() != 0 || native->context == nullptr ||
      native->drawable == 0) {
    fail("Cannot create an OpenGL context for the editor window");
    destroyNative(*native);
    return false;
  }
  const char* extensions = glXQueryExtensionsString(display, native->screen);
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
  // Only a context whose state can be put back (its window still there to make it current
  // on) is handed on; any other goes with its surface.
  if (native_->connection.valid() && makeCurrent()) {
    Display* display = native_->connection.display();
    GLFreshState::restore();
    glXMakeContextCurrent(display, None, None, nullptr);
    glXDestroyWindow(display, native_->drawable);
    native_->drawable = 0;
    native_->window = 0;
    native_->gone = false;
    if (native_->connection.takeError() == 0 && offerSpare(native_)) return;
  }
  if (native_->connection.valid()) windowGone(*native_, true);
  destroyNative(*native_);
  native_.reset();
}

void GLSurface::releaseSpare() {
  std::unique_ptr<Native> waiting = takeSpare();
  if (waiting != nullptr) destroyNative(*waiting);
}

}  // namespace platform
