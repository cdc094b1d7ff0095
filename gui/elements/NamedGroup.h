// A titled panel: an open frame drawn round its children with a gap for the title. The
// frame fades towards the process-wide active colour while the pointer is inside it and
// back to the inactive colour when it leaves.
//
// Threads: pointerEnter, pointerLeave and setVisible on the user-interface thread; layout1
// and draw on the render thread. layout1 sets the group's own box (the window-space box
// that hover tracking tests) and publishes it, so hit tests made before it never read a
// half-written box.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "gui/elements/AtomicColour.h"
#include "gui/elements/Group.h"

namespace HC {

class NamedGroup : public Group {
 public:
  NamedGroup(Manager* manager, const std::string& title);

  const std::string& getTitle() const { return title; }
  float getMargin() const { return margin; }
  Colour getTargetColour() const { return targetColour.get(); }
  const float* getShownColour() const { return shownColour; }
  int32_t getTitleLabel() const { return titleLabel; }
  // The frame: six points from the end of the title gap round to its start.
  const float (&getOutline() const)[6][2] { return outline; }

  void draw() override;
  // The children's union widened by the margin on every side, moved by the offset.
  void bounds(BoundingBox& box) override;
  void pointerEnter() override;
  void pointerLeave() override;
  // Adds the title to the static text, takes the window-space box as the own box and
  // builds the frame.
  void layout1() override;

 protected:
  bool ownBoxContains(const Point& point) const override;

 private:
  std::string title;
  float margin = 10.0f;
  float shownColour[4];
  AtomicColour targetColour;
  int32_t titleLabel = -1;
  float outline[6][2] = {};
  std::atomic<bool> laidOut{false};
};

}  // namespace HC
