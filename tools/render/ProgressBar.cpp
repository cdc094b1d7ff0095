#include "render/ProgressBar.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <utility>

namespace render {
namespace {
constexpr int kWidth = 30;
}

ProgressBar::ProgressBar(std::string label, bool enabled)
    : label_(std::move(label)), enabled_(enabled) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(double fraction) {
  if (!enabled_) return;
  if (fraction < 0.0) fraction = 0.0;
  if (fraction > 1.0) fraction = 1.0;
  int percent = static_cast<int>(fraction * 100.0);
  if (percent == shown_) return;
  shown_ = percent;
  int filled = static_cast<int>(fraction * kWidth);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), ' ');
  std::fprintf(stderr, "\r[%s] %3d%% %s", bar.c_str(), percent, label_.c_str());
  std::fflush(stderr);
}

void ProgressBar::finish() {
  if (!enabled_ || shown_ < 0) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  shown_ = -1;
}

bool ProgressBar::stderrIsTerminal() {
#ifdef _WIN32
  return ::_isatty(2) != 0;
#else
  return ::isatty(STDERR_FILENO) == 1;
#endif
}

}  // namespace render
