#include "gui/product/LabelledTextField.h"

#include <GL/glew.h>

#include "gui/elements/Draw2D.h"
#include "gui/elements/Manager.h"
#include "gui/text/Font.h"

namespace HC {

LabelledTextField::LabelledTextField(int32_t parameterIndex, Manager* manager,
                                     const std::string& format, float x, float y, float width,
                                     float height, const std::string& label)
    : TextField(parameterIndex, manager, format, x, y, width, height), label(label) {}

void LabelledTextField::bounds(BoundingBox& out) {
  BoundingBox mine = box;
  if (!label.empty()) mine.minY -= kLabelDepth;
  out.unite(mine);
}

void LabelledTextField::drawLabel(Font* font) {
  if (label.empty() || !font) return;
  // The labels layer is drawn in window pixels, outside the groups' offsets.
  BoundingBox area = windowBox();
  float width = font->advance(label.c_str());
  float halfHeight = area.height() / 2;
  float halfLine = font->lineHeight() / 2;
  float cx = area.centreX();
  float baseline = area.centreY() + 5 - halfHeight / 2 - halfLine;
  float plateHalf = (width / 2 + 4) / 2;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(0.1f, 0.1f, 0.15f, 0.7f);
  Draw2D::fill(BoundingBox::fromCorners(cx - plateHalf, baseline - 3, cx + plateHalf,
                                        baseline - 3 + halfLine));
  glColor4f(0.9f, 0.9f, 0.9f, 0.6f);
  font->drawText(label.c_str(), cx - width / 2, baseline);
  glDisable(GL_BLEND);
}

void LabelledTextField::drawBody() {
  glColor3f(0.8f, 0.8f, 0.85f);
  Draw2D::fill(box);
  if (manager->focusedField() == this) {
    if (isEditing())
      glColor3f(1.0f, 0.8f, 0.8f);
    else
      glColor3f(0.8f, 1.0f, 0.8f);
    Draw2D::fill(BoundingBox::fromCorners(box.minX + 1, box.minY + 1, box.maxX - 1, box.maxY - 1));
  }
  const Font* font = manager->getTextFieldFont();
  if (!font) return;
  glColor3f(0.1f, 0.1f, 0.1f);
  drawShownText(*font);
}

}  // namespace HC
