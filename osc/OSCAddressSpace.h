// The server's address table: one object per received message, on the receive thread.
//
//   /ping              s url, s reply                 -> s "osc.udp://a.b.c.d:port", s "Quorvella 1.0.0"
//   /set               i id, f value                  (no reply)
//   /get               i id, s url, s reply           -> i id, f value
//   /getAll            s url, s reply                 -> 40 packets: i id, f value
//   /getAllRegistered  (none)                         -> to each registration: i id, f value
//   /getNumParameters  s url, s reply                 -> i 40
//   /isParameterUsed   i id, s url, s reply           -> i id, T/F
//   /getInfo           i id, s url, s reply           -> i id, f min, f max, f default, s name, i unit
//   /registerUpdate    i id, s url, s reply           (no reply)
//   /unregisterUpdate  i id, s url, s reply           (no reply)
//   /exec              s name, any...                 (no reply)
//   /call              s name, s url, s reply, any... -> up to 16 results (f or s)
//   /startNote         i note, f velocity             (no reply)
//   /stopNote          i note, f velocity             (no reply)
//
// Addresses are compared as whole texts. Argument faults raise oscpack's "missing
// argument", "wrong argument type" and "too many arguments"; actions raise the fixed texts
// of their rows. All of these are osc::Exception, which the server logs and drops. A reply
// that cannot be sent because its endpoint cannot be connected throws std::runtime_error,
// which the server logs and drops too: the request is lost, the server listens on.
#pragma once

#include <cstdint>

#include <oscpack/osc/OscReceivedElements.h>

namespace HC {

class OSCHelper;
class OSCReplyPacket;

class OSCAddressSpace {
public:
  explicit OSCAddressSpace(OSCHelper& server) : server(server) {}

  // False when the address is none of the table's.
  bool handle(const osc::ReceivedMessage& message);

private:
  struct Entry {
    const char* address;
    void (OSCAddressSpace::*handler)(const osc::ReceivedMessage&);
  };
  static const Entry kTable[];

  void ping(const osc::ReceivedMessage& message);
  void set(const osc::ReceivedMessage& message);
  void get(const osc::ReceivedMessage& message);
  void getAll(const osc::ReceivedMessage& message);
  void getAllRegistered(const osc::ReceivedMessage& message);
  void getNumParameters(const osc::ReceivedMessage& message);
  void isParameterUsed(const osc::ReceivedMessage& message);
  void getInfo(const osc::ReceivedMessage& message);
  void registerUpdate(const osc::ReceivedMessage& message);
  void unregisterUpdate(const osc::ReceivedMessage& message);
  void exec(const osc::ReceivedMessage& message);
  void call(const osc::ReceivedMessage& message);
  void startNote(const osc::ReceivedMessage& message);
  void stopNote(const osc::ReceivedMessage& message);
  void note(const osc::ReceivedMessage& message, bool on);

  // Raises text unless id is a parameter index.
  void checkRange(int32_t id, const char* text) const;
  static void sendTo(const char* url, OSCReplyPacket& packet);

  OSCHelper& server;
};

}  // namespace HC
