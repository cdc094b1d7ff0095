#include "osc/OSCSender.h"

#include <stdexcept>

#include <oscpack/ip/IpEndpointName.h>
#include <oscpack/ip/UdpSocket.h>

namespace HC {

namespace {
constexpr char kUnableToConnect[] = "unable to connect udp socket\n";
}

OSCSender::OSCSender(const OSCEndpoint& to, bool findLocalAddress) {
  // Some systems connect a datagram socket to port 0 or to address 0 without complaint;
  // such an endpoint is refused here the same everywhere.
  if (!to.connectable()) throw std::runtime_error(kUnableToConnect);
  socket.reset(new UdpSocket());
  IpEndpointName remote(static_cast<unsigned long>(to.address), to.port);
  if (findLocalAddress) {
    socket->Bind(IpEndpointName(IpEndpointName::ANY_ADDRESS, IpEndpointName::ANY_PORT));
    local = static_cast<uint32_t>(socket->LocalEndpointFor(remote).address);
  }
  socket->Connect(remote);
}

OSCSender::~OSCSender() = default;

void OSCSender::send(const char* data, size_t size) { socket->Send(data, size); }

}  // namespace HC
