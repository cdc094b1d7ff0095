#include "gui/elements/Manager.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/HvcAuBase.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Effect.h"
#include "gui/elements/GestureSource.h"
#include "gui/elements/Group.h"
#include "gui/elements/StaticText.h"
#include "gui/elements/TextField.h"
#include "gui/elements/UIElement.h"
#include "gui/text/Font.h"
#include "gui/text/Texture.h"

namespace HC {

Manager::Manager(Editor* editor, HvcAuBase* effect) : editor(editor), effect(effect) {
  EditorOptions::readPreferences();
  int32_t count = effect->getNumParameters();
  parameters.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) parameters.push_back(ControlParameter::of(effect, i));
  listenerTable = &effect->parameterListeners();
  listenerTable->attach(&Manager::deliverToControl, this);
  root = new Group(this);
  staticText = new StaticText(this);
  effects.push_back(staticText);
  setWindowSize(1, 1);
}

Manager::~Manager() {
  listenerTable->detach();
  for (UIElement* element : elements) delete element;
  for (Texture* texture : textures) delete texture;
  for (Effect* e : effects) delete e;
}

void Manager::registerElement(UIElement* element) {
  elements.push_back(element);
}
void Manager::registerTexture(Texture* texture) {
  textures.push_back(texture);
}
void Manager::addEffect(Effect* e) {
  effects.push_back(e);
}
void Manager::setMainFont(Font* font) {
  mainFont.reset(font);
}
void Manager::setLabelFont(Font* font) {
  labelFont.reset(font);
}
void Manager::setTextFieldFont(Font* font) {
  textFieldFont.reset(font);
}

const ControlParameter& Manager::parameter(int32_t index) const {
  static const ControlParameter unbound;
  if (index < 0 || static_cast<size_t>(index) >= parameters.size()) return unbound;
  return parameters[static_cast<size_t>(index)];
}

void Manager::setWindowSize(int32_t w, int32_t h) {
  width = w;
  height = h;
  packedSize = static_cast<int32_t>((static_cast<uint32_t>(w) & 0xffff) << 16 |
                                    (static_cast<uint32_t>(h) & 0xffff));
  // A 0 x 0 layout has no window; keep the derived values finite all the same.
  float fw = static_cast<float>(std::max(w, 1));
  float fh = static_cast<float>(std::max(h, 1));
  aspect = fw / fh;
  pixelScaleX = 2.0f / fw;
  pixelScaleY = 2.0f / fh;
  fieldOfView = 65.0f;
  cameraDistance = 1.0f / (pixelScaleY * std::tan(32.5f * static_cast<float>(M_PI) / 180.0f));
  cameraX = static_cast<float>(w) / 2;
  cameraY = static_cast<float>(h) / 2;
  lightTargetX = cameraX;
  lightTargetY = cameraY;
}

void Manager::deliverToControl(void* user, void* control, int32_t index, float value) {
  auto* self = static_cast<Manager*>(user);
  static_cast<UIElement*>(control)->parameterValueChanged(&self->parameter(index), value);
  self->noteChange();
}

// --- Input ---------------------------------------------------------------------------------

void Manager::pointerMoved(int x, int y) {
  Point point{static_cast<float>(x), static_cast<float>(y)};
  groupsHit = true;
  UIElement* hit = root->hitTest(point);
  if (hit == root) hit = nullptr;
  // An element stays hovered while the pointer is inside its box (edges included), so a
  // group stays lit while the pointer is over its knobs.
  if (hit && !hoveredBoxes.count(hit)) {
    hoveredBoxes[hit] = hit->windowBox();
    hit->pointerEnter();
  }
  std::vector<UIElement*> left;
  for (const auto& entry : hoveredBoxes)
    if (!entry.second.contains(point)) left.push_back(entry.first);
  for (UIElement* element : left) {
    element->pointerLeave();
    hoveredBoxes.erase(element);
  }
  hoveredElem.store(hit, std::memory_order_release);
  groupsHit = false;
  noteChange();
}

