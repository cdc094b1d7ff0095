// An X display for GUI tests. shared() gives the display of the whole test process: the
// one named by DISPLAY when that is set, otherwise a private Xvfb server with GLX through
// Mesa's software renderer, started on first use and stopped when the process ends. Its
// screen is 1280 x 2400 pixels: tall enough for a vertical drag of 2000 pixels.
//
// Each private server picks its own free display number (Xvfb -displayfd), so tests run
// in parallel never take each other's display. The server is killed with its parent, so
// a crashed test leaves none behind. Construct an XvfbDisplay directly for a server of
// your own (for example one to stop in the middle of a test).
//
// Threading: construct and stop on the main thread (the server is tied to the thread that
// started it).
#pragma once

#include <string>
#include <sys/types.h>

namespace testsupport {

class XvfbDisplay {
 public:
  // Starts a private server; ok() tells whether it accepts connections.
  XvfbDisplay();
  ~XvfbDisplay();  // stop()
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // The display of this test process; also sets DISPLAY (and, for a private server,
  // LIBGL_ALWAYS_SOFTWARE) so that code opening "the" display finds it.
  static XvfbDisplay& shared();

  bool ok() const { return !name_.empty(); }
  // ":N"; empty when the server could not be started.
  const std::string& name() const { return name_; }
  const std::string& error() const { return error_; }
  // Kills a private server and waits for it; nothing for the display given by DISPLAY.
  void stop();

 private:
  struct External {};
  explicit XvfbDisplay(External, const std::string& name);
  void start();

  std::string name_;
  std::string error_;
  pid_t server_ = -1;
};

}  // namespace testsupport
