#include "GLTestContext.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {

namespace {

class PrivateServer {
public:
  PrivateServer() {
    if (std::getenv("DISPLAY") != nullptr) return;
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], 3);
      if (fds[0] != 3) close(fds[0]);
      if (fds[1] != 3) close(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp",
             "+extension", "GLX", (char*)nullptr);
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  ~PrivateServer() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }

private:
  pid_t pid = -1;
};

// One connection for the whole process, never closed: closing it unloads the GL driver, whose
// allocations the sanitizer build could then no longer attribute.
Display* sharedDisplay() {
  static PrivateServer server;
  static Display* display = XOpenDisplay(nullptr);
  return display;
}

}  // namespace

GLTestContext::GLTestContext(int width, int height) : w(width), h(height) {
  Display* dpy = sharedDisplay();
  if (dpy == nullptr) return;
  display = dpy;
  const int attributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                            GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                            GLX_DEPTH_SIZE, 16, None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(dpy, DefaultScreen(dpy), attributes, &count);
  if (configs == nullptr || count == 0) return;
  const int size[] = {GLX_PBUFFER_WIDTH, width, GLX_PBUFFER_HEIGHT, height, None};
  pbuffer = glXCreatePbuffer(dpy, configs[0], size);
  context = glXCreateNewContext(dpy, configs[0], GLX_RGBA_TYPE, nullptr, True);
  XFree(configs);
  if (pbuffer == 0 || context == nullptr) return;
  current = glXMakeContextCurrent(dpy, pbuffer, pbuffer, GLXContext(context));
  if (current) glViewport(0, 0, width, height);
}

GLTestContext::~GLTestContext() {
  Display* dpy = static_cast<Display*>(display);
  if (dpy == nullptr) return;
  glXMakeContextCurrent(dpy, None, None, nullptr);
  if (context != nullptr) glXDestroyContext(dpy, GLXContext(context));
  if (pbuffer != 0) glXDestroyPbuffer(dpy, pbuffer);
}

std::vector<unsigned char> GLTestContext::readRGB() const {
  std::vector<unsigned char> pixels(size_t(w) * size_t(h) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

}  // namespace testsupport
