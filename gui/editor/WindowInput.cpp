#include "gui/editor/WindowInput.h"

#include "gui/elements/Manager.h"

namespace HC {

WindowInput::WindowInput(Manager* manager) : manager(manager) { manager->setGestureSource(this); }

WindowInput::~WindowInput() {
  destroy();
  manager->setGestureSource(nullptr);
}

bool WindowInput::create(uintptr_t parent) {
  return window.create(parent, manager->getWidth(), manager->getHeight());
}

void WindowInput::pump() {
  if (window.handle() != 0) window.processPending(*this);
}

void WindowInput::destroy() { window.destroy(); }

void WindowInput::windowEvent(const platform::WindowEvent& event) {
  int y = manager->getHeight() - event.y;
  switch (event.type) {
    case platform::WindowEvent::PointerMove: manager->pointerMoved(event.x, y); break;
    case platform::WindowEvent::ButtonDown: manager->pointerPressed(event.x, y, event.modifiers); break;
    case platform::WindowEvent::ButtonUp: break;  // a press gesture takes its own release
    case platform::WindowEvent::Character: manager->character(event.character); break;
    case platform::WindowEvent::FocusLost: manager->keyboardFocusLost(); break;
    case platform::WindowEvent::Exposed: manager->pictureLost(); break;
  }
}

void WindowInput::beginCapture() { window.beginCapture(); }

bool WindowInput::nextGestureEvent(GestureEvent& out) {
  platform::WindowEvent event;
  if (!window.nextGestureEvent(event, -1)) return false;
  switch (event.type) {
    case platform::WindowEvent::ButtonUp: out.type = GestureEvent::Up; break;
    case platform::WindowEvent::ButtonDown: out.type = GestureEvent::Down; break;
    default: out.type = GestureEvent::Move; break;
  }
  out.x = event.x;
  out.y = event.y;
  out.modifiers = event.modifiers;
  return true;
}

void WindowInput::endCapture() { window.endCapture(); }

int WindowInput::currentModifiers() { return window.currentModifiers(); }

void WindowInput::takeKeyboardFocus() { window.takeKeyboardFocus(); }

}  // namespace HC
