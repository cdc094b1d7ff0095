// Texture records: decoding and upload on the render thread's GL context, the one-attempt
// rule, and what happens with images that cannot be textures.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include "GLTestContext.h"
#include "PNGTestImages.h"
#include "gui/text/Texture.h"
#include "support/StreamCapture.h"
#include "support/TempFolder.h"

using testsupport::Bytes;
using testsupport::encodePNG;
using testsupport::patternPixels;

namespace {

class TextureTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(gl.ok()) << "no GL context"; }

  std::string writePNG(const std::string& name, const Bytes& bytes) {
    std::string path = folder.file(name);
    EXPECT_TRUE(testsupport::writeBytes(path, bytes));
    return path;
  }

  Bytes textureBytes(unsigned name, GLenum format, size_t size) {
    Bytes out(size);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return out;
  }

  testsupport::GLTestContext gl{64, 64};
  testsupport::TempFolder folder{"quorvella-texture"};
};

}  // namespace

TEST_F(TextureTest, UploadsTheImageWithItsSizeAndSampling) {
  struct Case {
    uint32_t w, h;
    int type, channels;
    GLenum format;
  } cases[] = {{2, 2, PNG_COLOR_TYPE_RGB, 3, GL_RGB},  // rows of 6 bytes: unaligned
               {64, 32, PNG_COLOR_TYPE_RGB, 3, GL_RGB},
               {16, 128, PNG_COLOR_TYPE_RGBA, 4, GL_RGBA}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    Bytes pixels = patternPixels(c.w, c.h, c.channels, 3);
    HC::Texture texture(writePNG("image.png", encodePNG(c.w, c.h, c.type, 8, pixels)));
    texture.load();
    ASSERT_NE(texture.glName, 0u);
    EXPECT_EQ(texture.width, int32_t(c.w));
    EXPECT_EQ(texture.height, int32_t(c.h));
    EXPECT_EQ(textureBytes(texture.glName, c.format, pixels.size()), pixels);
    GLint minFilter = 0, wrapS = 0, wrapT = 0;
    glBindTexture(GL_TEXTURE_2D, texture.glName);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(wrapS, 0x812F);  // clamp to edge
    EXPECT_EQ(wrapT, 0x812F);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);  // the caller's unpacking state is left as it was
    unsigned name = texture.glName;
    texture.deleteGL();
    EXPECT_EQ(texture.glName, 0u);
    EXPECT_FALSE(glIsTexture(name));
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, IsDecodedOnlyOnceEvenWhenLoadedAgain) {
  Bytes first = patternPixels(4, 4, 4, 1);
  std::string path = writePNG("once.png", encodePNG(4, 4, PNG_COLOR_TYPE_RGBA, 8, first));
  HC::Texture texture(path);
  texture.load();
  unsigned name = texture.glName;
  ASSERT_NE(name, 0u);
  // A second load after the file changed keeps the first upload; so does a load after the
  // GL name was deleted.
  writePNG("once.png", encodePNG(8, 8, PNG_COLOR_TYPE_RGBA, 8, patternPixels(8, 8, 4, 9)));
  texture.load();
  EXPECT_EQ(texture.glName, name);
  EXPECT_EQ(texture.width, 4);
  EXPECT_EQ(textureBytes(name, GL_RGBA, first.size()), first);
  texture.deleteGL();
  texture.load();
  EXPECT_EQ(texture.glName, 0u);
}

TEST_F(TextureTest, UnusableImagesGiveNoTextureAndNoMessage) {
  Bytes damaged = encodePNG(32, 32, PNG_COLOR_TYPE_RGB, 8, patternPixels(32, 32, 3));
  damaged.resize(damaged.size() - 30);
  struct Case {
    const char* what;
    std::string path;
  } cases[] = {
      {"100x100", writePNG("a.png", encodePNG(100, 100, PNG_COLOR_TYPE_RGBA, 8,
                                                patternPixels(100, 100, 4)))},
      {"palette", writePNG("b.png", encodePNG(64, 64, PNG_COLOR_TYPE_PALETTE, 8,
                                                patternPixels(64, 64, 1)))},
      {"damaged", writePNG("c.png", damaged)},
      {"empty file", writePNG("d.png", Bytes())},
      {"missing file", folder.file("missing.png")},
      {"a folder", folder.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::StreamCapture err(2);
    HC::Texture texture(c.path);
    texture.load();
    EXPECT_TRUE(texture.loadAttempted);
    EXPECT_EQ(texture.glName, 0u);
    EXPECT_EQ(texture.width, 0);
    EXPECT_EQ(err.stop(), "");
  }
}

TEST_F(TextureTest, MissingBuiltInImageIsReported) {
  testsupport::StreamCapture err(2);
  HC::Texture texture(uint16_t(64999));
  texture.load();
  std::string text = err.stop();
  EXPECT_EQ(texture.glName, 0u);
  EXPECT_NE(text.find("Error"), std::string::npos) << text;
  EXPECT_NE(text.find("64999"), std::string::npos) << text;
}
