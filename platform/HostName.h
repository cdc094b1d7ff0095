// Name resolution for the network code: safe to call from several threads at once.
#pragma once

#include <cstdint>

namespace platform {

// The IPv4 address of a host name or dotted address, in host byte order (127.0.0.1 is
// 0x7F000001). False when it cannot be resolved. May block while the name service
// answers; the call is a cancellation point for platform::Thread::cancel() (on Windows a
// cancelled lookup returns false at once and finishes unseen on a helper thread).
bool resolveIPv4(const char* name, uint32_t& address);

}  // namespace platform
