// Which texts the Windows shell may be given to open. The shell opens whatever it is given,
// and for a file name that means running the program or script of that name; only web and
// mail addresses go to it.
#pragma once

#include <string>

namespace platform {

// True for addresses that begin with "http://", "https://" or "mailto:" (letter case
// ignored) and hold no control characters.
bool isWebAddress(const std::string& address);

}  // namespace platform
