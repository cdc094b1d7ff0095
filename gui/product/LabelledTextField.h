// A text field with a short label drawn below it on a dark plate (in the labels layer), and
// a light body that shows whether it has the keyboard and is being edited. Hovering the
// label counts as hovering the field.
//
// Threads: as TextField; drawLabel and drawBody on the render thread.
#pragma once

#include <cstdint>
#include <string>

#include "gui/elements/TextField.h"

namespace HC {

class LabelledTextField : public TextField {
 public:
  // How far below the field its label reaches, for hovering.
  static constexpr float kLabelDepth = 10.0f;

  LabelledTextField(int32_t parameterIndex, Manager* manager, const std::string& format, float x,
                    float y, float width, float height, const std::string& label);
  ~LabelledTextField() override = default;

  const std::string& getLabel() const { return label; }

  void bounds(BoundingBox& out) override;
  void drawLabel(Font* font) override;
  void drawBody() override;

 private:
  std::string label;
};

}  // namespace HC
