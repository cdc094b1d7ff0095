#include "gui/elements/NamedGroup.h"

#include <GL/glew.h>

#include "gui/elements/Draw2D.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Manager.h"
#include "gui/elements/StaticText.h"
#include "gui/text/Font.h"

namespace HC {

NamedGroup::NamedGroup(Manager* manager, const std::string& title)
    : Group(manager), title(title), targetColour(EditorOptions::inactiveGroupColour()) {
  Colour c = targetColour.get();
  shownColour[0] = c.r;
  shownColour[1] = c.g;
  shownColour[2] = c.b;
  shownColour[3] = c.a;
}

void NamedGroup::bounds(BoundingBox& out) {
  BoundingBox own;
  for (UIElement* child : children) child->bounds(own);
  own.minX -= margin;
  own.minY -= margin;
  own.maxX += margin;
  own.maxY += margin;
  own.translate(offX, offY, offZ);
  out.unite(own);
}

void NamedGroup::pointerEnter() {
  targetColour.set(EditorOptions::activeGroupColour());
}

void NamedGroup::pointerLeave() {
  targetColour.set(EditorOptions::inactiveGroupColour());
}

void NamedGroup::layout1() {
  BoundingBox window = windowBox();
  float titleWidth = 0.0f;
  if (const Font* font = manager->getMainFont()) {
    titleLabel = manager->getStaticText()->addLabel(
        title, window.minX + margin, window.maxY - font->lineHeight() / 2 - font->descender(),
        shownColour, &visible);
    titleWidth = font->advance(title.c_str());
  }
  box = window;
  const float points[6][2] = {
      {window.minX + margin, window.maxY}, {window.minX, window.maxY},
      {window.minX, window.minY},          {window.maxX, window.minY},
      {window.maxX, window.maxY},          {window.minX + margin + titleWidth, window.maxY}};
  for (int i = 0; i < 6; ++i) {
    outline[i][0] = points[i][0];
    outline[i][1] = points[i][1];
  }
  laidOut.store(true, std::memory_order_release);
}

bool NamedGroup::ownBoxContains(const Point& point) const {
  return laidOut.load(std::memory_order_acquire) && box.contains(point);
}

void NamedGroup::draw() {
  if (!isVisible()) return;
  Group::draw();
  Draw2D::fadeToward(shownColour, targetColour.get());
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4fv(shownColour);
  glBegin(GL_LINE_STRIP);
  for (const auto& p : outline) glVertex2f(p[0], p[1]);
  glEnd();
  glDisable(GL_BLEND);
}

}  // namespace HC
