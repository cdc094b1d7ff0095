// Compile-time facts about the operating system the library is built for. Scripts see
// some of them as globals (isWin, isLinux); paths are put together with the separator.
#pragma once

namespace platform {

#if defined(_WIN32)
constexpr bool kIsWindows = true;
constexpr bool kIsLinux = false;
constexpr char kPathSeparator = '\\';
#else
constexpr bool kIsWindows = false;
constexpr bool kIsLinux = true;
constexpr char kPathSeparator = '/';
#endif
constexpr bool kIsMac = false;

}  // namespace platform
