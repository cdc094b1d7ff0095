// Host automation, the user-interface thread and the render thread's overlay work on one
// manager at once: the threads share only atomics and the lock-free pending list (run it
// under ThreadSanitizer), and the controls end at the newest value.
#include <gtest/gtest.h>

#include <thread>

#include "GuiTestSupport.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Group.h"
#include "gui/elements/Knob.h"
#include "gui/elements/TextField.h"

namespace {

using namespace guitest;

TEST(ElementThreads, AutomationWhileTheEditorIsUsedAndDrawn) {
  Rig rig;
  HC::Manager& manager = rig.manager;
  auto* knob = new HC::Knob(kOffset, &manager, 0, 0, 40);
  auto* field = new HC::TextField(kOffset, &manager, "%.2f", 0, 50, 40, 12);
  manager.getRoot()->add(knob);
  manager.getRoot()->add(field);
  manager.setMainFont(new FixedFont);
  HC::EditorOptions::setFloatingTooltip(true);

  constexpr int kSteps = 20000;
  std::atomic<bool> uiDone{false};
  std::thread automation([&] {
    for (int i = 0; i <= kSteps; ++i) rig.fx.setParameter(kOffset, static_cast<float>(i) / kSteps);
  });
  std::thread render([&] {
    // Until the user-interface thread is done, then a fixed number more.
    for (int extra = 0; extra < 100;) {
      manager.prepareOverlay();
      (void)knob->getNormalised();
      (void)field->typedText();
      (void)field->isEditing();
      (void)field->valueText(0.5f);
      if (uiDone.load()) ++extra;
    }
  });
  for (int i = 0; i < 2000; ++i) {
    manager.pointerMoved(20, i % 2 ? 20 : 55);
    manager.deliverPendingChanges();
    if (i % 100 == 0) {
      manager.pointerPressed(20, 55, 0);
      manager.character('1');
      manager.keyboardFocusLost();
    }
  }
  uiDone.store(true);
  automation.join();
  render.join();
  manager.deliverPendingChanges();
  EXPECT_FLOAT_EQ(knob->getNormalised(), 1.0f);
  HC::EditorOptions::setFloatingTooltip(false);
}

}  // namespace
