// The standalone application's top-level window: a strip across the top that shows the
// current program with arrows to step through the programs, and below it the area that
// the editor opens into (the parent its window gets, as a plug-in host would give).
//
// In the strip a click on an arrow, the mouse wheel, or Page Up and Page Down step the
// program; the listener decides what that means and calls showProgram() with the result.
//
// Threading: one thread (the application's main thread) for every call; the X connection
// is this object's own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class StandaloneWindow {
public:
  class Listener {
  public:
    virtual ~Listener() = default;
    // step is -1 (the previous program) or +1 (the next).
    virtual void stepProgram(int step) = 0;
  };

  static constexpr int kStripHeight = 28;

  // The window is mapped at once; ok() is false with error() set without a display.
  StandaloneWindow(const std::string& title, int editorWidth, int editorHeight,
                   Listener& listener);
  ~StandaloneWindow();
  StandaloneWindow(const StandaloneWindow&) = delete;
  StandaloneWindow& operator=(const StandaloneWindow&) = delete;

  bool ok() const;
  const std::string& error() const { return errorText; }
  // The X window ids of the whole window and of the editor's area.
  uintptr_t window() const;
  uintptr_t editorParent() const;

  // The strip's text (for example "3  Sync To The Max"); drawn at once.
  void showProgram(const std::string& text);
  // Handles the events that have arrived; false once the user closed the window or the
  // server went away.
  bool poll();

private:
  struct Native;
  void draw();

  std::unique_ptr<Native> native;
  Listener& listener;
  std::string program;
  std::string errorText;
  bool closed = false;
};

}  // namespace platform
