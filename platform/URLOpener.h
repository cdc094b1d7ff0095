// Opens an address with the desktop's preferred application (xdg-open on Linux) without
// waiting for it. Failures are not reported: the desktop may have nothing to open it with.
//
// Threading: any thread; never blocks on the opened application.
#pragma once

#include <string>

namespace platform {

void openURL(const std::string& url);

}  // namespace platform
