// The address space end to end: a plug-in instance loaded through the host library, with
// liblo's oscsend as the requesting client and oscdump receiving the replies.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "OSCServerTest.h"

namespace {

using namespace osctest;

// Functions the tests reach through /exec and /call.
const char kScript[] = R"LUA(
function mixed() return 1, "x", nil, 5 end
function truthy() return true end
function echo(...) return ... end
function spin() while true do end end
function scriptSet(index, value) setParameter(index, value) end
function types(url, ...)
  local t = {}
  for i = 1, select('#', ...) do t[i] = type((select(i, ...))) end
  sendOSC(url, "/types", t)
end
function setNoteURL(url) noteURL = url end
requestAllNoteOn(function(c, n, v) if noteURL then sendOSC(noteURL, "/noteOn", {c, n, v}) end end)
requestAllNoteOff(function(c, n, v) if noteURL then sendOSC(noteURL, "/noteOff", {c, n, v}) end end)
)LUA";

class OSCEndToEnd : public OSCServerTest {
protected:
  std::string script() const override { return kScript; }
};

TEST_F(OSCEndToEnd, PingAnswersToBothURLFormsWithAnImmediateBundle) {
  ASSERT_EQ(send("/ping", "ss", {dump.oscURL(), "/pong"}), 0);
  std::string expected = "/pong ss \"osc.udp://127.0.0.1:" + portText() + "\" \"Quorvella 1.0.0\"";
  EXPECT_EQ(dump.next(), expected);

  // On the wire: one bundle with the immediate time tag around exactly one message.
  RawSocket raw;
  ASSERT_EQ(send("/ping", "ss", {raw.url(), "/pong"}), 0);
  std::string packet;
  ASSERT_TRUE(raw.receive(packet, 3000));
  ASSERT_GE(packet.size(), 24u);
  EXPECT_EQ(packet.substr(0, 16), std::string("#bundle\0\0\0\0\0\0\0\0\1", 16));
  uint32_t element = (uint32_t(uint8_t(packet[16])) << 24) | (uint32_t(uint8_t(packet[17])) << 16) |
                     (uint32_t(uint8_t(packet[18])) << 8) | uint32_t(uint8_t(packet[19]));
  EXPECT_EQ(element + 20, packet.size());
  EXPECT_EQ(packet.substr(20, 6), std::string("/pong\0", 6));

  ASSERT_EQ(send("/ping", "ss", {dump.url(), "/pong2"}), 0);
  EXPECT_EQ(dump.next(), "/pong2 ss \"osc.udp://127.0.0.1:" + portText() + "\" \"Quorvella 1.0.0\"");
}

TEST_F(OSCEndToEnd, SetStoresThePlainValueAndGetReadsItBack) {
  instance->fx().clearCallbacks();
  ASSERT_EQ(send("/set", "if", {"7", "500"}), 0);
  ASSERT_EQ(send("/get", "iss", {"7", dump.url(), "/value"}), 0);
  EXPECT_EQ(dump.next(), "/value if 7 500.000000");
  // The host sees the same value through getParameter (hertz: exponential 10..1000).
  EXPECT_NEAR(instance->fx().getParameter(7), std::log(50.0) / std::log(100.0), 1e-5);
  // ... and was asked to refresh its display.
  bool refreshed = false;
  for (const auto& call : instance->fx().callbacks()) refreshed |= call.opcode == 42;
  EXPECT_TRUE(refreshed);
  // Plain units, not clamped.
  ASSERT_EQ(send("/set", "if", {"7", "5000"}), 0);
  ASSERT_EQ(send("/get", "iss", {"7", dump.url(), "/value"}), 0);
  EXPECT_EQ(dump.next(), "/value if 7 5000.000000");
}

TEST_F(OSCEndToEnd, DescribesAndListsTheParameters) {
  ASSERT_EQ(send("/getInfo", "iss", {"7", dump.url(), "/info"}), 0);
  EXPECT_EQ(dump.next(), "/info ifffsi 7 10.000000 1000.000000 800.000000 \"Lowpass Cutoff\" 8");
  ASSERT_EQ(send("/getNumParameters", "ss", {dump.url(), "/count"}), 0);
  EXPECT_EQ(dump.next(), "/count i 40");
  ASSERT_EQ(send("/isParameterUsed", "iss", {"39", dump.url(), "/used"}), 0);
  EXPECT_EQ(dump.next(), "/used iT 39 #T");

  ASSERT_EQ(send("/getAll", "ss", {dump.url(), "/all"}), 0);
  std::vector<std::string> lines = dump.take(40);
  ASSERT_EQ(lines.size(), 40u);
  for (int id = 0; id < 40; ++id)
    EXPECT_EQ(lines[id].rfind("/all if " + std::to_string(id) + " ", 0), 0u) << lines[id];
  EXPECT_TRUE(dump.rest().empty());
}