void Manager::pointerPressed(int x, int y, int modifiers) {
  dropKeyboardFocus();
  Point point{static_cast<float>(x), static_cast<float>(y)};
  UIElement* target = root->hitTest(point);
  if (!target || target == root) return;
  int flags = modifiers;
  target->pointerDown(point, flags);
  if (gestures) gestures->beginCapture();
  deliverPendingChanges();
  noteChange();
  GestureEvent event;
  while (gestures && gestures->nextGestureEvent(event)) {
    point = {static_cast<float>(event.x), static_cast<float>(height - event.y)};
    if (event.type == GestureEvent::Up) break;
    if (event.modifiers != flags) {
      // A modifier changed: restart the drag here with the new flags, so the value
      // continues from where it is instead of jumping by the new sensitivity.
      target->pointerUp(point, flags);
      flags = event.modifiers;
      target->pointerDown(point, flags);
    }
    target->pointerDrag(point, flags);
    deliverPendingChanges();
    noteChange();
  }
  if (gestures) gestures->endCapture();
  target->pointerUp(point, flags);
  int32_t dragged = draggedIndex();
  if (dragged >= 0) {
    effect->endEdit(dragged);
    setDraggedIndex(-1);
  }
  effect->updateDisplay();
  noteChange();
}

void Manager::dropKeyboardFocus() {
  if (TextField* field = focusedField()) {
    setFocusedField(nullptr);
    field->focusLost();
  }
}

void Manager::character(uint32_t code) {
  if (TextField* field = focusedField()) field->character(code);
  noteChange();
}

void Manager::keyboardFocusLost() {
  dropKeyboardFocus();
  noteChange();
}

void Manager::pictureLost() {
  lost.store(true, std::memory_order_release);
  noteChange();
  if (wakeHook) wakeHook(wakeUser);
}

void Manager::takeKeyboardFocus() {
  if (gestures) gestures->takeKeyboardFocus();
}

// --- Buttons -------------------------------------------------------------------------------

int32_t Manager::buttonIdForText(const std::string& text) {
  for (const auto& entry : buttonTexts)
    if (entry.second == text) return entry.first;
  int32_t id = buttonTexts.empty() ? -2 : std::min(-2, buttonTexts.begin()->first - 1);
  buttonTexts[id] = text;
  return id;
}

void Manager::setButtonText(int32_t id, const std::string& text) {
  buttonTexts[id] = text;
  cachedText = nullptr;
  noteChange();
}

const std::string* Manager::buttonText(int32_t id) {
  if (cachedText && cachedTextId == id) return cachedText;
  auto found = buttonTexts.find(id);
  if (found == buttonTexts.end()) return nullptr;
  cachedTextId = id;
  cachedText = &found->second;
  return cachedText;
}

// --- Overlay -------------------------------------------------------------------------------

void Manager::prepareOverlay() {
  if (UIElement* element = hoveredElement()) {
    BoundingBox b = element->windowBox();
    lightTargetX = b.centreX();
    lightTargetY = b.centreY();
  }
  lightX = 0.1f * lightTargetX + 0.9f * lightX;
  lightY = 0.1f * lightTargetY + 0.9f * lightY;
  computeBanner();
  fadeTooltip();
}

void Manager::computeBanner() {
  bannerLine = Banner();
  if (!mainFont) return;
  bannerLine.shown = true;
  bannerLine.x = bannerFlag ? static_cast<float>(width) / 2 + 15 : 25.0f;
  int32_t dragged = draggedIndex();
  int32_t index = dragged >= 0 ? dragged : hoveredIndex();
  bannerLine.index = index;
  if (index >= 0 && effect->isValidParameter(index)) {
    char text[64] = {};
    bannerLine.name = parameter(index).name;
    effect->getParameterDisplay(index, text);
    bannerLine.display = text;
    std::memset(text, 0, sizeof text);
    effect->getParameterLabel(index, text);
    bannerLine.label = text;
    bannerLine.tooltipText = bannerLine.name + " " + bannerLine.display;
    if (!bannerLine.label.empty()) bannerLine.tooltipText += " " + bannerLine.label;
  } else if (index <= -2) {
    if (const std::string* text = buttonText(index)) {
      bannerLine.buttonText = *text;
      bannerLine.tooltipText = *text;
    }
  }
}

