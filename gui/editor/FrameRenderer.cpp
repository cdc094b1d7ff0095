#include "gui/editor/FrameRenderer.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "framework/HvcAuBase.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Effect.h"
#include "gui/elements/Manager.h"
#include "gui/elements/UIElement.h"
#include "gui/text/Font.h"
#include "gui/text/Texture.h"
#include "platform/GLSurface.h"
#include "platform/OffscreenGLSurface.h"

namespace HC {

namespace {

constexpr int kLabelsWidth = 1024;
constexpr int kLabelsHeight = 512;
constexpr double kPi = 3.14159265358979323846;

// GLEW keeps its entry points in process-wide variables: render threads of several editors
// load them one at a time.
std::mutex& entryPointLock() {
  static std::mutex lock;
  return lock;
}

bool loadEntryPoints() {
  std::lock_guard<std::mutex> guard(entryPointLock());
  glewExperimental = GL_TRUE;
  return glewInit() == GLEW_OK;
}

bool framebuffersAvailable() {
  std::lock_guard<std::mutex> guard(entryPointLock());
  return GLEW_EXT_framebuffer_object && glGenFramebuffersEXT && glBindFramebufferEXT &&
         glFramebufferTexture2DEXT && glDeleteFramebuffersEXT;
}

// Perspective projection as the classic utility library makes it, onto the current matrix.
void perspective(double fovDegrees, double aspect, double zNear, double zFar) {
  double top = zNear * std::tan(fovDegrees * kPi / 360.0);
  double right = top * aspect;
  glFrustum(-right, right, -top, top, zNear, zFar);
}

void windowPixelProjection(const Manager& m, bool upsideDown) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (upsideDown) glScalef(1.0f, -1.0f, 1.0f);
  glTranslatef(-1.0f, -1.0f, 0.0f);
  glScalef(m.pixelScaleX, m.pixelScaleY, 1.0f);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

FrameRenderer::FrameRenderer(Manager* manager, HvcAuBase* effect, const RenderTask::Timing* timing,
                             bool framebufferAllowed)
    : manager(manager),
      effect(effect),
      timing(timing),
      framebufferAllowed(framebufferAllowed),
      surface(new platform::GLSurface()) {}

FrameRenderer::~FrameRenderer() = default;

void FrameRenderer::setUp() {
  drawing = surface->create(manager->window);
  if (!drawing) return;  // reported by the surface; the loop runs on without drawing
  entryPoints = loadEntryPoints();
  if (entryPoints) setUpOnce();
  while (glGetError() != GL_NO_ERROR) {
  }
  createLabelsTarget();
  if (Font* font = manager->getLabelFont()) font->prepareGlyphs();
  drawLabels();
}

void FrameRenderer::setUpOnce() {
  glDisable(GL_MULTISAMPLE);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  for (Texture* texture : manager->getTextures())
    if (!texture->skipAutoLoad) texture->load();
  if (Font* font = manager->getMainFont()) font->prepareGlyphs();
  if (Font* font = manager->getTextFieldFont()) font->prepareGlyphs();
  for (UIElement* element : manager->getElements()) element->layout1();
  for (UIElement* element : manager->getElements()) element->layout2();
  for (Effect* e : manager->getEffects()) e->initGL();
  manager->initGL();
}

void FrameRenderer::createLabelsTarget() {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  manager->labelsTexture = texture;
  if (framebufferAllowed && entryPoints && framebuffersAvailable()) {
    GLuint framebuffer = 0;
    glGenFramebuffersEXT(1, &framebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kLabelsWidth, kLabelsHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    Texture::useLinearClamp();
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    manager->framebuffer = framebuffer;
    framebufferInUse = true;
    return;
  }
  // The fallback: an off-screen surface with a context of its own, where the label font's
  // glyphs are made next and every labels pass draws.
  offscreen.reset(new platform::OffscreenGLSurface());
  labelPixels.assign(static_cast<size_t>(kLabelsWidth) * kLabelsHeight * 3, 0);
  if (offscreen->create() && offscreen->makeCurrent()) {
    glViewport(0, 0, manager->getWidth(), manager->getHeight());
  }
}

void FrameRenderer::labels() {
  if (!drawing) return;
  drawLabels();
  labelsRedrawn = true;
}

void FrameRenderer::drawLabels() {
  bool viaOffscreen = !framebufferInUse;
  if (framebufferInUse) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, manager->framebuffer);
  } else if (!offscreen || !offscreen->valid() || !offscreen->makeCurrent()) {
    surface->makeCurrent();  // no target for labels: the layer stays as it is
    return;
  }
  glViewport(0, 0, manager->getWidth(), manager->getHeight());
  const float* background = manager->backgroundColour;
  glClearColor(background[0], background[1], background[2], 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  // Window pixels, origin bottom-left, drawn upside down: the background quad's texture
  // coordinates put row 0 of the layer at the top of the window.
  windowPixelProjection(*manager, true);
  manager->drawLabelsBackground();
  if (Font* font = manager->getLabelFont()) {
    for (UIElement* element : manager->getElements())
      if (element->isVisible()) element->drawLabel(font);
  }
  if (!viaOffscreen) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    return;
  }
  offscreen->readPixels(labelPixels.data());
  surface->makeCurrent();
  glBindTexture(GL_TEXTURE_2D, manager->labelsTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kLabelsWidth, kLabelsHeight, 0, GL_RGB, GL_UNSIGNED_BYTE,
               labelPixels.data());
  Texture::useLinearClamp();
  glBindTexture(GL_TEXTURE_2D, 0);
}

bool FrameRenderer::frame() {
  effect->copyMeterValues(manager->meterValues);
  manager->frameSeconds = timing->frameSeconds.load(std::memory_order_relaxed);
  manager->framesPerSecond = timing->framesPerSecond.load(std::memory_order_relaxed);
  manager->elapsedSeconds = timing->elapsedSeconds.load(std::memory_order_relaxed);
  for (Effect* e : manager->getEffects()) e->update();
  if (!drawing) return false;
  // Nobody can see the window: no drawing, and the loop sleeps longer.
  if (!surface->viewable()) {
    windowHidden = true;
    return false;
  }
  bool force = windowHidden || labelsRedrawn || manager->takePictureLost();
  windowHidden = labelsRedrawn = false;
  const bool refresh =
      EditorOptions::constantRedraw() && ++framesSinceDrawn >= kRefreshFrames;
  // The light and tooltip move every frame, drawn or not, so their path stays the same.
  manager->prepareOverlay();
  current.capture(*manager);
  const bool unchanged = !force && current.sameAs(shown);
  if (unchanged && !refresh) return false;
  if (!surface->makeCurrent()) return false;
  if (unchanged && surface->presentsRegions()) {
    // Frames shown in parts leave the whole current picture in the back buffer: showing it
    // again repairs what a host or compositor lost, for the cost of a copy, not a frame.
    framesSinceDrawn = 0;
    presentWhole();
    ++reshownFrameCount;
    return true;
  }
  bool onlyMeters = !force && current.sameApartFromMeters(shown);
  std::swap(current, shown);
  framesSinceDrawn = 0;
  if (onlyMeters && surface->presentsRegions() && drawMeterRegions()) return true;
  collectMeterAreas(shownMeterAreas);
  drawPicture();
  presentWhole();
  return true;
}

void FrameRenderer::drawPicture() {
  glViewport(0, 0, manager->getWidth(), manager->getHeight());
  glDepthMask(GL_TRUE);
  glClear(GL_DEPTH_BUFFER_BIT);  // the background quad covers every pixel's colour

  lit3DPass();

  glDepthRange(0.0, 0.1);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  manager->drawBackground();

  windowPixelProjection(*manager, false);
  manager->drawOverlay();
}

void FrameRenderer::presentWhole() {
  if (surface->presentsRegions())
    surface->presentRegion(0, 0, manager->getWidth(), manager->getHeight());
  else
    surface->swapBuffers();
}

void FrameRenderer::collectMeterAreas(std::vector<BoundingBox>& out) {
  out.clear();
  for (UIElement* element : manager->getElements()) {
    BoundingBox area;
    if (element->meterArea(area)) out.push_back(area);
  }
  for (Effect* e : manager->getEffects()) {
    BoundingBox area;
    if (e->meterArea(area)) out.push_back(area);
  }
}

bool FrameRenderer::drawMeterRegions() {
  collectMeterAreas(meterAreas);
  // The drawers are fixed for the opening; a different count means no comparable record.
  if (meterAreas.empty() || meterAreas.size() != shownMeterAreas.size()) return false;
  const int width = manager->getWidth(), height = manager->getHeight();
  regions.clear();
  int left = width, bottom = height, right = 0, top = 0;
  for (size_t i = 0; i < meterAreas.size(); ++i) {
    // Where the meters are now and where they were: old pixels must go as well.
    BoundingBox area = meterAreas[i];
    area.unite(shownMeterAreas[i]);
    if (area.isEmpty()) continue;
    // Whole pixels, with a pixel to spare for edges that blend into their neighbours.
    Region r;
    r.x0 = std::max(0, static_cast<int>(std::floor(area.minX)) - 1);
    r.y0 = std::max(0, static_cast<int>(std::floor(area.minY)) - 1);
    r.x1 = std::min(width, static_cast<int>(std::ceil(area.maxX)) + 1);
    r.y1 = std::min(height, static_cast<int>(std::ceil(area.maxY)) + 1);
    if (r.x1 <= r.x0 || r.y1 <= r.y0) continue;
    regions.push_back(r);
    left = std::min(left, r.x0);
    bottom = std::min(bottom, r.y0);
    right = std::max(right, r.x1);
    top = std::max(top, r.y1);
  }
  if (!regions.empty()) {
    // One pass over the box around every region: the software renderer's cost is mostly per
    // pass (every primitive set up again), hardly per pixel. Pixels of the box outside the
    // regions come out as they are, since only the meters changed, and only the regions
    // are shown.
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, bottom, right - left, top - bottom);
    drawPicture();
    glDisable(GL_SCISSOR_TEST);
    for (const Region& r : regions) surface->presentRegion(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
  }
  std::swap(meterAreas, shownMeterAreas);
  ++regionFrameCount;
  return true;
}

bool FrameRenderer::drawsRegions() const { return drawing && surface->presentsRegions(); }

void FrameRenderer::lit3DPass() {
  glDepthRange(0.1, 1.0);
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  perspective(manager->fieldOfView, manager->aspect, manager->cameraDistance, 100.0 * manager->cameraDistance);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(-manager->cameraX, -manager->cameraY, -manager->cameraDistance);

  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glEnable(GL_LIGHTING);
  const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1.0f};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  const GLfloat diffuse[] = {0.6f, 0.6f, 0.6f, 1.0f};
  const GLfloat specular[] = {0.3f, 0.3f, 0.3f, 1.0f};
  const GLfloat position[] = {1.0f, 1.0f, 1.0f, 1.0f};
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  const GLfloat materialSpecular[] = {0.7f, 0.5f, 0.5f, 1.0f};
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 40.0f);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_COLOR_MATERIAL);
  for (Effect* e : manager->getEffects()) e->draw3D();
}

