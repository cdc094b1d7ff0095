#include "platform/GLSurface.h"

#include <windows.h>
#include <GL/gl.h>

#include "platform/MessageBox.h"
#include "platform/win32/SystemErrorText.h"

namespace platform {

struct GLSurface::Native {
  HWND window = nullptr;
  HDC dc = nullptr;
  HGLRC context = nullptr;
  bool gone = false;  // the window was destroyed (with the host's window) under us
};

namespace {

// What the window needs: RGBA, 24 colour bits, 16 depth bits, double-buffered.
constexpr DWORD kWindowFormatFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;

// The system's text for the error that just happened, in a box with the caption "Error".
void failWithLastError() {
  const DWORD code = GetLastError();
  messageBox(systemErrorText(code).c_str(), "Error");
}

// Once the window is gone, its device context is too: stop touching it at the first sign,
// before the context draws into what the driver may already have freed.
bool windowGone(GLSurface::Native& n) {
  if (!n.gone && !IsWindow(n.window)) n.gone = true;
  if (n.gone && wglGetCurrentContext() == n.context) wglMakeCurrent(nullptr, nullptr);
  return n.gone;
}

}  // namespace

GLSurface::GLSurface() = default;

GLSurface::~GLSurface() { destroy(); }

bool GLSurface::create(uintptr_t window) {
  if (native_ != nullptr) return false;
  auto native = std::make_unique<Native>();
  native->window = reinterpret_cast<HWND>(window);
  if (native->window == nullptr || !IsWindow(native->window)) {
    messageBox(systemErrorText(ERROR_INVALID_WINDOW_HANDLE).c_str(), "Error");
    return false;
  }
  // The class gives the window a device context of its own, kept for its whole life.
  native->dc = GetDC(native->window);
  if (native->dc == nullptr) {
    failWithLastError();
    return false;
  }
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = kWindowFormatFlags;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.cDepthBits = 16;
  pfd.iLayerType = PFD_MAIN_PLANE;
  // A window takes one pixel format for its life: one set before (by an earlier surface on
  // the same window) is kept.
  if (GetPixelFormat(native->dc) == 0) {
    const int format = ChoosePixelFormat(native->dc, &pfd);
    if (format == 0 || !SetPixelFormat(native->dc, format, &pfd)) {
      failWithLastError();
      ReleaseDC(native->window, native->dc);
      return false;
    }
  }
  native->context = wglCreateContext(native->dc);
  if (native->context == nullptr) {
    failWithLastError();
    ReleaseDC(native->window, native->dc);
    return false;
  }
  native_ = std::move(native);
  if (!wglMakeCurrent(native_->dc, native_->context)) {
    failWithLastError();
    destroy();
    return false;
  }
  return true;
}

bool GLSurface::makeCurrent() {
  if (native_ == nullptr || windowGone(*native_)) return false;
  return wglMakeCurrent(native_->dc, native_->context) != FALSE;
}

void GLSurface::doneCurrent() {
  if (native_ == nullptr) return;
  if (wglGetCurrentContext() == native_->context) wglMakeCurrent(nullptr, nullptr);
}

void GLSurface::swapBuffers() {
  if (native_ == nullptr || windowGone(*native_)) return;
  SwapBuffers(native_->dc);
}

// WGL has no way to show part of the back buffer and keep it: every frame is whole.
bool GLSurface::presentsRegions() const { return false; }

void GLSurface::presentRegion(int, int, int, int) { swapBuffers(); }

bool GLSurface::viewable() {
  if (native_ == nullptr || windowGone(*native_)) return false;
  // Hidden with an ancestor, or the host's top-level window minimised.
  return IsWindowVisible(native_->window) != FALSE &&
         IsIconic(GetAncestor(native_->window, GA_ROOT)) == FALSE;
}

void GLSurface::finish() {
  if (native_ == nullptr || windowGone(*native_)) return;
  glFinish();
  GdiFlush();
}

void GLSurface::destroy() {
  if (native_ == nullptr) return;
  windowGone(*native_);
  if (wglGetCurrentContext() == native_->context) wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(native_->context);
  if (!native_->gone) ReleaseDC(native_->window, native_->dc);
  native_.reset();
}

// A WGL context belongs to its window's device context: no spare is kept here.
void GLSurface::releaseSpare() {}

}  // namespace platform
