// Redirects a standard stream (1 or 2) into a temporary file until stop() or destruction.
#pragma once

#include <string>

namespace testsupport {

class StreamCapture {
 public:
  explicit StreamCapture(int fd);
  // Restores the stream. What was captured and never taken with stop() is written to it,
  // so that output (test failures among it) still reaches the test's log.
  ~StreamCapture();
  StreamCapture(const StreamCapture&) = delete;
  StreamCapture& operator=(const StreamCapture&) = delete;

  // Everything written so far; capturing goes on.
  std::string text() const;
  // Restores the stream and returns everything written meanwhile; later output goes to the
  // stream again. Further calls return the same text.
  std::string stop();
  // Waits until text() contains needle; false on time-out.
  bool waitFor(const std::string& needle, int timeoutMs = 3000) const;
  // How often needle occurs in text(), without overlaps.
  size_t count(const std::string& needle) const;

 private:
  int fd;
  int saved = -1;
  std::string file;
  std::string captured;
};

}  // namespace testsupport
