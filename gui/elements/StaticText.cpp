#include "gui/elements/StaticText.h"

#include <GL/glew.h>

#include "gui/elements/Manager.h"
#include "gui/text/Font.h"

namespace HC {

namespace {
constexpr int kFloatsPerVertex = 5;
}

int32_t StaticText::addLabel(const std::string& text, float x, float y, const float* colour,
                             const std::atomic<bool>* visibleFlag) {
  labels.emplace_back();
  StaticTextLabel& label = labels.back();
  label.text = text;
  label.colour = colour;
  label.x = x;
  label.y = y;
  label.vertexCount = static_cast<int32_t>(4 * text.size());
  label.visibleFlag = visibleFlag;
  dirty = true;
  return static_cast<int32_t>(labels.size() - 1);
}

void StaticText::setLabelVisible(int32_t index, bool visible) {
  if (index < 0 || static_cast<size_t>(index) >= labels.size()) return;
  labels[static_cast<size_t>(index)].ownVisible.store(visible, std::memory_order_relaxed);
}

const StaticTextLabel* StaticText::label(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= labels.size()) return nullptr;
  return &labels[static_cast<size_t>(index)];
}

void StaticText::rebuild() {
  dirty = false;
  const Font* font = manager->getMainFont();
  if (!font) return;
  size_t total = 0;
  for (const StaticTextLabel& label : labels) total += 4 * label.text.size();
  vertices.assign(total * kFloatsPerVertex, 0.0f);
  int32_t first = 0;
  for (StaticTextLabel& label : labels) {
    label.firstVertex = first;
    // Characters without a glyph write no quad; only what was written is drawn.
    label.vertexCount = font->fillTextQuads(
        label.text.c_str(), vertices.data() + first * kFloatsPerVertex, label.x, label.y);
    first += static_cast<int32_t>(4 * label.text.size());
  }
}

void StaticText::draw() {
  const Font* font = manager->getMainFont();
  if (!font) return;
  if (dirty) rebuild();
  if (vertices.empty()) return;
  glBindTexture(GL_TEXTURE_2D, font->glyphTexture());
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glInterleavedArrays(GL_T2F_V3F, 0, vertices.data());
  for (const StaticTextLabel& label : labels) {
    if (!label.isVisible() || label.vertexCount <= 0) continue;
    if (label.colour) glColor4fv(label.colour);
    glDrawArrays(GL_QUADS, label.firstVertex, label.vertexCount);
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace HC
