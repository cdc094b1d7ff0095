// Common base of the leaf elements that react to the pointer (buttons and parameter
// controls). Threads: as UIElement.
#pragma once

#include "gui/elements/UIElement.h"

namespace HC {

class ControlBase : public UIElement {
 public:
  using UIElement::UIElement;
};

}  // namespace HC
