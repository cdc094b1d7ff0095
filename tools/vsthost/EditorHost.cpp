// The part of EditorHost that is the same on every system; the window itself (and the
// constructor and destructor, which need its native state) is in posix/EditorHost.cpp (X11)
// and win32/EditorHost.cpp (Win32).
#include "vsthost/EditorHost.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vsthost {

void EditorHost::run(int intervalMs, const std::function<bool()>& keepGoing) {
  const auto interval = std::chrono::milliseconds(std::max(1, intervalMs));
  auto next = std::chrono::steady_clock::now();
  while (idle() && (!keepGoing || keepGoing())) {
    next += interval;
    std::this_thread::sleep_until(next);
  }
  close();
}

}  // namespace vsthost