TEST_F(OSCEndToEnd, HostChangesReachRegisteredClientsInRegistrationOrder) {
  ASSERT_EQ(send("/registerUpdate", "iss", {"5", dump.url(), "/a"}), 0);
  ASSERT_EQ(send("/registerUpdate", "iss", {"5", dump.oscURL(), "/b"}), 0);
  ASSERT_EQ(send("/registerUpdate", "iss", {"5", dump.url(), "/a"}), 0);  // same target: once
  ASSERT_TRUE(sync());

  instance->fx().setParameter(5, 0.5f);
  float plain = 0.0f;
  {
    std::vector<std::string> lines = dump.take(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("/a if 5 ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("/b if 5 ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[0].substr(3), lines[1].substr(3));
    plain = std::stof(lines[0].substr(std::string("/a if 5 ").size()));
  }
  EXPECT_TRUE(dump.rest().empty());
  // The value sent is the plain value the host's change stored.
  ASSERT_EQ(send("/get", "iss", {"5", dump.url(), "/v"}), 0);
  EXPECT_EQ(dump.next(), "/v if 5 " + std::to_string(plain));

  // Changes by /set and by a script's setParameter are not notified.
  ASSERT_EQ(send("/set", "if", {"5", "0.25"}), 0);
  ASSERT_EQ(send("/exec", "sif", {"scriptSet", "5", "0.75"}), 0);
  ASSERT_EQ(send("/get", "iss", {"5", dump.url(), "/v"}), 0);
  EXPECT_EQ(dump.next(), "/v if 5 0.750000");
  EXPECT_TRUE(dump.rest().empty());

  // Unregistering one leaves the other.
  ASSERT_EQ(send("/unregisterUpdate", "iss", {"5", dump.url(), "/a"}), 0);
  ASSERT_TRUE(sync());  // the request is handled before the host's change
  instance->fx().setParameter(5, 0.25f);
  std::string only = dump.next();
  EXPECT_EQ(only.rfind("/b if 5 ", 0), 0u) << only;
  EXPECT_TRUE(dump.rest().empty());
  ASSERT_EQ(send("/unregisterUpdate", "iss", {"5", dump.oscURL(), "/b"}), 0);
  ASSERT_TRUE(sync());
  instance->fx().setParameter(5, 0.125f);
  EXPECT_TRUE(dump.rest().empty());
}

TEST_F(OSCEndToEnd, GetAllRegisteredAnswersEveryRegistrationInMapOrder) {
  ASSERT_EQ(send("/registerUpdate", "iss", {"8", dump.url(), "/r8a"}), 0);
  ASSERT_EQ(send("/registerUpdate", "iss", {"3", dump.url(), "/r3"}), 0);
  ASSERT_EQ(send("/registerUpdate", "iss", {"8", dump.url(), "/r8b"}), 0);
  ASSERT_EQ(send("/set", "if", {"3", "0.5"}), 0);
  ASSERT_EQ(send("/getAllRegistered"), 0);
  std::vector<std::string> lines = dump.take(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "/r3 if 3 0.500000");
  EXPECT_EQ(lines[1].rfind("/r8a if 8 ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("/r8b if 8 ", 0), 0u) << lines[2];
}

TEST_F(OSCEndToEnd, CallConvertsResultsUpToTheFirstNil) {
  ASSERT_EQ(send("/call", "sss", {"mixed", dump.url(), "/res"}), 0);
  EXPECT_EQ(dump.next(), "/res fs 1.000000 \"x\"");
  // Arguments of every supported type, and results that are numbers or numeric texts.
  ASSERT_EQ(send("/call", "sssifdhs", {"echo", dump.url(), "/echo", "3", "2.5", "-1.25", "9", "7"}), 0);
  EXPECT_EQ(dump.next(), "/echo fffff 3.000000 2.500000 -1.250000 9.000000 7.000000");
  ASSERT_EQ(send("/exec", "ssTFNs", {"types", dump.url(), "text"}), 0);
  EXPECT_EQ(dump.next(), "/types ssss \"boolean\" \"boolean\" \"nil\" \"string\"");
  // A boolean result is refused and nothing is sent.
  ASSERT_EQ(send("/call", "sss", {"truthy", dump.url(), "/bad"}), 0);
  EXPECT_TRUE(output.waitFor("error while parsing message: /call: unhandled argument type return from call\n"));
  // A function that returns nothing answers an empty message.
  ASSERT_EQ(send("/call", "sss", {"scriptSet", dump.url(), "/none", }), 0);
  EXPECT_TRUE(output.waitFor("error while parsing message: /call: failed to exec function\n"));
  ASSERT_EQ(send("/call", "sssif", {"scriptSet", dump.url(), "/empty", "4", "0.5"}), 0);
  EXPECT_EQ(dump.next(), "/empty");
  EXPECT_TRUE(dump.rest().empty());
  // An argument type that has no Lua counterpart.
  ASSERT_EQ(send("/exec", "sc", {"echo", "x"}), 0);
  EXPECT_TRUE(output.waitFor("error while parsing message: /exec: unhandled argument type to exec\n"));
}

TEST_F(OSCEndToEnd, ExecReachesScriptFunctionsButNeverTheStandardLibrary) {
  ASSERT_EQ(send("/exec", "s", {"noSuchFunction"}), 0);
  EXPECT_TRUE(output.waitFor("error while parsing message: /exec: failed to exec function\n"));
  // Library functions are refused like undefined names: tostring would answer "5".
  for (const char* name : {"tostring", "dofile", "loadstring", "require", "collectgarbage", "os", "pcall"}) {
    size_t before = output.count("/call: failed to exec function");
    ASSERT_EQ(send("/call", "sssi", {name, dump.url(), "/lib", "5"}), 0);
    ASSERT_TRUE(output.waitFor("")) ;
    auto deadline = Clock::now() + std::chrono::seconds(3);
    while (output.count("/call: failed to exec function") == before && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(output.count("/call: failed to exec function"), before + 1) << name;
  }
  EXPECT_TRUE(dump.rest().empty());
  // The program's own script functions are reachable.
  ASSERT_EQ(send("/call", "sssi", {"getParameterName", dump.url(), "/name", "26"}), 0);
  EXPECT_EQ(dump.next(), "/name s \"Filter Q\"");
}

TEST_F(OSCEndToEnd, ARunawayScriptCallIsStoppedAndTheServerGoesOn) {
  auto start = Clock::now();
  ASSERT_EQ(send("/exec", "s", {"spin"}), 0);
  ASSERT_TRUE(output.waitFor("error while parsing message: /exec: failed to exec function\n", 10000));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  ASSERT_EQ(send("/ping", "ss", {dump.url(), "/alive"}), 0);
  EXPECT_EQ(dump.next().rfind("/alive ss", 0), 0u);
}

TEST_F(OSCEndToEnd, NotesReachTheScriptHandlersOnChannelTwo) {
  ASSERT_EQ(send("/exec", "ss", {"setNoteURL", dump.url()}), 0);
  ASSERT_EQ(send("/startNote", "if", {"60", "0.5"}), 0);
  EXPECT_EQ(dump.next(), "/noteOn fff 2.000000 60.000000 63.000000");
  ASSERT_EQ(send("/startNote", "if", {"61", "0"}), 0);  // velocity 0 is still a note on
  EXPECT_EQ(dump.next(), "/noteOn fff 2.000000 61.000000 0.000000");
  ASSERT_EQ(send("/stopNote", "if", {"60", "1"}), 0);
  EXPECT_EQ(dump.next(), "/noteOff fff 2.000000 60.000000 127.000000");
  ASSERT_EQ(send("/startNote", "if", {"316", "2.1"}), 0);  // low 8 bits of note and velocity
  EXPECT_EQ(dump.next(), "/noteOn fff 2.000000 60.000000 10.000000");
}

TEST_F(OSCEndToEnd, BundlesAreFollowedToABoundedDepth) {
  // Elements run in order; the reply of /get sees the /set before it.
  std::string set = message("/set", "if", {"12", "0.5"});
  std::string get = message("/get", "iss", {"12", dump.url(), "/nested"});
  instance->send(bundle({set, bundle({bundle({get})})}));
  EXPECT_EQ(dump.next(), "/nested if 12 0.500000");

  // Seventeen levels: dropped whole, the /set inside included.
  std::string deep = message("/set", "if", {"12", "0.75"});
  for (int level = 0; level < 17; ++level) deep = bundle({deep});
  instance->send(deep);
  EXPECT_TRUE(output.waitFor("osc::Exception in TaskMain(): bundles nested too deeply\n"));
  instance->send(get);
  EXPECT_EQ(dump.next(), "/nested if 12 0.500000");
}

TEST_F(OSCEndToEnd, MalformedPacketsAreDroppedAndTheServerListensOn) {
  // A blob whose size points far beyond the packet.
  std::string blob = message("/set", "b", {"abcd"});
  blob[blob.size() - 8] = '\x7f';
  instance->send(blob);
  EXPECT_TRUE(output.waitFor("osc::Exception in TaskMain(): blob exceeds message size\n"));
  instance->send(std::string("/set\0\0\0\0,i", 10));  // not a multiple of four
  EXPECT_TRUE(output.waitFor("osc::Exception in TaskMain(): packet size must be multiple of four\n"));
  instance->send(std::string("#bundle\0\0\0\0\0\0\0\0\1\0\0\0\x40", 20));
  EXPECT_TRUE(output.waitFor("osc::Exception in TaskMain(): "
                             "packet too short for bundle element\n"));
  ASSERT_EQ(send("/ping", "ss", {dump.url(), "/alive"}), 0);
  EXPECT_EQ(dump.next().rfind("/alive ss", 0), 0u);
  // Unknown addresses are ignored silently.
  size_t lines = output.text().size();
  ASSERT_EQ(send("/nothing", "i", {"1"}), 0);
  ASSERT_EQ(send("/ping", "ss", {dump.url(), "/alive"}), 0);
  EXPECT_EQ(dump.next().rfind("/alive ss", 0), 0u);
  EXPECT_EQ(output.text().size(), lines);
}

}  // namespace
