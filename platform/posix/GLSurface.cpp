#include "platform/GLSurface.h"

#include <GL/glx.h>

#include <mutex>

#include "platform/MessageBox.h"
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
  bool gone = false;        // the window was destroyed (with the host's window) under us
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

template <typename F>
F entryPoint(const char* name) {
  return reinterpret_cast<F>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

// The texture-unit state a fresh context has: nothing bound or enabled, modulation, no
// texture matrix; the first unit active.
void restoreTextureUnits() {
  using ActiveTexture = void (*)(GLenum);
  using ClientActiveTexture = void (*)(GLenum);
  auto activeTexture = entryPoint<ActiveTexture>("glActiveTextureARB");
  auto clientActiveTexture = entryPoint<ClientActiveTexture>("glClientActiveTextureARB");
  GLint units = 1;
  glGetIntegerv(0x84E2 /* GL_MAX_TEXTURE_UNITS */, &units);
  const GLenum targets[] = {GL_TEXTURE_1D, GL_TEXTURE_2D, 0x806F /* GL_TEXTURE_3D */,
                            0x8513 /* GL_TEXTURE_CUBE_MAP */, 0x84F5 /* GL_TEXTURE_RECTANGLE */};
  const GLenum generation[] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,
                               GL_TEXTURE_GEN_Q};
  const GLfloat black[4] = {0, 0, 0, 0};
  for (GLint unit = activeTexture ? units - 1 : 0; unit >= 0; --unit) {
    if (activeTexture) activeTexture(0x84C0 /* GL_TEXTURE0 */ + GLenum(unit));
    if (clientActiveTexture) clientActiveTexture(0x84C0 + GLenum(unit));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (GLenum target : targets) {
      glBindTexture(target, 0);
      glDisable(target);
    }
    for (GLenum coordinate : generation) glDisable(coordinate);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, black);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
  }
}

// Lights and material as a fresh context has them; positions and directions are given in
// eye coordinates, so this runs with the model-view matrix at identity.
void restoreLighting() {
  const GLfloat black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
  const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
  const GLfloat position[4] = {0, 0, 1, 0}, direction[4] = {0, 0, -1, 0};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
  GLint lights = 8;
  glGetIntegerv(GL_MAX_LIGHTS, &lights);
  for (GLint i = 0; i < lights; ++i) {
    GLenum light = GL_LIGHT0 + GLenum(i);
    glDisable(light);
    glLightfv(light, GL_AMBIENT, black);
    glLightfv(light, GL_DIFFUSE, i == 0 ? white : black);
    glLightfv(light, GL_SPECULAR, i == 0 ? white : black);
    glLightfv(light, GL_POSITION, position);
    glLightfv(light, GL_SPOT_DIRECTION, direction);
    glLightf(light, GL_SPOT_EXPONENT, 0);
    glLightf(light, GL_SPOT_CUTOFF, 180);
    glLightf(light, GL_CONSTANT_ATTENUATION, 1);
    glLightf(light, GL_LINEAR_ATTENUATION, 0);
    glLightf(light, GL_QUADRATIC_ATTENUATION, 0);
  }
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glShadeModel(GL_SMOOTH);
}

// Back to the state of a fresh context, for the next editor: every piece of state that
// drawing of this kind sets (fixed-function 2D and 3D with textures, blending, lighting,
// shader programs, framebuffer objects and client arrays). Set by hand rather than saved
// with glPushAttrib at creation: Mesa's attribute stack copies every texture unit's
// objects, some MiB per context kept for as long as the context lives.
void restoreFreshState() {
  using BindFramebuffer = void (*)(GLenum, GLuint);
  using UseProgram = void (*)(GLuint);
  using BindBuffer = void (*)(GLenum, GLuint);
  using BlendEquation = void (*)(GLenum);
  glFinish();
  if (auto bindFramebuffer = entryPoint<BindFramebuffer>("glBindFramebufferEXT"))
    bindFramebuffer(0x8D40 /* GL_FRAMEBUFFER_EXT */, 0);
  if (auto useProgram = entryPoint<UseProgram>("glUseProgramObjectARB")) useProgram(0);
  if (auto bindBuffer = entryPoint<BindBuffer>("glBindBufferARB")) {
    bindBuffer(0x8892 /* GL_ARRAY_BUFFER */, 0);
    bindBuffer(0x8893 /* GL_ELEMENT_ARRAY_BUFFER */, 0);
    bindBuffer(0x88EB /* GL_PIXEL_PACK_BUFFER */, 0);
    bindBuffer(0x88EC /* GL_PIXEL_UNPACK_BUFFER */, 0);
  }
  if (auto blendEquation = entryPoint<BlendEquation>("glBlendEquationEXT"))
    blendEquation(0x8006 /* GL_FUNC_ADD */);
  restoreTextureUnits();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  restoreLighting();

  const GLenum off[] = {GL_ALPHA_TEST, GL_BLEND, GL_COLOR_LOGIC_OP, GL_COLOR_MATERIAL,
                        GL_CULL_FACE, GL_DEPTH_TEST, GL_FOG, GL_LIGHTING, GL_LINE_SMOOTH,
                        GL_LINE_STIPPLE, GL_NORMALIZE, GL_POINT_SMOOTH,
                        GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT,
                        GL_POLYGON_SMOOTH, GL_POLYGON_STIPPLE, 0x803A /* GL_RESCALE_NORMAL */,
                        GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_CLIP_PLANE0, GL_CLIP_PLANE1,
                        GL_CLIP_PLANE2, GL_CLIP_PLANE3, GL_CLIP_PLANE4, GL_CLIP_PLANE5};
  for (GLenum capability : off) glDisable(capability);
  glEnable(GL_DITHER);
  glEnable(0x809D /* GL_MULTISAMPLE */);
  const GLenum arrays[] = {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_INDEX_ARRAY,
                           GL_EDGE_FLAG_ARRAY};
  for (GLenum array : arrays) glDisableClientState(array);

  glAlphaFunc(GL_ALWAYS, 0);
  glBlendFunc(GL_ONE, GL_ZERO);
  glLogicOp(GL_COPY);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(0, 0, 0, 0);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_TRUE);
  glDepthRange(0, 1);
  glClearDepth(1);
  glStencilMask(~0u);
  glClearStencil(0);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glPolygonOffset(0, 0);
  glLineWidth(1);
  glPointSize(1);
  const GLenum hints[] = {GL_PERSPECTIVE_CORRECTION_HINT, GL_POINT_SMOOTH_HINT,
                          GL_LINE_SMOOTH_HINT, GL_POLYGON_SMOOTH_HINT, GL_FOG_HINT};
  for (GLenum hint : hints) glHint(hint, GL_DONT_CARE);
  glColor4f(1, 1, 1, 1);
  glNormal3f(0, 0, 1);
  glTexCoord4f(0, 0, 0, 1);
  const GLenum alignments[] = {GL_UNPACK_ALIGNMENT, GL_PACK_ALIGNMENT};
  for (GLenum alignment : alignments) glPixelStorei(alignment, 4);
  const GLenum zeroes[] = {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS,
                           GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS};
  for (GLenum parameter : zeroes) glPixelStorei(parameter, 0);
  glDrawBuffer(GL_BACK);
  glReadBuffer(GL_BACK);
  while (glGetError() != GL_NO_ERROR) {
  }
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
    restoreFreshState();
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
