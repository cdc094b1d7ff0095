#include "tests/gui/editor/TestEditor.h"

#include <GL/glew.h>

#include <cstdlib>

#include "framework/HvcAuBase.h"
#include "gui/elements/Button.h"
#include "gui/elements/Group.h"
#include "gui/elements/Knob.h"
#include "gui/elements/LumoButton.h"
#include "gui/elements/Manager.h"
#include "gui/elements/NamedGroup.h"
#include "gui/elements/StatefulButton.h"
#include "gui/elements/TextField.h"
#include "gui/text/Font.h"

namespace editortest {

namespace {

// The framework's knob draws nothing of its own: this one shows its value as a white bar
// rising from the bottom of its box over a dark well, so pictures show where it stands.
class BarKnob : public HC::Knob {
public:
  BarKnob(int32_t index, HC::Manager* manager, const Box& box)
      : Knob(index, manager, box.x, box.y, box.width), box(box) {}
  void draw() override {
    float top = box.y + box.height * getNormalised();
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    quad(box.y, box.y + box.height);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    quad(box.y, top);
  }

private:
  void quad(float y0, float y1) {
    glBegin(GL_QUADS);
    glVertex2f(box.x, y0);
    glVertex2f(box.x + box.width, y0);
    glVertex2f(box.x + box.width, y1);
    glVertex2f(box.x, y1);
    glEnd();
  }
  Box box;
};

// Fixed text and a frame drawn into the labels layer (the layer's two drawing paths must
// give the same picture, so the layer needs content beyond its background).
class Caption : public HC::UIElement {
public:
  Caption(HC::Manager* manager, const Box& box) : UIElement(manager), box(box) {}
  void drawLabel(HC::Font* font) override {
    glColor4f(1.0f, 0.8f, 0.2f, 1.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(box.x, box.y);
    glVertex2f(box.x + box.width, box.y);
    glVertex2f(box.x + box.width, box.y + box.height);
    glVertex2f(box.x, box.y + box.height);
    glEnd();
    glColor4f(0.9f, 0.9f, 1.0f, 1.0f);
    font->drawText("Labels 0123", box.x + 6, box.y + 10);
  }

private:
  Box box;
};

std::vector<std::pair<std::string, float>> fontList(float size) {
  return {{"arial.ttf", size}, {"DejaVuSans.ttf", size}};
}

HvcAuBase* effectOf(HC::Button* button) {
  return button->getManager()->getEffect();
}

}  // namespace

TestEditor::TestEditor(HvcAuBase* effect) : Editor(effect) { setInitialSize(kWidth, kHeight); }

void TestEditor::buildInterface(float, float) {
  setUseFramebuffer(std::getenv(kFallbackVariable) == nullptr);
  auto* m = new HC::Manager(this, getHvcEffect());
  setManager(m);
  m->setWindowSize(kWidth, kHeight);
  m->setMainFont(HC::Font::load(fontList(11)));
  m->setLabelFont(HC::Font::load(fontList(10)));
  m->setTextFieldFont(HC::Font::load(fontList(11)));
  for (int i = 0; i < 3; ++i) m->backgroundColour[i] = kBackground[i];
  m->bannerY = kBannerY;

  auto* pitch = new HC::NamedGroup(m, "Pitch");
  m->getRoot()->add(pitch);
  pitch->add(new BarKnob(kOffsetParameter, m, kOffsetKnob));
  pitch->add(new HC::TextField(kOffsetParameter, m, "%.2f", kOffsetField.x, kOffsetField.y,
                               kOffsetField.width, kOffsetField.height));
  pitch->add(new BarKnob(kSwitchParameter, m, kSwitchKnob));

  auto* sync = new HC::NamedGroup(m, "Sync");
  m->getRoot()->add(sync);
  sync->add(new BarKnob(kSteppedParameter, m, kSteppedKnob));

  auto setTo = [](HC::Button* button, intptr_t value) {
    effectOf(button)->setParameterFromEditor(kButtonParameter, static_cast<float>(value));
  };
  auto toggled = [](HC::Button* button, intptr_t) {
    auto* toggle = static_cast<HC::StatefulButton*>(button);
    effectOf(button)->setParameterFromEditor(kToggleParameter, toggle->getState() ? 1.0f : 0.0f);
  };
  m->getRoot()->add(new HC::Button("Plain", m, setTo, 1, kPlainButton.x, kPlainButton.y,
                                   kPlainButton.width, kPlainButton.height, -2));
  m->getRoot()->add(new HC::StatefulButton("Toggle", m, toggled, 0, kToggleButton.x, kToggleButton.y,
                                           kToggleButton.width, kToggleButton.height, -3, true));
  m->getRoot()->add(new HC::LumoButton("Lumo", m, setTo, 0, kLumoButton.x, kLumoButton.y,
                                       kLumoButton.width, kLumoButton.height, -4));
  m->getRoot()->add(new Caption(m, kCaption));
  m->setButtonText(-2, "plain button");
  m->setButtonText(-3, "toggle button");
  m->setButtonText(-4, "lumo button");
}

}  // namespace editortest
