// Where a reply, a change notification or a script's message goes: an IPv4 address and a
// UDP port, taken from a reply URL, "osc.udp://host:port" or "host:port".
#pragma once

#include <cstddef>
#include <cstdint>

namespace HC {

struct OSCEndpoint {
  static constexpr size_t kURLBufferSize = 1024;  // a longer URL is cut to 1023 characters

  uint32_t address = 0;  // host byte order; 0 when the host could not be resolved
  int32_t port = -1;     // -1 when the URL names no port (or no number after the colon)

  // Parses the URL: an optional "osc.udp://" prefix, the host before the first ':', the
  // decimal port after it. The host is resolved by name (dotted numbers work too); a URL
  // without a usable port is not resolved at all (it could never be reached).
  static OSCEndpoint fromURL(const char* url);

  // True when a socket can be connected to it: a resolved address and a port 1..65535.
  bool connectable() const { return address != 0 && port > 0 && port <= 65535; }

  bool operator==(const OSCEndpoint& other) const {
    return address == other.address && port == other.port;
  }
  bool operator!=(const OSCEndpoint& other) const { return !(*this == other); }
};

}  // namespace HC
