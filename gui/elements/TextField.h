// A numeric field: shows its parameter's value every frame (so it follows changes from any
// source) and takes a typed plain value from the keyboard. A press gives it the keyboard;
// typing starts an edit, Enter commits it, loss of focus drops it.
//
// Threads: pointerDown, character and focusLost on the user-interface thread; draw and
// drawBody on the render thread. The typed text lives in atomics of its own, apart from the
// text the render thread formats for display, so typing and drawing never share a buffer.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "gui/elements/Control.h"

namespace HC {

class TextField : public Control {
 public:
  static constexpr int kTextBytes = 16;  // at most 15 characters

  // format: a printf format with one floating-point conversion, or empty for the
  // parameter's display text. A format with any other conversion is not used.
  TextField(int32_t parameterIndex, Manager* manager, const std::string& format, float x, float y,
            float width, float height);

  bool isEditing() const { return editIndex.load(std::memory_order_acquire) >= 0; }
  std::string typedText() const;
  // The text shown for a value when not editing (render thread; no GL).
  std::string valueText(float value) const;
  // What the field shows for a value text: decimals dropped until it fits the field (its
  // width less a pixel each side) in the field's font; no font leaves it as it is.
  std::string fittedText(const std::string& value) const;
  // Whether format holds exactly one floating-point conversion and nothing that would read
  // further arguments.
  static bool isUsableFormat(const std::string& format);

  void draw() override;
  virtual void drawBody();
  void pointerDown(const Point& point, int modifiers) override;
  void pointerDrag(const Point&, int) override {}
  bool character(uint32_t code) override;
  void focusLost() override;

 protected:
  // The text on show, right-aligned; a text wider than the field even without decimals is
  // drawn narrower from its left edge, so no leading digit is ever cut.
  void drawShownText(const Font& font) const;

  std::atomic<int32_t> editIndex{-1};  // characters typed; -1 when not editing
  std::string format;
  bool formatUsable;
  std::array<std::atomic<char>, kTextBytes> typed{};

  // Bumped whenever the typed text changes, so the render thread knows to measure it again.
  std::atomic<uint32_t> typedSerial{0};

  // Render thread only: what is on show and its width.
  float shownValue = 1e30f;
  bool showingTyped = false;
  uint32_t shownSerial = 0;
  char text[kTextBytes] = {};
  float textWidth = 0.0f;

 private:
  void clearTyped();
  void storeTyped(int32_t position, char c, int32_t newLength);
  void commit();
};

}  // namespace HC
