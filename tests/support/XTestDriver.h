// Drives the X server the way a user would, for GUI tests: windows to host an editor in,
// pointer moves and clicks, held modifier keys and typed text through the XTEST
// extension, and pictures of windows.
//
// Every input call is followed by a round trip (sync), so when it returns the server has
// handled the input and sent the resulting events; a window's own connection then sees
// them on its next round trip.
//
// Threading: one thread at a time per object. A separate driver (own connection) may run
// on another thread, for example to feed a press gesture that blocks the test's thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _XDisplay;

namespace testsupport {

struct Pixel {
  int r = 0, g = 0, b = 0;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows top first, 3 bytes per pixel
  Pixel at(int x, int y) const;
  // Pixels within `tolerance` of `colour` per channel inside the rectangle.
  int count(const Pixel& colour, int x0, int y0, int x1, int y1, int tolerance = 8) const;
};

class XTestDriver {
 public:
  enum class Key { Shift, Control, Alt };

  // Connects to DISPLAY; ok() is false without a display or without the XTEST extension.
  XTestDriver();
  ~XTestDriver();  // destroys the windows it created
  XTestDriver(const XTestDriver&) = delete;
  XTestDriver& operator=(const XTestDriver&) = delete;

  bool ok() const { return display_ != nullptr; }

  // A mapped top-level window to be an editor's parent. The first is at (100, 100) of the
  // screen, so that the pointer can go beyond each of its sides; the next ones (up to 8,
  // at most 280 x 400 pixels each) beside it, not overlapping.
  uintptr_t createWindow(int width, int height, const std::string& title = "test host");
  void destroyWindow(uintptr_t window);
  // Asks the client of a top-level window to close it, as a window manager's close button
  // does (WM_DELETE_WINDOW); the client decides what happens.
  void closeWindow(uintptr_t window);
  // Moves a top-level window to (x, y) of the screen.
  void moveWindow(uintptr_t window, int x, int y);
  // Unmaps any window (an editor's child too), as a host hiding its editor does.
  void unmapWindow(uintptr_t window);
  // Maps it again, as a host showing its editor again does.
  void mapWindow(uintptr_t window);
  // Paints the whole window in one colour behind its client's back, as a compositor or host
  // that loses a window's picture without telling leaves it.
  void paintOver(uintptr_t window, const Pixel& colour);
  uintptr_t rootWindow() const;
  // Children of a window, bottom first.
  std::vector<uintptr_t> children(uintptr_t window);
  // A top-level window with this title; 0 when there is none.
  uintptr_t findWindow(const std::string& title);
  // The window a top-level window is transient for; 0 for none.
  uintptr_t transientFor(uintptr_t window);
  // Size of a window; false when it does not exist.
  bool windowSize(uintptr_t window, int& width, int& height);

  // Pointer to (x, y) of the window (origin top-left).
  void movePointer(uintptr_t window, int x, int y);
  void pressButton(int button = 1);
  void releaseButton(int button = 1);
  void holdKey(Key key);
  void releaseKey(Key key);
  // Types ASCII text; '\n' is Return, '\b' BackSpace, '\t' Tab and '\x1b' Escape.
  void typeText(const std::string& text);
  // Gives the keyboard focus to the window (0: to the root, taking it from every editor);
  // nothing when the window is not viewable.
  void focus(uintptr_t window);
  // The window that has the keyboard focus; 0 for none or the root.
  uintptr_t focusedWindow();
  void sync();

  // The window's current picture; false when it does not exist.
  bool screenshot(uintptr_t window, Image& out);

 private:
  void key(unsigned long keysym, bool down);

  ::_XDisplay* display_ = nullptr;
  std::vector<unsigned long> windows_;
  unsigned created_ = 0;
};

}  // namespace testsupport