void Manager::fadeTooltip() {
  if (!EditorOptions::floatingTooltip() || !mainFont) return;
  UIElement* element = tooltipElement();
  if (element && !bannerLine.tooltipText.empty()) {
    tooltipAlpha = 0.84f * tooltipAlpha + 0.16f;
    // Longer texts (script buttons name their own) are cut to what the tooltip holds.
    size_t n = std::min(bannerLine.tooltipText.size(), sizeof tooltipText - 1);
    std::memcpy(tooltipText, bannerLine.tooltipText.data(), n);
    tooltipText[n] = 0;
    BoundingBox b = element->windowBox();
    float textWidth = mainFont->advance(tooltipText);
    float x = std::max(b.centreX() - textWidth / 2, 5.0f);
    tooltipX = std::min(x, static_cast<float>(width) - 5 - textWidth);
    tooltipY = b.centreY();
    tooltipWidth = textWidth;
    tooltipHeight = mainFont->lineHeight();
  } else {
    tooltipAlpha *= 0.89f;
    if (tooltipAlpha < 1.0f / 255) tooltipAlpha = 0.0f;
  }
}

void Manager::overlayPass() {
  prepareOverlay();
  drawOverlay();
}

void Manager::drawOverlay() {
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1.0f};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  const GLfloat diffuse0[] = {0.8f, 0.8f, 0.8f, 1.0f};
  const GLfloat specular0[] = {0.2f, 0.2f, 0.2f, 1.0f};
  const GLfloat position0[] = {0.6f, 0.6f, 0.5f, 0.0f};
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse0);
  glLightfv(GL_LIGHT0, GL_SPECULAR, specular0);
  glLightfv(GL_LIGHT0, GL_POSITION, position0);

  const GLfloat diffuse1[] = {0.9f, 0.9f, 0.9f, 1.0f};
  const GLfloat specular1[] = {0.5f, 0.5f, 0.7f, 1.0f};
  const GLfloat position1[] = {lightX, lightY, lightZ, lightW};
  glEnable(GL_LIGHT1);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
  glLightfv(GL_LIGHT1, GL_SPECULAR, specular1);
  glLightfv(GL_LIGHT1, GL_POSITION, position1);

  const GLfloat materialSpecular[] = {0.5f, 0.5f, 0.5f, 1.0f};
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 40.0f);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_COLOR_MATERIAL);

  root->draw();
  glDepthMask(GL_FALSE);
  for (Effect* e : effects) e->draw();
  drawBanner();
  drawTooltip();
}

namespace {

void fillRect(float x0, float y0, float x1, float y1, float r, float g, float b, float a) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(r, g, b, a);
  glBegin(GL_QUADS);
  glVertex2f(x0, y0);
  glVertex2f(x1, y0);
  glVertex2f(x1, y1);
  glVertex2f(x0, y1);
  glEnd();
  glDisable(GL_BLEND);
}

}  // namespace

void Manager::drawBanner() {
  if (!bannerLine.shown) return;
  const Font& font = *mainFont;
  fillRect(20.0f, bannerY, static_cast<float>(width) - 20, bannerY + font.lineHeight(), 0.9f, 0.9f,
           0.9f, 0.1f);
  float y = bannerY - font.descender();
  float x = bannerLine.x;
  glColor3f(0.5f, 0.5f, 0.5f);
  if (!bannerLine.name.empty() || !bannerLine.display.empty()) {
    font.drawText(bannerLine.name.c_str(), x + 140 - font.advance(bannerLine.name.c_str()), y);
    font.drawText(bannerLine.display.c_str(), x + 150, y);
    if (!bannerLine.label.empty()) font.drawText(bannerLine.label.c_str(), x + 190, y);
  } else if (!bannerLine.buttonText.empty()) {
    font.drawText(bannerLine.buttonText.c_str(), x + 100, y);
  }
}

void Manager::drawTooltip() {
  if (!mainFont || tooltipAlpha <= 0.0f) return;
  fillRect(tooltipX - 5, tooltipY, tooltipX + tooltipWidth + 5, tooltipY + tooltipHeight, 0.7f,
           0.7f, 0.7f, tooltipAlpha / 2);
  glColor4f(0.8f, 0.8f, 0.8f, 0.9f * tooltipAlpha);
  mainFont->drawText(tooltipText, tooltipX, tooltipY - mainFont->descender());
}

void Manager::drawBackground() {
  glDisable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, labelsTexture);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  float s = static_cast<float>(width) / 1024;
  float t = static_cast<float>(height) / 512;
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, t);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(s, t);
  glVertex2f(1.0f, -1.0f);
  glTexCoord2f(s, 0.0f);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, 1.0f);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

}  // namespace HC
