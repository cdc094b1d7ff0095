#include "platform/HostName.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include "platform/Thread.h"

namespace platform {

bool resolveIPv4(const char* name, uint32_t& address) {
  if (!name) return false;
  // Dotted numbers need no name service.
  in_addr numeric;
  if (::inet_pton(AF_INET, name, &numeric) == 1) {
    address = ntohl(numeric.s_addr);
    return true;
  }
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  int status;
  {
    CancellableRegion lookupMayBeCancelled;
    status = ::getaddrinfo(name, nullptr, &hints, &found);
  }
  if (status != 0 || !found) return false;
  bool ok = false;
  for (addrinfo* a = found; a; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
      address = ntohl(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
      ok = true;
      break;
    }
  }
  ::freeaddrinfo(found);
  return ok;
}

}  // namespace platform
