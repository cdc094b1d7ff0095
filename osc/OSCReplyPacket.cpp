#include "osc/OSCReplyPacket.h"

namespace HC {

OSCReplyPacket::OSCReplyPacket(const char* address) : packet(buffer, kBufferSize) {
  packet << osc::BeginBundleImmediate << osc::BeginMessage(address ? address : "");
}

void OSCReplyPacket::finish() { packet << osc::EndMessage << osc::EndBundle; }

}  // namespace HC