void FrameRenderer::tearDown() {
  if (!drawing) {
    surface->destroy();
    return;
  }
  surface->makeCurrent();
  for (Texture* texture : manager->getTextures()) texture->deleteGL();
  if (Font* font = manager->getMainFont()) font->releaseGL();
  if (Font* font = manager->getTextFieldFont()) font->releaseGL();
  if (Font* font = manager->getLabelFont()) {
    // With the off-screen labels the label font's glyphs live in that surface's context.
    if (offscreen && offscreen->valid() && offscreen->makeCurrent()) {
      font->releaseGL();
      surface->makeCurrent();
    } else {
      font->releaseGL();
    }
  }
  for (Effect* e : manager->getEffects()) e->teardownGL();
  manager->teardownGL();
  for (const auto& lists : manager->displayLists) glDeleteLists(lists.first, lists.second);
  manager->displayLists.clear();
  GLuint texture = manager->labelsTexture;
  if (texture) glDeleteTextures(1, &texture);
  manager->labelsTexture = 0;
  if (manager->framebuffer) {
    GLuint framebuffer = manager->framebuffer;
    glDeleteFramebuffersEXT(1, &framebuffer);
    manager->framebuffer = 0;
  }
  surface->doneCurrent();
  if (offscreen) offscreen->destroy();
  surface->destroy();
}

}  // namespace HC
