#include "gui/text/Texture.h"

#include <GL/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/text/BuiltInImages.h"
#include "gui/text/FileBytes.h"
#include "gui/text/PNGImage.h"
#include "platform/MessageBox.h"

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace HC {

Texture::Texture(const std::string& file) : file(file), resourceId(0) {}

Texture::Texture(uint16_t resourceId) : resourceId(resourceId) {}

void Texture::load() {
  if (loadAttempted) return;
  loadAttempted = true;
  if (!file.empty()) {
    std::vector<unsigned char> bytes;
    PNGImage image;
    if (FileBytes::read(file, bytes) && image.decode(bytes.data(), bytes.size())) upload(image);
    return;
  }
  bool exists = false;
  std::shared_ptr<const PNGImage> image = BuiltInImages::decoded(resourceId, exists);
  if (!exists) {
    std::string text = "The built-in image " + std::to_string(resourceId) + " was not found.";
    platform::messageBox(text.c_str(), "Error");
    return;
  }
  if (image) upload(*image);
}

void Texture::upload(const PNGImage& image) {
  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) return;
  GLint previousAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
  // RGB rows of 1 or 2 pixels are not 4-byte aligned.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, name);
  GLenum format = image.channels() == 4 ? GL_RGBA : GL_RGB;
  glTexImage2D(GL_TEXTURE_2D, 0, image.channels(), GLsizei(image.width()),
               GLsizei(image.height()), 0, format, GL_UNSIGNED_BYTE, image.pixels().data());
  Texture::useLinearClamp();
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glBindTexture(GL_TEXTURE_2D, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
  glName = name;
  width = int32_t(image.width());
  height = int32_t(image.height());
}

void Texture::useLinearClamp() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void Texture::deleteGL() {
  if (glName == 0) return;
  GLuint name = glName;
  glDeleteTextures(1, &name);
  glName = 0;
}

}  // namespace HC
