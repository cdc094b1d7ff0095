// A one-line progress bar on stderr, drawn only when stderr is a terminal so that logs
// and pipes stay clean.
#pragma once

#include <string>

namespace render {

class ProgressBar {
 public:
  ProgressBar(std::string label, bool enabled);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // fraction 0..1; redraws only when the shown percentage changes.
  void update(double fraction);
  // Clears the line. Idempotent.
  void finish();

  static bool stderrIsTerminal();

 private:
  std::string label_;
  bool enabled_;
  int shown_ = -1;
};

}  // namespace render
