#include "osc/OSCAddressSpace.h"

#include <cstdio>
#include <cstring>

#include "framework/HvcAuBase.h"
#include "framework/Version.h"
#include "osc/OSCEndpoint.h"
#include "osc/OSCHelper.h"
#include "osc/OSCLog.h"
#include "osc/OSCReplyPacket.h"
#include "osc/OSCScriptCalls.h"
#include "osc/OSCSender.h"

namespace HC {

namespace {


// Reads the first argument as a text (the function name of /exec and /call).
const char* leadingText(osc::ReceivedMessageArgumentIterator& i, const osc::ReceivedMessage& m) {
  if (i == m.ArgumentsEnd()) throw osc::MissingArgumentException();
  const char* text = (*i).AsString();
  ++i;
  return text;
}

}  // namespace

// The address table, searched in order; addresses are compared as whole texts.
const OSCAddressSpace::Entry OSCAddressSpace::kTable[] = {
    {"/ping", &OSCAddressSpace::ping},
    {"/set", &OSCAddressSpace::set},
    {"/get", &OSCAddressSpace::get},
    {"/getAll", &OSCAddressSpace::getAll},
    {"/getAllRegistered", &OSCAddressSpace::getAllRegistered},
    {"/getNumParameters", &OSCAddressSpace::getNumParameters},
    {"/isParameterUsed", &OSCAddressSpace::isParameterUsed},
    {"/getInfo", &OSCAddressSpace::getInfo},
    {"/registerUpdate", &OSCAddressSpace::registerUpdate},
    {"/unregisterUpdate", &OSCAddressSpace::unregisterUpdate},
    {"/exec", &OSCAddressSpace::exec},
    {"/call", &OSCAddressSpace::call},
    {"/startNote", &OSCAddressSpace::startNote},
    {"/stopNote", &OSCAddressSpace::stopNote},
};

bool OSCAddressSpace::handle(const osc::ReceivedMessage& m) {
  const char* address = m.AddressPattern();
  for (const Entry& entry : kTable) {
    if (std::strcmp(address, entry.address) == 0) {
      (this->*entry.handler)(m);
      return true;
    }
  }
  return false;
}

void OSCAddressSpace::checkRange(int32_t id, const char* text) const {
  if (id < 0 || id >= server.effect()->getNumParameters()) throw osc::Exception(text);
}

void OSCAddressSpace::sendTo(const char* url, OSCReplyPacket& packet) {
  OSCEndpoint endpoint = OSCEndpoint::fromURL(url);
  packet.finish();
  OSCSender sender(endpoint);
  sender.send(packet.data(), packet.size());
}

void OSCAddressSpace::ping(const osc::ReceivedMessage& m) {
  const char* url;
  const char* reply;
  m.ArgumentStream() >> url >> reply >> osc::EndMessage;
  OSCEndpoint endpoint = OSCEndpoint::fromURL(url);
  OSCSender sender(endpoint, true);
  uint32_t local = sender.localAddress();
  char where[64];
  std::snprintf(where, sizeof where, "osc.udp://%d.%d.%d.%d:%d", static_cast<int>((local >> 24) & 0xFF),
                static_cast<int>((local >> 16) & 0xFF), static_cast<int>((local >> 8) & 0xFF),
                static_cast<int>(local & 0xFF), static_cast<int>(server.listeningPort()));
  char product[64];
  std::snprintf(product, sizeof product, "Quorvella %s", quorvella::kVersionText);
  OSCReplyPacket packet(reply);
  packet.stream() << where << product;
  packet.finish();
  sender.send(packet.data(), packet.size());
}

void OSCAddressSpace::set(const osc::ReceivedMessage& m) {
  osc::int32 id;
  float value;
  m.ArgumentStream() >> id >> value >> osc::EndMessage;
  checkRange(id, "parameter id out of range in set");
  // Plain units, not clamped; like a script's setParameter it bypasses the host-facing
  // setter, so registered clients are not notified.
  server.effect()->setPlainValue(id, value);
  server.effect()->updateDisplay();
}

void OSCAddressSpace::get(const osc::ReceivedMessage& m) {
  osc::int32 id;
  const char* url;
  const char* reply;
  m.ArgumentStream() >> id >> url >> reply >> osc::EndMessage;
  checkRange(id, "parameter id out of range in get");
  OSCReplyPacket packet(reply);
  packet.stream() << id << server.effect()->getPlainValue(id);
  sendTo(url, packet);
}

void OSCAddressSpace::getAll(const osc::ReceivedMessage& m) {
  const char* url;
  const char* reply;
  m.ArgumentStream() >> url >> reply >> osc::EndMessage;
  OSCEndpoint endpoint = OSCEndpoint::fromURL(url);
  OSCSender sender(endpoint);  // one socket for all
  HvcAuBase* effect = server.effect();
  for (osc::int32 id = 0; id < effect->getNumParameters(); ++id) {
    if (!server.isParameterUsed(id)) continue;
    OSCReplyPacket packet(reply);
    packet.stream() << id << effect->getPlainValue(id);
    packet.finish();
    sender.send(packet.data(), packet.size());
  }
}

void OSCAddressSpace::getAllRegistered(const osc::ReceivedMessage& m) {
  m.ArgumentStream() >> osc::EndMessage;
  HvcAuBase* effect = server.effect();
  server.registrations().forAll([effect](int32_t id, const UpdateTarget& target) {
    // A registration that cannot be served (an endpoint that cannot be connected, a reply
    // address too long for the packet) is passed over, as the notification thread does,
    // instead of silencing the server or the other registrations.
    try {
      OSCReplyPacket packet(target.reply.c_str());
      packet.stream() << static_cast<osc::int32>(id) << effect->getPlainValue(id);
      packet.finish();
      OSCSender sender(target.endpoint);
      sender.send(packet.data(), packet.size());
    } catch (const std::exception& error) {
      OSCLog::failure("skipped OSC notification: ", error.what());
    }
  });
}

void OSCAddressSpace::getNumParameters(const osc::ReceivedMessage& m) {
  const char* url;
  const char* reply;
  m.ArgumentStream() >> url >> reply >> osc::EndMessage;
  OSCReplyPacket packet(reply);
  packet.stream() << static_cast<osc::int32>(server.effect()->getNumParameters());
  sendTo(url, packet);
}

void OSCAddressSpace::isParameterUsed(const osc::ReceivedMessage& m) {
  osc::int32 id;
  const char* url;
  const char* reply;
  m.ArgumentStream() >> id >> url >> reply >> osc::EndMessage;
  checkRange(id, "parameter id out of range in isParameterUsed");
  OSCReplyPacket packet(reply);
  packet.stream() << id << server.isParameterUsed(id);
  sendTo(url, packet);
}

void OSCAddressSpace::getInfo(const osc::ReceivedMessage& m) {
  osc::int32 id;
  const char* url;
  const char* reply;
  m.ArgumentStream() >> id >> url >> reply >> osc::EndMessage;
  checkRange(id, "parameter id out of range in getInfo");
  if (!server.isParameterUsed(id)) throw osc::Exception("parameter id is unused");
  const ParameterDescriptor& d = server.effect()->descriptor(id);
  OSCReplyPacket packet(reply);
  packet.stream() << id << d.minimum << d.maximum << d.defaultValue << d.name
                  << static_cast<osc::int32>(d.unit);
  sendTo(url, packet);
}

void OSCAddressSpace::registerUpdate(const osc::ReceivedMessage& m) {
  osc::int32 id;
  const char* url;
  const char* reply;
  m.ArgumentStream() >> id >> url >> reply >> osc::EndMessage;
  checkRange(id, "parameter id out of range in registerUpdate");
  UpdateTarget target{OSCEndpoint::fromURL(url), reply};
  switch (server.registrations().add(id, target)) {
    case UpdateRegistrations::Result::kFull: throw osc::Exception("too many update registrations");
    case UpdateRegistrations::Result::kNoSuchParameter:
      throw osc::Exception("parameter id out of range in registerUpdate");
    default: break;
  }
}

void OSCAddressSpace::unregisterUpdate(const osc::ReceivedMessage& m) {
  osc::int32 id;
  const char* url;
  const char* reply;
  m.ArgumentStream() >> id >> url >> reply >> osc::EndMessage;
  checkRange(id, "parameter id out of range in unregisterUpdate");
  server.registrations().remove(id, UpdateTarget{OSCEndpoint::fromURL(url), reply});
}

void OSCAddressSpace::exec(const osc::ReceivedMessage& m) {
  auto i = m.ArgumentsBegin();
  const char* name = leadingText(i, m);
  OSCScriptCalls::exec(server.midiHelper(), name, i, m.ArgumentsEnd());
}

void OSCAddressSpace::call(const osc::ReceivedMessage& m) {
  auto i = m.ArgumentsBegin();
  const char* name = leadingText(i, m);
  const char* url = leadingText(i, m);
  const char* reply = leadingText(i, m);
  OSCScriptCalls::Results results;
  OSCScriptCalls::call(server.midiHelper(), name, i, m.ArgumentsEnd(), results);
  OSCReplyPacket packet(reply);
  for (int k = 0; k < results.count; ++k) {
    if (results.values[k].isText)
      packet.stream() << results.values[k].text;
    else
      packet.stream() << results.values[k].number;
  }
  sendTo(url, packet);
}

void OSCAddressSpace::startNote(const osc::ReceivedMessage& m) { note(m, true); }

void OSCAddressSpace::stopNote(const osc::ReceivedMessage& m) { note(m, false); }

void OSCAddressSpace::note(const osc::ReceivedMessage& m, bool on) {
  osc::int32 note;
  float velocity;
  m.ArgumentStream() >> note >> velocity >> osc::EndMessage;
  OSCScriptCalls::note(server.midiHelper(), on, note, velocity);
}

}  // namespace HC
