// A GL context for tests that draw or upload textures: an off-screen GLX pbuffer made current
// on the calling thread. When DISPLAY is not set, the first context of the process starts a
// private Xvfb (Mesa's software renderer), which the server itself numbers (-displayfd), so
// parallel test programs never share or steal a display; it is stopped at exit.
#pragma once

#include <vector>

namespace testsupport {

class GLTestContext {
public:
  GLTestContext(int width, int height);
  ~GLTestContext();
  GLTestContext(const GLTestContext&) = delete;
  GLTestContext& operator=(const GLTestContext&) = delete;

  bool ok() const { return current; }
  // The colour buffer as RGB rows, bottom row first (GL's order).
  std::vector<unsigned char> readRGB() const;
  int width() const { return w; }
  int height() const { return h; }

private:
  int w, h;
  bool current = false;
  void* display = nullptr;
  unsigned long pbuffer = 0;
  void* context = nullptr;
};

}  // namespace testsupport
