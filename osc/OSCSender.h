// A UDP socket connected to one endpoint for the packets of one reply (or one
// notification, or one script message): opened by the constructor, closed by the
// destructor.
//
// Errors are std::runtime_error with the socket layer's texts: "unable to create udp
// socket\n", and "unable to connect udp socket\n" for an endpoint that cannot be
// connected (no port, an unresolved host).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "osc/OSCEndpoint.h"

class UdpSocket;

namespace HC {

class OSCSender {
public:
  // localAddress: also find the local address from which the system reaches the endpoint
  // (the interface that the listening socket, bound to any address, uses for it too).
  explicit OSCSender(const OSCEndpoint& to, bool findLocalAddress = false);
  ~OSCSender();
  OSCSender(const OSCSender&) = delete;
  OSCSender& operator=(const OSCSender&) = delete;

  // Sends one datagram; a datagram that the system refuses is lost like any UDP packet.
  void send(const char* data, size_t size);
  // Host byte order; 0 unless asked for at construction.
  uint32_t localAddress() const { return local; }

private:
  std::unique_ptr<UdpSocket> socket;
  uint32_t local = 0;
};

}  // namespace HC
