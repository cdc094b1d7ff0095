#include "platform/posix/GLFreshState.h"

#include <GL/gl.h>
#include <GL/glx.h>

namespace platform {

namespace {

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

}  // namespace

void GLFreshState::restore() {
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

}  // namespace platform
