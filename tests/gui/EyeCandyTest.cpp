// The product's lit drawing: knob angles and quad geometry, the level meters' fill, and
// pictures of the knobs and the background with and without lighting, drawn into a private
// GL pbuffer and read back.
#include <GL/glew.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "GLTestContext.h"
#include "GuiTestSupport.h"
#include "PNGTestImages.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Group.h"
#include "gui/product/ALmanager.h"
#include "gui/product/LumoKnob.h"
#include "gui/product/ShaderProgram.h"
#include "gui/product/TexturedKnobRenderer.h"
#include "gui/product/TexturedMeters.h"
#include "gui/text/Texture.h"
#include "support/TempFolder.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kW = 160, kH = 64;

enum { kLevel, kSemitones, kCount };
const ParameterDescriptor kTable[kCount] = {
    {"Level", kUnitGeneric, -24.0f, 24.0f, 0.0f},
    {"Transpose", kUnitRelativeSemiTones, -12.0f, 12.0f, 0.0f},
};

struct Effect : HvcAuBase {
  Effect() : HvcAuBase(&guitest::testHost(), 1, kTable, kCount) { setEditor(new HvcEditor(this)); }
  void processReplacing(float**, float**, int32_t) override {}
};

struct RGB {
  int r, g, b;
};

// One flat-coloured RGBA image of w x h pixels written as a PNG in folder.
std::string flatPNG(const testsupport::TempFolder& folder, const char* name, uint32_t w,
                    uint32_t h, RGB c, int alpha = 255) {
  testsupport::Bytes pixels;
  for (uint32_t i = 0; i < w * h; ++i)
    pixels.insert(pixels.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b), uint8_t(alpha)});
  std::string path = folder.file(name);
  EXPECT_TRUE(testsupport::writeBytes(path, testsupport::encodePNG(w, h, PNG_COLOR_TYPE_RGBA, 8, pixels)));
  return path;
}

// The frame's 2D projection: window pixels, origin bottom left.
void pixelProjection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glTranslatef(-1.0f, -1.0f, 0.0f);
  glScalef(2.0f / kW, 2.0f / kH, 1.0f);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

class EyeCandy : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok()) << "no GL context";
    glewExperimental = GL_TRUE;
    ASSERT_EQ(glewInit(), GLenum(GLEW_OK));
    ASSERT_TRUE(HC::ShaderProgram::supported()) << "the software renderer offers shaders";
  }
  void TearDown() override { HC::EditorOptions::setEyeCandy(true); }

  RGB pixel(const std::vector<unsigned char>& rgb, int x, int y) {
    const unsigned char* p = &rgb[(y * kW + x) * 3];
    return {p[0], p[1], p[2]};
  }

  testsupport::GLTestContext gl{kW, kH};
  testsupport::TempFolder folder{"quorvella-eyecandy"};
  Effect fx;
};

