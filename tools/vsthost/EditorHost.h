// Shows a hosted plug-in's editor the way VST 2.4 hosts do: a top-level window of the size
// effEditGetRect gives is the parent (an X11 window on Linux, whose Window id effEditOpen
// receives; a Win32 window on Windows, whose HWND it receives), effEditIdle runs on this
// thread every few tens of milliseconds, and effEditClose comes before the parent window
// is destroyed. On Windows idle() also dispatches the thread's window messages, as a
// host's message loop does.
//
// Contract:
// - open() fails (with an error text) without a display or when the plug-in has no editor
//   (effFlagsHasEditor clear). effEditOpen's answer is not a verdict (VST 2.4 plug-ins
//   answer it inconsistently); openAnswer() reports it.
// - Linux: the host's X error handler, which tolerates errors, is installed by open() and
//   stays: the process is the host, and a host owns that handler.
// - The parent is at least 1 x 1 pixels even for an editor that reports an empty rectangle.
// - The window counts as closed once the user closes it (WM_DELETE_WINDOW) or another
//   client destroys it; idle() then returns false and close() skips what is gone.
// - Threading: every method on the thread that created the object (the host's user-
//   interface thread). The connection to the X server is this object's own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vsthost/HostedEffect.h"

namespace vsthost {

class EditorHost {
 public:
  explicit EditorHost(HostedEffect& effect);
  ~EditorHost();  // close()
  EditorHost(const EditorHost&) = delete;
  EditorHost& operator=(const EditorHost&) = delete;

  // effEditGetRect, the parent window titled `title`, mapped, then effEditOpen.
  bool open(const std::string& title, std::string& error);
  bool isOpen() const { return open_; }
  // The parent window's id; 0 when not open.
  uintptr_t window() const { return window_; }
  // The size effEditGetRect gave at open (0 x 0 when it gave no rectangle).
  int width() const { return width_; }
  int height() const { return height_; }
  intptr_t openAnswer() const { return openAnswer_; }

  // effEditIdle, then the parent window's own events. False once the window was closed.
  bool idle();
  // idle() every intervalMs until the window is closed or keepGoing (when given) returns
  // false; then close().
  void run(int intervalMs, const std::function<bool()>& keepGoing = {});
  // effEditClose, then the parent window goes. Safe to call twice.
  void close();

#ifndef _WIN32
  // The parent window's picture as the X server holds it, the editor's drawing included:
  // RGB rows, top row first, width() x height(). False with error set when it cannot be
  // read (not open, the window gone, a visual other than 24-bit true colour).
  bool capture(std::vector<uint8_t>& rgb, std::string& error);
#endif

  struct Native;

 private:
  HostedEffect& effect_;
  std::unique_ptr<Native> native_;
  bool open_ = false;
  bool windowGone_ = false;
  uintptr_t window_ = 0;
  int width_ = 0;
  int height_ = 0;
  intptr_t openAnswer_ = 0;
};

}  // namespace vsthost
