// A colour that the user-interface thread sets (hover changes, script calls) while the
// render thread fades towards it. Each component is one relaxed atomic float: a reader may
// see components of two colours for one frame, never a torn float.
#pragma once

#include <atomic>

#include "gui/elements/Colour.h"

namespace HC {

class AtomicColour {
 public:
  explicit AtomicColour(const Colour& c = Colour()) { set(c); }

  void set(const Colour& c) {
    r.store(c.r, std::memory_order_relaxed);
    g.store(c.g, std::memory_order_relaxed);
    b.store(c.b, std::memory_order_relaxed);
    a.store(c.a, std::memory_order_relaxed);
  }
  Colour get() const {
    return {r.load(std::memory_order_relaxed), g.load(std::memory_order_relaxed),
            b.load(std::memory_order_relaxed), a.load(std::memory_order_relaxed)};
  }

 private:
  std::atomic<float> r, g, b, a;
};

}  // namespace HC