// A manager with a tiled background, three knobs (their normals face away from the light, so
// only the ambient share 0.4 of the face's colour shows lit) at different values and a labels layer
// that holds one "label" block, set up as the render thread's GL set-up does.
struct Scene {
  HC::ALmanager manager;
  HC::TexturedKnobRenderer* renderer;
  Scene(Effect& fx, const testsupport::TempFolder& folder) : manager(nullptr, &fx) {
    manager.setWindowSize(kW, kH);
    auto* atlas = new HC::Texture(flatPNG(folder, "atlas.png", 64, 64, {200, 180, 40}));
    auto* atlasNormals = new HC::Texture(flatPNG(folder, "atlas_n.png", 64, 64, {128, 128, 0}));
    auto* tile = new HC::Texture(flatPNG(folder, "tile.png", 16, 16, {90, 120, 150}));
    auto* tileNormals = new HC::Texture(flatPNG(folder, "tile_n.png", 16, 16, {160, 128, 230}));
    for (HC::Texture* t : {atlas, atlasNormals, tile, tileNormals}) manager.registerTexture(t);
    manager.setBackgroundTexture(tile, tileNormals);
    renderer = new HC::TexturedKnobRenderer(&manager, atlas, atlasNormals, 0, 0, 64);
    manager.addEffect(renderer);
    for (int i = 0; i < 3; ++i)
      manager.getRoot()->add(new HC::LumoKnob(kLevel, &manager, renderer, "", 10.0f + 50 * i, 10, 40));
    fx.setParameter(kLevel, 0.3f);
    manager.refreshControls();

    for (HC::Texture* t : manager.getTextures())
      if (!t->skipAutoLoad) t->load();
    for (HC::UIElement* e : manager.getElements()) e->layout1();
    for (HC::Effect* e : manager.getEffects()) e->initGL();
    manager.initGL();
    makeLabelsLayer();
  }
  ~Scene() {
    for (HC::Effect* e : manager.getEffects()) e->teardownGL();
    manager.teardownGL();
    glDeleteTextures(1, &manager.labelsTexture);
  }
  void makeLabelsLayer() {
    std::vector<unsigned char> layer(1024 * 512 * 4, 0);
    for (size_t i = 0; i < layer.size(); i += 4) layer[i] = layer[i + 1] = layer[i + 2] = 140;
    for (int y = 0; y < 8; ++y)  // a label block at the top left, opaque
      for (int x = 0; x < 20; ++x) std::memset(&layer[(y * 1024 + x) * 4], 255, 4);
    glGenTextures(1, &manager.labelsTexture);
    glBindTexture(GL_TEXTURE_2D, manager.labelsTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1024, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, layer.data());
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  // The background and the knobs as a frame draws them.
  std::vector<unsigned char> picture(const testsupport::GLTestContext& gl) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    manager.drawBackground();
    pixelProjection();
    manager.overlayPass();
    glFinish();
    return gl.readRGB();
  }
};

}  // namespace

TEST(LumoKnobTest, AnglesCoverThreeQuartersOfATurnEitherSideOfUp) {
  Effect fx;
  HC::Manager manager(nullptr, &fx);
  // Owned by the manager, which deletes its elements (the knobs) before its effects.
  auto* ownedRenderer = new HC::TexturedKnobRenderer(&manager, nullptr, nullptr, 0, 0, 10);
  manager.addEffect(ownedRenderer);
  HC::TexturedKnobRenderer& renderer = *ownedRenderer;
  auto* knob = new HC::LumoKnob(kLevel, &manager, &renderer, "Lvl", 0, 0, 20);
  EXPECT_EQ(renderer.angle(knob->getEntry()), 0.0f);
  const struct {
    float normalised, angle;
  } cases[] = {{0.0f, -kPi / 4}, {0.5f, kPi / 2}, {1.0f, 5 * kPi / 4}};
  for (const auto& c : cases) {
    fx.setParameter(kLevel, c.normalised);
    manager.deliverPendingChanges();
    manager.refreshControls();
    EXPECT_NEAR(renderer.angle(knob->getEntry()), c.angle, 1e-5f) << c.normalised;
  }
  // The label's 5 pixels belong to the knob's bounds.
  HC::BoundingBox b;
  knob->bounds(b);
  EXPECT_EQ(b.maxY, 25.0f);
  knob->setVisible(false);
  EXPECT_FALSE(knob->isVisible());

  // Transposition moves in whole semitones; a level does not.
  auto* transpose = new HC::LumoKnob(kSemitones, &manager, &renderer, "", 0, 0, 20);
  EXPECT_TRUE(transpose->isStepped());
  EXPECT_FALSE(knob->isStepped());
}

