// One outgoing OSC packet as the server sends it: a 1024-byte buffer holding a bundle with
// the immediate time tag (the value 1) around exactly one message.
//
//   OSCReplyPacket packet("/reply");
//   packet.stream() << id << value;
//   packet.finish();  // then packet.data(), packet.size()
//
// Appending beyond the buffer throws oscpack's OutOfBufferMemoryException
// ("out of buffer memory").
#pragma once

#include <cstddef>

#include <oscpack/osc/OscOutboundPacketStream.h>

namespace HC {

class OSCReplyPacket {
public:
  static constexpr size_t kBufferSize = 1024;

  explicit OSCReplyPacket(const char* address);
  OSCReplyPacket(const OSCReplyPacket&) = delete;
  OSCReplyPacket& operator=(const OSCReplyPacket&) = delete;

  // The message's arguments go here.
  osc::OutboundPacketStream& stream() { return packet; }
  // Closes the message and the bundle.
  void finish();

  const char* data() const { return packet.Data(); }
  size_t size() const { return packet.Size(); }

private:
  char buffer[kBufferSize];
  osc::OutboundPacketStream packet;
};

}  // namespace HC
