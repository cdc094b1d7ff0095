#include "gui/product/TexturedMeters.h"

#include <GL/gl.h>

#include <cstring>

#include "gui/text/Texture.h"

namespace HC {

TexturedMeters::TexturedMeters(Manager* manager, Texture* texture, float texX, float texY,
                               float width, float height)
    : Effect(manager), texture(texture), texX(texX), texY(texY), width(width), height(height) {}

TexturedMeters::~TexturedMeters() = default;

void TexturedMeters::addMeter(float x, float y, const uint32_t* slot) {
  meters.push_back({x, y, slot});
}

float TexturedMeters::shownValue(const uint32_t* slot) {
  float v = 0.0f;
  if (slot) std::memcpy(&v, slot, sizeof v);
  // Written so that a NaN from a runaway signal compares false and shows as empty.
  if (!(v > 0.0f)) return 0.0f;
  return v < 1.0f ? v : 1.0f;
}

bool TexturedMeters::meterArea(BoundingBox& area) {
  for (const Meter& m : meters)
    area.unite(BoundingBox::fromCorners(m.x, m.y, m.x + width, m.y + height));
  return !meters.empty();
}

void TexturedMeters::draw() {
  glColor4f(0.1f, 0.1f, 0.1f, 1.0f);
  glBegin(GL_QUADS);
  for (const Meter& m : meters) {
    glVertex2f(m.x, m.y);
    glVertex2f(m.x + width, m.y);
    glVertex2f(m.x + width, m.y + height);
    glVertex2f(m.x, m.y + height);
  }
  glEnd();

  // Without a loaded atlas only the dark boxes show.
  if (!texture || texture->glName == 0 || texture->width <= 0 || texture->height <= 0) return;
  float w = static_cast<float>(texture->width), h = static_cast<float>(texture->height);
  glBindTexture(GL_TEXTURE_2D, texture->glName);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  float t0 = (texY + height) / h;
  float s0 = texX / w;
  float s1 = s0 + width / w;
  glBegin(GL_QUADS);
  for (const Meter& m : meters) {
    float f = height * shownValue(m.slot);
    if (f <= 0.0f) continue;
    float t1 = t0 - f / h;
    glTexCoord2f(s0, t0);
    glVertex2f(m.x, m.y);
    glTexCoord2f(s1, t0);
    glVertex2f(m.x + width, m.y);
    glTexCoord2f(s1, t1);
    glVertex2f(m.x + width, m.y + f);
    glTexCoord2f(s0, t1);
    glVertex2f(m.x, m.y + f);
  }
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace HC
