#include "gui/elements/TextField.h"

#include <GL/glew.h>

#include <charconv>
#include <cstdio>
#include <cstring>

#include "framework/HvcAuBase.h"
#include "gui/elements/Draw2D.h"
#include "gui/elements/Manager.h"
#include "gui/elements/TextFit.h"
#include "gui/text/Font.h"

namespace HC {

TextField::TextField(int32_t parameterIndex, Manager* manager, const std::string& format, float x,
                     float y, float width, float height)
    : Control(parameterIndex, manager), format(format), formatUsable(isUsableFormat(format)) {
  box = BoundingBox::fromCorners(x, y, x + width, y + height);
}

bool TextField::isUsableFormat(const std::string& format) {
  int conversions = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    ++i;
    if (i < format.size() && format[i] == '%') continue;
    while (i < format.size() && std::strchr("-+ #0", format[i])) ++i;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
    if (i < format.size() && format[i] == '.') {
      ++i;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
    }
    if (i < format.size() && format[i] == 'l') ++i;  // "%lf" is a double too
    // A width or precision from the arguments ('*'), a length modifier or any other
    // conversion would read what printf is not given.
    if (i >= format.size() || !std::strchr("fFeEgGaA", format[i])) return false;
    ++conversions;
  }
  return conversions == 1;
}

std::string TextField::typedText() const {
  char out[kTextBytes];
  for (int i = 0; i < kTextBytes; ++i)
    out[i] = typed[static_cast<size_t>(i)].load(std::memory_order_relaxed);
  out[kTextBytes - 1] = 0;
  return out;
}

std::string TextField::valueText(float value) const {
  char out[64] = {};
  if (!format.empty() && formatUsable)
    std::snprintf(out, kTextBytes, format.c_str(), static_cast<double>(value));
  else if (isBound())
    parameter.effect->getParameterDisplay(index(), out);
  out[kTextBytes - 1] = 0;
  return out;
}

std::string TextField::fittedText(const std::string& value) const {
  const Font* font = manager->getTextFieldFont();
  if (!font) return value;
  return TextFit::fit(value, box.width() - 2,
                      [font](const std::string& t) { return font->advance(t.c_str()); });
}

void TextField::draw() {
  const Font* font = manager->getTextFieldFont();
  if (!font || !isBound()) return;
  std::string shown;
  bool changed = false;
  if (editIndex.load(std::memory_order_acquire) < 0) {
    // After an edit the value text comes back even when the value did not change.
    float value = currentValue();
    if (showingTyped || value != shownValue) {
      showingTyped = false;
      shownValue = value;
      shown = fittedText(valueText(value));
      changed = true;
    }
  } else {
    uint32_t serial = typedSerial.load(std::memory_order_acquire);
    if (!showingTyped || serial != shownSerial) {
      showingTyped = true;
      shownSerial = serial;
      shown = typedText();
      changed = true;
    }
  }
  if (changed) {
    std::memcpy(text, shown.c_str(), shown.size() + 1);
    textWidth = font->advance(text);
  }
  drawBody();
}

void TextField::drawBody() {
  const Font* font = manager->getTextFieldFont();
  if (!font) return;
  if (manager->focusedField() == this)
    glColor3f(1.0f, 1.0f, 0.0f);
  else
    glColor3f(0.0f, 1.0f, 0.0f);
  Draw2D::outline(box);
  drawShownText(*font);
}

void TextField::drawShownText(const Font& font) const {
  float room = box.width() - 2;
  if (textWidth <= room || room <= 0.0f) {
    font.drawText(text, box.maxX - textWidth - 1, box.minY + 2);
    return;
  }
  glPushMatrix();
  glTranslatef(box.minX + 1, box.minY + 2, 0.0f);
  glScalef(room / textWidth, 1.0f, 1.0f);
  font.drawText(text, 0.0f, 0.0f);
  glPopMatrix();
}

void TextField::pointerDown(const Point& point, int modifiers) {
  manager->takeKeyboardFocus();
  Control::pointerDown(point, modifiers);
  TextField* previous = manager->focusedField();
  if (previous && previous != this) previous->focusLost();
  manager->setFocusedField(this);
}

void TextField::clearTyped() {
  for (auto& c : typed) c.store(0, std::memory_order_relaxed);
  typedSerial.fetch_add(1, std::memory_order_release);
}

void TextField::storeTyped(int32_t position, char c, int32_t newLength) {
  typed[static_cast<size_t>(position)].store(c, std::memory_order_relaxed);
  typedSerial.fetch_add(1, std::memory_order_release);
  editIndex.store(newLength, std::memory_order_release);
}

bool TextField::character(uint32_t code) {
  int32_t n = editIndex.load(std::memory_order_relaxed);
  if (n < 0) {
    clearTyped();
    n = 0;
  }
  auto append = [&](char c) {
    // The 16th character has no room: the last byte always ends the text.
    if (n >= kTextBytes - 1) return;
    storeTyped(n, c, n + 1);
  };
  if (code == 13 || code == 3) {
    commit();
  } else if (code == 8) {
    if (n > 0) storeTyped(n - 1, 0, n - 1);
  } else if (code == '-') {
    if (n == 0) append('-');
  } else if (code == '.') {
    if (typedText().find('.') == std::string::npos) append('.');
  } else if (code >= '0' && code <= '9') {
    append(static_cast<char>(code));
  } else {
    return false;
  }
  return true;
}

void TextField::commit() {
  std::string t = typedText();
  float value = 0.0f;
  // The typed text holds only digits, one point and a leading minus; read it the same way
  // whatever locale the host process runs in.
  auto result = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || result.ec != std::errc() || !isBound()) return;
  manager->setDraggedIndex(index());
  parameter.effect->beginEdit(index());
  setPlainValue(value);
  if (manager->draggedIndex() == index()) parameter.effect->endEdit(index());
  manager->setDraggedIndex(-1);
  editIndex.store(-1, std::memory_order_release);
}

void TextField::focusLost() {
  editIndex.store(-1, std::memory_order_release);
}

}  // namespace HC
