// Opens an address with the desktop's preferred application (xdg-open on Linux, the shell
// on Windows) without waiting for it. Failures are not reported: the desktop may have
// nothing to open it with. On Windows only web and mail addresses (http://, https://,
// mailto:) are opened: the shell would run a program named by anything else.
//
// Threading: any thread; never blocks on the opened application.
#pragma once

#include <string>

namespace platform {

void openURL(const std::string& url);

}  // namespace platform
