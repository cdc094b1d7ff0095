#include "gui/text/GlyphAtlas.h"

#include <GL/gl.h>

#include <cstring>

#include "gui/text/Texture.h"

namespace HC {

GlyphAtlas::Size GlyphAtlas::chooseSize(const std::vector<Size>& bitmaps) {
  long long needed = 0;
  for (const Size& s : bitmaps)
    needed += (long long)(s.width + 2 * kPadding) * (s.height + 2 * kPadding);
  for (int w = 64, h = 64; w <= kMaxSide; (w == h ? w : h) *= 2) {
    if (needed * 3 > (long long)w * h * 2) continue;
    GlyphAtlas trial;
    trial.pageWidth = w;
    trial.pageHeight = h;
    bool fits = true;
    int x, y;
    for (const Size& s : bitmaps) fits = fits && trial.place(s.width, s.height, x, y);
    if (fits) return {w, h};
  }
  return {kMaxSide, kMaxSide};
}

void GlyphAtlas::reset(int width, int height) {
  pageWidth = width > 0 ? width : 0;
  pageHeight = height > 0 ? height : 0;
  shelfX = shelfY = shelfHeight = 0;
  page.assign(size_t(pageWidth) * size_t(pageHeight), 0);
  changed = true;
}

bool GlyphAtlas::place(int width, int height, int& x, int& y) {
  if (width < 0 || height < 0) return false;
  int w = width + 2 * kPadding;
  int h = height + 2 * kPadding;
  if (w > pageWidth || h > pageHeight) return false;
  if (shelfX + w > pageWidth) {
    shelfY += shelfHeight;
    shelfX = 0;
    shelfHeight = 0;
  }
  if (shelfY + h > pageHeight) return false;
  x = shelfX + kPadding;
  y = shelfY + kPadding;
  shelfX += w;
  if (h > shelfHeight) shelfHeight = h;
  return true;
}

void GlyphAtlas::copy(int x, int y, const unsigned char* rows, int width, int height) {
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > pageWidth ||
      y + height > pageHeight)
    return;
  for (int row = 0; row < height; ++row)
    std::memcpy(&page[size_t(y + row) * size_t(pageWidth) + size_t(x)],
                rows + size_t(row) * size_t(width), size_t(width));
  changed = true;
}

unsigned GlyphAtlas::upload() {
  if (!allocated()) return texture;
  if (texture == 0) {
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0) return 0;
    texture = name;
    changed = true;
  }
  if (!changed) return texture;
  GLint previousAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, pageWidth, pageHeight, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
               page.data());
  Texture::useLinearClamp();
  glBindTexture(GL_TEXTURE_2D, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
  changed = false;
  return texture;
}

void GlyphAtlas::releaseGL() {
  if (texture != 0) {
    GLuint name = texture;
    glDeleteTextures(1, &name);
  }
  texture = 0;
  changed = true;
}

}  // namespace HC