TEST(TexturedKnobRendererTest, RotatedEntryVerticesAndAtlasCell) {
  Effect fx;
  HC::Manager manager(nullptr, &fx);
  HC::Texture atlas(std::string("unused.png"));
  atlas.width = 128;
  atlas.height = 64;
  HC::TexturedKnobRenderer renderer(&manager, &atlas, nullptr, 1, 1, 37);
  renderer.addEntry();
  int32_t e = renderer.addEntry();
  renderer.setEntryGeometry(e, 100, 50, 10);
  renderer.setAngle(e, kPi / 2);
  renderer.initGL();  // no GLEW here: no shader support, no program
  EXPECT_EQ(renderer.program(), 0u);
  ASSERT_EQ(renderer.vertices().size(), size_t(2 * 4 * 8));

  // Corners (1,1), (1,-1), (-1,-1), (-1,1) turned a quarter: s, t, normal, position.
  const float expected[4][7] = {
      {38.0f / 128, 38.0f / 64, 1, 0, 110, 40, 0},
      {1.0f / 128, 38.0f / 64, 1, 0, 90, 40, 0},
      {1.0f / 128, 1.0f / 64, 1, 0, 90, 60, 0},
      {38.0f / 128, 1.0f / 64, 1, 0, 110, 60, 0},
  };
  const float* v = renderer.vertices().data() + 4 * 8;
  for (int i = 0; i < 4; ++i, v += 8) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(v[0], expected[i][0], 1e-6f);
    EXPECT_NEAR(v[1], expected[i][1], 1e-6f);
    EXPECT_NEAR(v[2], expected[i][2], 1e-6f);
    EXPECT_NEAR(v[3], expected[i][3], 1e-6f);
    EXPECT_NEAR(v[5], expected[i][4], 1e-4f);
    EXPECT_NEAR(v[6], expected[i][5], 1e-4f);
    EXPECT_EQ(v[7], 0.0f);
  }

  // A later turn reaches the vertices on the render side's next update, and only there.
  renderer.setAngle(e, 0.0f);
  EXPECT_NEAR(renderer.vertices()[4 * 8 + 5], 110.0f, 1e-4f);
  renderer.updateVertices();
  v = renderer.vertices().data() + 4 * 8;
  EXPECT_NEAR(v[3], -1.0f, 1e-6f);
  EXPECT_NEAR(v[5], 110.0f, 1e-4f);
  EXPECT_NEAR(v[6], 60.0f, 1e-4f);
  // Out-of-range entries are ignored.
  renderer.setAngle(7, 1.0f);
  renderer.setEntryVisible(-1, false);
  EXPECT_EQ(renderer.angle(7), 0.0f);
}

TEST_F(EyeCandy, MetersFillFromTheBottomAndClampTheirValues) {
  HC::Manager manager(nullptr, &fx);
  HC::Texture atlas(flatPNG(folder, "meters.png", 16, 32, {20, 230, 20}));
  atlas.load();
  ASSERT_NE(atlas.glName, 0u);
  HC::TexturedMeters meters(&manager, &atlas, 11, 0, 5, 24);
  const float values[] = {1.7f, -0.5f, 0.5f, std::nanf("")};
  for (int i = 0; i < 4; ++i) {
    std::memcpy(&manager.meterValues[4 + i], &values[i], 4);
    meters.addMeter(10.0f + 20 * i, 10, &manager.meterValues[4 + i]);
  }
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  pixelProjection();
  meters.draw();
  std::vector<unsigned char> rgb = gl.readRGB();
  auto isDark = [](RGB c) { return c.r < 40 && c.g < 40 && c.b < 40; };
  auto isLit = [](RGB c) { return c.g > 200 && c.r < 40; };

  for (int y = 10; y < 34; ++y) EXPECT_TRUE(isLit(pixel(rgb, 12, y))) << "full meter, y " << y;
  EXPECT_EQ(pixel(rgb, 12, 34).b, 255);  // nothing above the meter
  for (int y = 10; y < 34; ++y) {
    EXPECT_TRUE(isDark(pixel(rgb, 32, y))) << "negative, y " << y;
    EXPECT_TRUE(isDark(pixel(rgb, 72, y))) << "no number, y " << y;
  }
  EXPECT_TRUE(isLit(pixel(rgb, 52, 21)));
  EXPECT_TRUE(isDark(pixel(rgb, 52, 23)));
  EXPECT_TRUE(isDark(pixel(rgb, 52, 33)));
  EXPECT_EQ(pixel(rgb, 9, 20).b, 255);  // meters are 5 wide
  EXPECT_EQ(pixel(rgb, 15, 20).b, 255);
}

