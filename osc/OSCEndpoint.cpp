#include "osc/OSCEndpoint.h"

#include <cctype>
#include <cstring>

#include "platform/HostName.h"

namespace HC {

namespace {

constexpr char kScheme[] = "osc.udp://";
constexpr size_t kSchemeLength = sizeof(kScheme) - 1;

// The text as "%d" reads it: blanks, an optional sign, decimal digits. -1 when there are
// no digits or the number does not fit in 32 bits (it could not be a port anyway).
int32_t readPort(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  if (!std::isdigit(static_cast<unsigned char>(*text))) return -1;
  int64_t value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
    value = value * 10 + (*text - '0');
    if (value > INT32_MAX) return -1;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace

OSCEndpoint OSCEndpoint::fromURL(const char* url) {
  OSCEndpoint endpoint;
  if (!url) return endpoint;
  char buffer[kURLBufferSize];
  std::strncpy(buffer, url, sizeof buffer - 1);
  buffer[sizeof buffer - 1] = '\0';

  char* host = buffer;
  if (std::strncmp(host, kScheme, kSchemeLength) == 0) host += kSchemeLength;
  char* colon = std::strchr(host, ':');
  if (!colon) return endpoint;
  *colon = '\0';
  endpoint.port = readPort(colon + 1);
  if (endpoint.port <= 0 || endpoint.port > 65535) return endpoint;

  uint32_t address = 0;
  if (platform::resolveIPv4(host, address)) endpoint.address = address;
  return endpoint;
}

}  // namespace HC
