#include "platform/OffscreenGLSurface.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include "platform/MessageBox.h"
#include "platform/posix/GLXConfigs.h"
#include "platform/posix/XConnection.h"

namespace platform {

struct OffscreenGLSurface::Native {
  XConnection connection;
  GLXPbuffer pbuffer = 0;
  GLXContext context = nullptr;
};

OffscreenGLSurface::OffscreenGLSurface() = default;

OffscreenGLSurface::~OffscreenGLSurface() { destroy(); }

bool OffscreenGLSurface::create() {
  if (native_ != nullptr) return false;
  auto native = std::make_unique<Native>();
  if (!native->connection.valid()) {
    messageBox("Cannot open a connection to the X display for the labels", "Error");
    return false;
  }
  Display* display = native->connection.display();
  GLXFBConfig config = GLXConfigs::pbuffer(display, DefaultScreen(display));
  if (config == nullptr) {
    messageBox("No OpenGL pixel format for drawing the labels off screen", "Error");
    return false;
  }
  const int size[] = {GLX_PBUFFER_WIDTH, kWidth, GLX_PBUFFER_HEIGHT, kHeight,
                      GLX_PRESERVED_CONTENTS, True, None};
  native->pbuffer = glXCreatePbuffer(display, config, size);
  native->context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
  if (native->connection.takeError() != 0 || native->pbuffer == 0 ||
      native->context == nullptr) {
    messageBox("Cannot create the off-screen OpenGL target for the labels", "Error");
    if (native->context != nullptr) glXDestroyContext(display, native->context);
    if (native->pbuffer != 0) glXDestroyPbuffer(display, native->pbuffer);
    native->connection.takeError();
    return false;
  }
  native_ = std::move(native);
  return true;
}

bool OffscreenGLSurface::makeCurrent() {
  if (native_ == nullptr || !native_->connection.valid()) return false;
  if (glXMakeContextCurrent(native_->connection.display(), native_->pbuffer, native_->pbuffer,
                            native_->context) == True)
    return true;
  messageBox("Cannot make the labels' OpenGL context current", "Error");
  return false;
}

void OffscreenGLSurface::doneCurrent() {
  if (native_ == nullptr || !native_->connection.valid()) return;
  glXMakeContextCurrent(native_->connection.display(), None, None, nullptr);
}

bool OffscreenGLSurface::readPixels(unsigned char* rgb) {
  if (native_ == nullptr || rgb == nullptr || glXGetCurrentContext() != native_->context)
    return false;
  glFinish();
  GLint alignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  return true;
}

void OffscreenGLSurface::destroy() {
  if (native_ == nullptr) return;
  if (native_->connection.valid()) {
    Display* display = native_->connection.display();
    if (glXGetCurrentContext() == native_->context)
      glXMakeContextCurrent(display, None, None, nullptr);
    glXDestroyContext(display, native_->context);
    glXDestroyPbuffer(display, native_->pbuffer);
    native_->connection.takeError();
  }
  native_.reset();
}

}  // namespace platform