TEST_F(EyeCandy, LabelsBackgroundTilesUnderTheBannerAndTintsAboveIt) {
  HC::ALmanager manager(nullptr, &fx);
  manager.setWindowSize(kW, kH);
  manager.bannerY = 40;
  manager.backgroundColour[0] = 0.4f;
  manager.backgroundColour[1] = 0.2f;
  manager.backgroundColour[2] = 0.6f;
  auto* tile = new HC::Texture(flatPNG(folder, "tile.png", 16, 16, {200, 200, 200}));
  manager.registerTexture(tile);
  manager.setBackgroundTexture(tile, nullptr);
  EXPECT_TRUE(tile->skipAutoLoad);

  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  pixelProjection();
  manager.drawLabelsBackground();
  EXPECT_NE(tile->glName, 0u);
  GLint wrap = 0;
  glBindTexture(GL_TEXTURE_2D, tile->glName);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_REPEAT);
  std::vector<unsigned char> rgb = gl.readRGB();
  RGB bottom = pixel(rgb, 80, 0), belowTop = pixel(rgb, 80, 31), above = pixel(rgb, 80, 40);
  EXPECT_NEAR(bottom.r, 200 * 0.85, 3);  // the tile darkened toward the bottom
  EXPECT_NEAR(bottom.g, 200 * 0.8, 3);
  EXPECT_NEAR(belowTop.r, 200, 6);
  EXPECT_NEAR(above.r, 102, 2);  // the background colour over the banner area
  EXPECT_NEAR(above.g, 51, 2);
  EXPECT_NEAR(above.b, 153, 2);
}

TEST_F(EyeCandy, LitPicturesDifferAndEyeCandyOffLooksLikeNoShaderSupport) {
  std::vector<unsigned char> lit, off, noShaders;
  {
    Scene scene(fx, folder);
    ASSERT_NE(scene.renderer->program(), 0u);
    ASSERT_NE(scene.manager.program(), 0u);
    lit = scene.picture(gl);
    HC::EditorOptions::setEyeCandy(false);
    off = scene.picture(gl);
    HC::EditorOptions::setEyeCandy(true);
  }
  {
    // The same scene on a GL without fragment shaders.
    GLboolean saved = __GLEW_ARB_fragment_shader;
    __GLEW_ARB_fragment_shader = GL_FALSE;
    Scene scene(fx, folder);
    __GLEW_ARB_fragment_shader = saved;
    EXPECT_EQ(scene.renderer->program(), 0u);
    EXPECT_EQ(scene.manager.program(), 0u);
    noShaders = scene.picture(gl);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_EQ(off, noShaders);
  EXPECT_NE(lit, off);

  // Unlit, a knob face shows the atlas as it is and the background the labels layer; the
  // label block stays white when lit as well.
  EXPECT_EQ(pixel(off, 30, 30).r, 200);
  EXPECT_EQ(pixel(off, 30, 30).g, 180);
  EXPECT_EQ(pixel(off, 150, 40).r, 140);
  RGB face = pixel(lit, 30, 30);
  EXPECT_NEAR(face.r, 200 * 0.4, 2);
  EXPECT_NEAR(face.g, 180 * 0.4, 2);
  EXPECT_NEAR(face.b, 40 * 0.4, 2);
  EXPECT_NE(pixel(lit, 150, 40).r, 140);
  RGB label = pixel(lit, 5, kH - 3);
  EXPECT_EQ(label.r, 255);
  EXPECT_EQ(label.b, 255);
}
