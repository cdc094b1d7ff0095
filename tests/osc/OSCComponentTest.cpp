// The server's parts in-process: the change queue and its thread, the registrations, the
// packet check, reply URLs and the velocity rule of injected notes.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <oscpack/osc/OscReceivedElements.h>

#include "OSCTestSupport.h"
#include "PortReservation.h"
#include "effect/HvcQuorvella.h"
#include "lua/LuaIncludes.h"
#include "midi/LuaMIDIHelper.h"
#include "midi/LuaMIDISession.h"
#include "osc/OSCEndpoint.h"
#include "osc/OSCHelper.h"
#include "osc/OSCPacketValidator.h"
#include "osc/OSCScriptCalls.h"
#include "osc/SetParamQueue.h"
#include "osc/UpdateRegistrations.h"

#include <oscpack/ip/IpEndpointName.h>

namespace {

using namespace osctest;

const char kOverflow[] = "OSCHelper::SetParamQueue::Write() overflow\n";

TEST(SetParamQueue, HoldsSixtyThreeChangesInOrderAndRefusesTheSixtyFourth) {
  HC::SetParamQueue queue;
  HC::SetParamQueue::Slot slot;
  EXPECT_FALSE(queue.Read(slot));
  for (int k = 0; k < 63; ++k) ASSERT_TRUE(queue.Write(k % 40, k * 0.5f)) << k;
  {
    // The writer only counts the refusal (it may be the host's audio thread); the reader's
    // side reports it.
    StreamCapture err(2);
    EXPECT_FALSE(queue.Write(1, 1.0f));
    EXPECT_FALSE(queue.Write(2, 1.0f));
    EXPECT_EQ(err.text(), "");
    EXPECT_EQ(queue.reportOverflows(), 2u);
    EXPECT_EQ(err.text(), std::string(kOverflow) + kOverflow);
    EXPECT_EQ(queue.reportOverflows(), 0u);
  }
  for (int k = 0; k < 63; ++k) {
    ASSERT_TRUE(queue.Read(slot));
    EXPECT_EQ(slot.index, k % 40);
    EXPECT_EQ(slot.value, k * 0.5f);
  }
  EXPECT_FALSE(queue.Read(slot));
  // Round and round the ring: order is kept across the wrap.
  for (int k = 0; k < 1000; ++k) {
    ASSERT_TRUE(queue.Write(k % 40, static_cast<float>(k)));
    if (k % 3 == 2) {
      for (int j = k - 2; j <= k; ++j) {
        ASSERT_TRUE(queue.Read(slot));
        EXPECT_EQ(slot.value, static_cast<float>(j));
      }
    }
  }
  queue.clear();
  EXPECT_FALSE(queue.Read(slot));
}

TEST(OSCNotifications, ChangesQueuedBeforeTheThreadRunsAreAllDelivered) {
  UserEnvironment env;
  HvcQuorvella effect(nullptr);
  HC::OSCHelper helper(nullptr, &effect);
  RawSocket client;
  ASSERT_EQ(helper.registrations().add(5, {HC::OSCEndpoint::fromURL(client.url().c_str()), "/q"}),
            HC::UpdateRegistrations::Result::kAdded);
  StreamCapture err(2);
  for (int k = 0; k < 63; ++k) helper.parameterChanged(5, static_cast<float>(k));
  helper.parameterChanged(5, 63.0f);
  // The setter's thread writes nothing: the notification thread reports the refusal.
  EXPECT_EQ(err.text(), "");
  // Changes of parameters nobody registered for are not queued at all.
  helper.parameterChanged(6, 1.0f);

  helper.startTask();
  EXPECT_TRUE(err.waitFor(kOverflow));
  EXPECT_EQ(err.count(kOverflow), 1u);
  for (int k = 0; k < 63; ++k) {
    std::string packet;
    ASSERT_TRUE(client.receive(packet, 3000)) << "change " << k << " missing";
    osc::ReceivedPacket received(packet.data(), static_cast<osc::osc_bundle_element_size_t>(packet.size()));
    ASSERT_TRUE(received.IsBundle());
    osc::ReceivedBundle b(received);
    EXPECT_EQ(b.TimeTag(), 1u);
    ASSERT_EQ(b.ElementCount(), 1u);
    osc::ReceivedMessage m(*b.ElementsBegin());
    EXPECT_STREQ(m.AddressPattern(), "/q");
    osc::int32 index;
    float value;
    m.ArgumentStream() >> index >> value >> osc::EndMessage;
    EXPECT_EQ(index, 5);
    EXPECT_EQ(value, static_cast<float>(k));
  }
  std::string extra;
  EXPECT_FALSE(client.receive(extra, 200));
  helper.stopTask();
}

TEST(UpdateRegistrations, KeepsOneEntryPerTargetInRegistrationOrder) {
  HC::UpdateRegistrations r(40);
  HC::UpdateTarget a{HC::OSCEndpoint::fromURL("127.0.0.1:9000"), "/a"};
  HC::UpdateTarget b{HC::OSCEndpoint::fromURL("osc.udp://127.0.0.1:9000"), "/b"};
  EXPECT_FALSE(r.wanted(5));
  EXPECT_EQ(r.add(5, a), HC::UpdateRegistrations::Result::kAdded);
  EXPECT_EQ(r.add(5, a), HC::UpdateRegistrations::Result::kAlreadyThere);
  EXPECT_EQ(r.add(5, b), HC::UpdateRegistrations::Result::kAdded);
  EXPECT_EQ(r.add(2, b), HC::UpdateRegistrations::Result::kAdded);
  EXPECT_TRUE(r.wanted(5));
  std::vector<std::string> order;
  r.forAll([&order](int32_t id, const HC::UpdateTarget& t) { order.push_back(std::to_string(id) + t.reply); });
  EXPECT_EQ(order, (std::vector<std::string>{"2/b", "5/a", "5/b"}));

  EXPECT_TRUE(r.remove(5, a));
  EXPECT_TRUE(r.wanted(5));  // /b is left
  EXPECT_FALSE(r.remove(5, a));
  EXPECT_TRUE(r.remove(5, b));
  EXPECT_FALSE(r.wanted(5));
  EXPECT_TRUE(r.wanted(2));
  EXPECT_FALSE(r.wanted(-1));
  EXPECT_FALSE(r.wanted(40));
}

TEST(UpdateRegistrations, AreBoundedInNumber) {
  HC::UpdateRegistrations r(40);
  HC::OSCEndpoint e = HC::OSCEndpoint::fromURL("127.0.0.1:9000");
  for (size_t k = 0; k < HC::UpdateRegistrations::kMaxRegistrations; ++k)
    ASSERT_EQ(r.add(static_cast<int32_t>(k % 40), {e, "/r" + std::to_string(k)}),
              HC::UpdateRegistrations::Result::kAdded);
  EXPECT_EQ(r.add(0, {e, "/one-more"}), HC::UpdateRegistrations::Result::kFull);
  EXPECT_EQ(r.size(), HC::UpdateRegistrations::kMaxRegistrations);
}

TEST(UpdateRegistrations, CoverExactlyTheEffectsParameters) {
  UserEnvironment env;
  StreamCapture output(1);
  HvcQuorvella effect(nullptr);
  HC::UpdateRegistrations& r = effect.getOSCHelper()->registrations();
  const int32_t last = effect.getNumParameters() - 1;
  EXPECT_EQ(r.parameterCount(), effect.getNumParameters());
  HC::UpdateTarget t{HC::OSCEndpoint::fromURL("127.0.0.1:9000"), "/t"};
  EXPECT_EQ(r.add(last, t), HC::UpdateRegistrations::Result::kAdded);
  EXPECT_TRUE(r.wanted(last));
  EXPECT_EQ(r.add(last + 1, t), HC::UpdateRegistrations::Result::kNoSuchParameter);
  EXPECT_EQ(r.add(-1, t), HC::UpdateRegistrations::Result::kNoSuchParameter);
  EXPECT_FALSE(r.remove(last + 1, t));
  EXPECT_FALSE(r.wanted(last + 1));
  EXPECT_EQ(r.size(), 1u);

  // A smaller table has fewer flags: nothing beyond it is kept or reported as wanted.
  HC::UpdateRegistrations small(3);
  EXPECT_EQ(small.add(2, t), HC::UpdateRegistrations::Result::kAdded);
  EXPECT_EQ(small.add(3, t), HC::UpdateRegistrations::Result::kNoSuchParameter);
  EXPECT_FALSE(small.wanted(3));
}

TEST(PortReservations, AreDisjointAndNeverInTheEphemeralRange) {
  std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
  int low = 32768, high = 60999;
  range >> low >> high;
  std::vector<std::unique_ptr<PortReservation>> held;
  std::set<int> blocks;
  for (int k = 0; k < 20; ++k) {
    held.emplace_back(new PortReservation());
    int first = held.back()->first();
    int last = first + PortReservation::kBlockSize - 1;
    EXPECT_TRUE(last < low || first > high) << first;
    EXPECT_EQ(first % PortReservation::kBlockSize, 0);
    EXPECT_TRUE(blocks.insert(first).second) << "block " << first << " handed out twice";
    EXPECT_FALSE(portInUse(first));
  }
  // A block that one test holds is refused to any other, then free again once released.
  int taken = held.front()->first();
  EXPECT_FALSE(PortReservation(taken + 3).held());
  held.front().reset();
  PortReservation again(taken + 3);
  EXPECT_TRUE(again.held());
  EXPECT_EQ(again.first(), taken);
}

TEST(OSCEndpoint, ParsesBothURLForms) {
  HC::OSCEndpoint plain = HC::OSCEndpoint::fromURL("127.0.0.1:9000");
  HC::OSCEndpoint prefixed = HC::OSCEndpoint::fromURL("osc.udp://127.0.0.1:9000");
  EXPECT_EQ(plain.address, 0x7F000001u);
  EXPECT_EQ(plain.port, 9000);
  EXPECT_EQ(plain, prefixed);
  EXPECT_TRUE(plain.connectable());
  EXPECT_EQ(HC::OSCEndpoint::fromURL("localhost:12").address, 0x7F000001u);

  HC::OSCEndpoint noPort = HC::OSCEndpoint::fromURL("127.0.0.1");
  EXPECT_EQ(noPort.port, -1);
  EXPECT_FALSE(noPort.connectable());
  EXPECT_FALSE(HC::OSCEndpoint::fromURL("127.0.0.1:").connectable());
  EXPECT_FALSE(HC::OSCEndpoint::fromURL("127.0.0.1:x").connectable());
  EXPECT_FALSE(HC::OSCEndpoint::fromURL("127.0.0.1:0").connectable());
  EXPECT_FALSE(HC::OSCEndpoint::fromURL("127.0.0.1:65536").connectable());
  EXPECT_FALSE(HC::OSCEndpoint::fromURL("127.0.0.1:99999999999").connectable());
  EXPECT_FALSE(HC::OSCEndpoint::fromURL("no-such-host.invalid:9000").connectable());
  EXPECT_FALSE(HC::OSCEndpoint::fromURL(nullptr).connectable());
  // The port is read as "%d" reads it.
  EXPECT_EQ(HC::OSCEndpoint::fromURL("127.0.0.1: 77abc").port, 77);
  // A URL is cut to 1023 characters: a port beyond that is lost.
  std::string longURL = "127.0.0.1" + std::string(1020, ' ') + ":9000";
  EXPECT_EQ(HC::OSCEndpoint::fromURL(longURL.c_str()).port, -1);
}

TEST(OSCPacketValidator, BoundsBlobsAndBundleDepth) {
  std::string ok = message("/x", "ibs", {"1", "abcde", "t"});
  EXPECT_EQ(HC::OSCPacketValidator::check(ok.data(), ok.size()), nullptr);
  // Blob sizes that point past the message, wrap around 32 bits, or leave no room.
  std::string blob = message("/x", "b", {"abcd"});
  for (uint32_t size : {8u, 0x7FFFFFFFu, 0xFFFFFFFDu}) {
    std::string bad = blob;
    for (int i = 0; i < 4; ++i) bad[bad.size() - 8 + i] = static_cast<char>(size >> (24 - 8 * i));
    EXPECT_STREQ(HC::OSCPacketValidator::check(bad.data(), bad.size()), "blob exceeds message size") << size;
  }
  std::string truncated = blob.substr(0, blob.size() - 8);  // tag b without any data
  EXPECT_STREQ(HC::OSCPacketValidator::check(truncated.data(), truncated.size()), "arguments exceed message size");

  std::string nested = message("/x", "", {});
  for (int level = 0; level < HC::OSCPacketValidator::kMaxBundleDepth; ++level) nested = bundle({nested});
  EXPECT_EQ(HC::OSCPacketValidator::check(nested.data(), nested.size()), nullptr);
  nested = bundle({nested});
  EXPECT_STREQ(HC::OSCPacketValidator::check(nested.data(), nested.size()), "bundles nested too deeply");

  std::string unknown = message("/x", "i", {"1"});
  unknown[unknown.find(",i") + 1] = 'z';
  EXPECT_STREQ(HC::OSCPacketValidator::check(unknown.data(), unknown.size()), "unknown type tag");
  std::string unterminated("/abc", 4);
  EXPECT_STREQ(HC::OSCPacketValidator::check(unterminated.data(), 4), "unterminated address pattern");
  EXPECT_STREQ(HC::OSCPacketValidator::check("", 0), "zero length packet");
  std::string badElement = bundle({message("/x", "", {})});
  badElement[19] = 12;  // element claims more than the bundle holds
  EXPECT_STREQ(HC::OSCPacketValidator::check(badElement.data(), badElement.size()),
               "packet too short for bundle element");
}

TEST(OSCScriptCalls, VelocityIsTheLowByteOfTheTruncatedProduct) {
  EXPECT_EQ(HC::OSCScriptCalls::velocityByte(0.5f), 63);
  EXPECT_EQ(HC::OSCScriptCalls::velocityByte(1.0f), 127);
  EXPECT_EQ(HC::OSCScriptCalls::velocityByte(0.0f), 0);
  EXPECT_EQ(HC::OSCScriptCalls::velocityByte(2.1f), 266 & 0xFF);
  EXPECT_EQ(HC::OSCScriptCalls::velocityByte(-0.5f), (-63) & 0xFF);
  EXPECT_EQ(HC::OSCScriptCalls::velocityByte(1e30f), 0);
  EXPECT_EQ(HC::OSCScriptCalls::velocityByte(std::nanf("")), 0);
}

TEST(OSCHelperLifecycle, StartsOnceStopsAndStartsAgain) {
  UserEnvironment env;
  StreamCapture output(1);
  HvcQuorvella effect(nullptr);  // initialise() started its server
  HC::OSCHelper& server = *effect.getOSCHelper();
  EXPECT_TRUE(server.running());
  server.startTask();
  EXPECT_EQ(output.count("Warning: Attempt to recreate OSC task\n"), 1u);

  int port = freePort();
  server.retarget(5, port - 5);
  ASSERT_TRUE(waitAnswering(port));
  EXPECT_EQ(server.listeningPort(), port);
  effect.stopOSCServer();
  EXPECT_FALSE(server.running());
  EXPECT_EQ(server.listeningPort(), 0);
  EXPECT_TRUE(waitForPort(port, false));
  server.stopTask();  // stopping twice is harmless

  // Started again, the server is idle until the next retarget.
  server.startTask();
  EXPECT_TRUE(server.running());
  EXPECT_FALSE(waitAnswering(port, 200));
  server.retarget(5, port - 5);
  EXPECT_TRUE(waitAnswering(port));
}

TEST(OSCScriptCalls, LeaveTheScriptStackAsItWas) {
  UserEnvironment env;
  env.addScript("calls.lua",
                "function two() return 1, 2 end\nfunction boom() error('x') end\n"
                "function flag() return true end\n");
  StreamCapture output(1);
  HvcQuorvella effect(nullptr);
  HC::OSCHelper& server = *effect.getOSCHelper();
  HC::LuaMIDIHelper& midi = *effect.getMIDIHelper();
  int before;
  {
    HC::LuaMIDISession session(midi);
    before = lua_gettop(session.state());
  }
  RawSocket sink;
  IpEndpointName from(0x7F000001ul, 9);
  const std::vector<std::string> requests = {
      message("/call", "sss", {"two", sink.url(), "/r"}),
      message("/call", "sssi", {"boom", sink.url(), "/r", "1"}),
      message("/call", "sss", {"flag", sink.url(), "/r"}),
      message("/call", "sss", {"dofile", sink.url(), "/r"}),
      message("/exec", "sb", {"two", "blob"}),
      message("/exec", "sTFN", {"two"}),
      message("/exec", "s", {"undefined"}),
      message("/startNote", "if", {"60", "0.5"}),
  };
  for (int round = 0; round < 50; ++round)
    for (const auto& p : requests) server.ProcessPacket(p.data(), static_cast<int>(p.size()), from);
  HC::LuaMIDISession session(midi);
  EXPECT_EQ(lua_gettop(session.state()), before);
  std::string reply;
  EXPECT_TRUE(sink.receive(reply, 1000));
}

}  // namespace
