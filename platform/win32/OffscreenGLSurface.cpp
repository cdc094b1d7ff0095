#include "platform/OffscreenGLSurface.h"

#include <windows.h>
#include <GL/gl.h>

#include "platform/MessageBox.h"
#include "platform/win32/SystemErrorText.h"

namespace platform {

struct OffscreenGLSurface::Native {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  unsigned char* bits = nullptr;  // kHeight rows of kWidth pixels, bottom row first
  HGLRC context = nullptr;
  // Where each colour sits in a pixel's three bytes: blue, green, red as GDI keeps them,
  // unless the pixel format says otherwise.
  int redByte = 2, greenByte = 1, blueByte = 0;
};

namespace {

// Rows of a 24-bit DIB are padded to whole 32-bit words.
constexpr int kStride = (OffscreenGLSurface::kWidth * 3 + 3) & ~3;

void failWithLastError() {
  const DWORD code = GetLastError();
  messageBox(systemErrorText(code).c_str(), "Error");
}

}  // namespace

OffscreenGLSurface::OffscreenGLSurface() = default;

OffscreenGLSurface::~OffscreenGLSurface() { destroy(); }

bool OffscreenGLSurface::create() {
  if (native_ != nullptr) return false;
  auto native = std::make_unique<Native>();
  native->dc = CreateCompatibleDC(nullptr);
  if (native->dc == nullptr) {
    failWithLastError();
    return false;
  }
  native_ = std::move(native);
  Native& n = *native_;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = kHeight;  // positive: bottom-up, the row order GL reads in
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  n.bitmap = CreateDIBSection(n.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (n.bitmap == nullptr || bits == nullptr) {
    failWithLastError();
    destroy();
    return false;
  }
  n.bits = static_cast<unsigned char*>(bits);
  n.previousBitmap = SelectObject(n.dc, n.bitmap);
  if (n.previousBitmap == nullptr || n.previousBitmap == HGDI_ERROR) {
    n.previousBitmap = nullptr;
    failWithLastError();
    destroy();
    return false;
  }

  // Labels need no depth: RGBA with 24 colour bits, drawn straight into the bitmap.
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(n.dc, &pfd);
  if (format == 0 || !SetPixelFormat(n.dc, format, &pfd)) {
    failWithLastError();
    destroy();
    return false;
  }
  // The renderer writes the bitmap in the order of the format it was given. Windows' own
  // formats for 24-bit bitmaps keep GDI's blue-green-red; others (Wine's) may not.
  PIXELFORMATDESCRIPTOR chosen{};
  if (DescribePixelFormat(n.dc, format, sizeof chosen, &chosen) != 0 && chosen.cColorBits == 24 &&
      chosen.cRedBits == 8 && chosen.cGreenBits == 8 && chosen.cBlueBits == 8 &&
      chosen.cRedShift % 8 == 0 && chosen.cGreenShift % 8 == 0 && chosen.cBlueShift % 8 == 0 &&
      chosen.cRedShift <= 16 && chosen.cGreenShift <= 16 && chosen.cBlueShift <= 16) {
    n.redByte = chosen.cRedShift / 8;
    n.greenByte = chosen.cGreenShift / 8;
    n.blueByte = chosen.cBlueShift / 8;
  }
  n.context = wglCreateContext(n.dc);
  if (n.context == nullptr) {
    failWithLastError();
    destroy();
    return false;
  }
  return true;
}

bool OffscreenGLSurface::makeCurrent() {
  if (native_ == nullptr || native_->context == nullptr) return false;
  if (wglMakeCurrent(native_->dc, native_->context)) return true;
  failWithLastError();
  return false;
}

void OffscreenGLSurface::doneCurrent() {
  if (native_ == nullptr) return;
  if (wglGetCurrentContext() == native_->context) wglMakeCurrent(nullptr, nullptr);
}

bool OffscreenGLSurface::readPixels(unsigned char* rgb) {
  if (native_ == nullptr || rgb == nullptr || native_->context == nullptr ||
      wglGetCurrentContext() != native_->context)
    return false;
  glFinish();
  GdiFlush();
  // From the bitmap's byte order (normally blue, green, red) to the red, green, blue of the
  // texture upload; the rows are bottom first in both.
  const Native& n = *native_;
  for (int row = 0; row < kHeight; ++row) {
    const unsigned char* from = n.bits + static_cast<size_t>(row) * kStride;
    unsigned char* to = rgb + static_cast<size_t>(row) * kWidth * 3;
    for (int x = 0; x < kWidth; ++x, from += 3, to += 3) {
      to[0] = from[n.redByte];
      to[1] = from[n.greenByte];
      to[2] = from[n.blueByte];
    }
  }
  return true;
}

void OffscreenGLSurface::destroy() {
  if (native_ == nullptr) return;
  Native& n = *native_;
  if (n.context != nullptr) {
    if (wglGetCurrentContext() == n.context) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(n.context);
  }
  if (n.previousBitmap != nullptr) SelectObject(n.dc, n.previousBitmap);
  if (n.bitmap != nullptr) DeleteObject(n.bitmap);
  DeleteDC(n.dc);
  native_.reset();
}

}  // namespace platform
