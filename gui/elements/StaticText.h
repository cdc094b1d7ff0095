// Text that rarely changes (group titles, button labels, the banner's version line), drawn
// from one interleaved vertex buffer of glyph quads that is rebuilt only when labels were
// added.
//
// Threads: labels are added on the user-interface thread before the render thread starts,
// or on the render thread during layout; rebuild and draw run on the render thread.
// setLabelVisible may be called from the user-interface thread at any time.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "gui/elements/Effect.h"
#include "gui/elements/StaticTextLabel.h"

namespace HC {

class StaticText : public Effect {
 public:
  explicit StaticText(Manager* manager) : Effect(manager) {}

  // Appends a label (4 vertices per character are set aside) and returns its index.
  // visibleFlag, when given, decides the label's visibility instead of its own flag.
  int32_t addLabel(const std::string& text, float x, float y, const float* colour,
                   const std::atomic<bool>* visibleFlag = nullptr);
  void setLabelVisible(int32_t index, bool visible);
  const StaticTextLabel* label(int32_t index) const;
  size_t labelCount() const { return labels.size(); }
  bool isDirty() const { return dirty; }
  const std::vector<float>& getVertices() const { return vertices; }

  // Lays the glyph quads of every label out in the vertex buffer (nothing without a main
  // font); also the GL set-up.
  void rebuild();
  void initGL() override { rebuild(); }
  void draw() override;

 private:
  // A deque keeps labels in place as more are added, so their atomics never move.
  std::deque<StaticTextLabel> labels;
  std::vector<float> vertices;
  bool dirty = true;
};

}  // namespace HC
