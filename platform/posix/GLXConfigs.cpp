#include "platform/posix/GLXConfigs.h"

namespace platform {

namespace {

int attribute(Display* display, GLXFBConfig config, int name) {
  int value = 0;
  glXGetFBConfigAttrib(display, config, name, &value);
  return value;
}

// The list that glXChooseFBConfig gives is sorted by its own rules (deeper colour first);
// among the fitting ones we prefer the smallest extras, as a pixel-format request without
// alpha, stencil or accumulation asks for.
GLXFBConfig choose(Display* display, int screen, const int* wanted, VisualID visualId) {
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, screen, wanted, &count);
  if (configs == nullptr) return nullptr;
  GLXFBConfig best = nullptr;
  int bestCost = 0;
  for (int i = 0; i < count; ++i) {
    if (visualId != 0) {
      XVisualInfo* info = glXGetVisualFromFBConfig(display, configs[i]);
      bool same = info != nullptr && info->visualid == visualId;
      if (info != nullptr) XFree(info);
      if (!same) continue;
    }
    int cost = attribute(display, configs[i], GLX_ALPHA_SIZE) +
               attribute(display, configs[i], GLX_STENCIL_SIZE) +
               attribute(display, configs[i], GLX_ACCUM_RED_SIZE) +
               attribute(display, configs[i], GLX_SAMPLES) * 8;
    if (best == nullptr || cost < bestCost) {
      best = configs[i];
      bestCost = cost;
    }
  }
  XFree(configs);
  return best;
}

}  // namespace

GLXFBConfig GLXConfigs::window(Display* display, int screen, VisualID visualId) {
  static const int wanted[] = {GLX_X_RENDERABLE, True,
                               GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                               GLX_RENDER_TYPE, GLX_RGBA_BIT,
                               GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR,
                               GLX_RED_SIZE, 8,
                               GLX_GREEN_SIZE, 8,
                               GLX_BLUE_SIZE, 8,
                               GLX_DEPTH_SIZE, 16,
                               GLX_DOUBLEBUFFER, True,
                               None};
  return choose(display, screen, wanted, visualId);
}

GLXFBConfig GLXConfigs::pbuffer(Display* display, int screen) {
  static const int wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT,
                               GLX_RENDER_TYPE, GLX_RGBA_BIT,
                               GLX_RED_SIZE, 8,
                               GLX_GREEN_SIZE, 8,
                               GLX_BLUE_SIZE, 8,
                               GLX_DOUBLEBUFFER, False,
                               None};
  return choose(display, screen, wanted, 0);
}

}  // namespace platform
