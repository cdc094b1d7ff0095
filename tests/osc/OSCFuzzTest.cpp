// Malformed and mutated packets against the server (run it in the ASan+UBSan build): no
// crash, no hang, every bad packet dropped, and the server answers /ping afterwards.
//
// The first test hands 120,000 packets made from requests of every address straight to the
// instance's packet listener, so that every one is parsed. A reply URL that a mutation
// left without a usable port ends the listening in the receive loop (std::runtime_error,
// as documented); here that error is counted. The second test sends 30,000 packets over
// UDP to a listening instance, made from requests that carry no reply URL (a mutated one
// would silence the server by design), and checks between batches that it still answers;
// should a mutation turn into such a request after all, the documented log line must be
// there and the test retargets the server. QUORVELLA_FUZZ_SEED chooses another seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "OSCTestSupport.h"
#include "PacketMutator.h"
#include <oscpack/ip/IpEndpointName.h>

#include "effect/HvcQuorvella.h"
#include "osc/OSCHelper.h"
#include "support/ScopedEnv.h"

namespace {

using namespace osctest;

uint32_t seedFromEnvironment() {
  const char* text = std::getenv("QUORVELLA_FUZZ_SEED");
  return text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : 20260707u;
}

const char kScript[] = "function echo(...) return ... end\n";

std::vector<std::string> requests(const std::string& url) {
  return {
      message("/ping", "ss", {url, "/r"}),
      message("/set", "if", {"7", "500"}),
      message("/get", "iss", {"3", url, "/r"}),
      message("/getAll", "ss", {url, "/r"}),
      message("/getAllRegistered", "", {}),
      message("/getNumParameters", "ss", {url, "/r"}),
      message("/isParameterUsed", "iss", {"39", url, "/r"}),
      message("/getInfo", "iss", {"7", url, "/r"}),
      message("/registerUpdate", "iss", {"5", url, "/u"}),
      message("/unregisterUpdate", "iss", {"5", url, "/u"}),
      message("/exec", "sifdhsTFN", {"echo", "1", "2.5", "3.5", "4", "x"}),
      message("/call", "sssifsb", {"echo", url, "/c", "1", "2", "three", "blob"}),
      message("/startNote", "if", {"60", "0.5"}),
      message("/stopNote", "if", {"60", "0.5"}),
      message("/unknown", "S", {"sym"}),
      bundle({message("/set", "if", {"1", "0.5"}), message("/get", "iss", {"1", url, "/r"})}),
  };
}

TEST(OSCFuzz, MutatedPacketsStraightIntoTheListener) {
  // Mutated host names fail fast.
  testsupport::ScopedEnv resolver("RES_OPTIONS", "timeout:1 attempts:1");
  UserEnvironment env;
  env.addScript("fuzz.lua", kScript);
  StreamCapture output(1);
  HvcQuorvella effect(nullptr);
  HC::OSCHelper& server = *effect.getOSCHelper();
  RawSocket sink;
  PacketMutator mutator(seedFromEnvironment(), requests(sink.url()));
  IpEndpointName from(0x7F000001ul, 9);
  size_t silenced = 0;
  const int kPackets = 120000;
  for (int i = 0; i < kPackets; ++i) {
    std::string p = mutator.next();
    try {
      server.ProcessPacket(p.data(), static_cast<int>(p.size()), from);
    } catch (const std::runtime_error&) {
      ++silenced;  // would end the receive loop: one packet must never do that
    }
    if (i % 256 == 0) sink.drain();
  }
  // Rejected packets were logged, and the listener still answers a valid request.
  EXPECT_GT(output.count("osc::Exception in TaskMain(): "), 1000u);
  EXPECT_EQ(silenced, 0u);
  std::fprintf(stderr, "%zu of %d packets rejected as malformed, %zu requests refused, %zu silencing\n",
               output.count("osc::Exception in TaskMain(): "), kPackets,
               output.count("error while parsing message: "), silenced);
  sink.drain();
  std::string ping = message("/ping", "ss", {sink.url(), "/alive"});
  server.ProcessPacket(ping.data(), static_cast<int>(ping.size()), from);
  std::string reply;
  ASSERT_TRUE(sink.receive(reply, 3000));
  EXPECT_NE(reply.find("/alive"), std::string::npos);
}

// Requests without a reply URL, for the receive loop itself.
std::vector<std::string> urlFreeRequests(const std::string& url) {
  return {
      message("/set", "if", {"7", "500"}),
      message("/set", "if", {"39", "5"}),
      message("/getAllRegistered", "", {}),
      message("/registerUpdate", "iss", {"5", url, "/u"}),
      message("/exec", "sifdhsTFN", {"echo", "1", "2.5", "3.5", "4", "x"}),
      message("/startNote", "if", {"60", "0.5"}),
      message("/stopNote", "if", {"60", "0.5"}),
      message("/unknown", "Sb", {"sym", "blob"}),
      bundle({message("/set", "if", {"1", "0.5"}), message("/exec", "s", {"echo"})}),
  };
}

TEST(OSCFuzz, MutatedPacketsOverUDPThenPing) {
  testsupport::ScopedEnv resolver("RES_OPTIONS", "timeout:1 attempts:1");
  UserEnvironment env;
  env.addScript("fuzz.lua", kScript);
  StreamCapture output(1);
  int port = freePort();
  Instance instance(env, port);
  ASSERT_TRUE(instance.waitListening());
  RawSocket sink;
  RawSocket client;
  PacketMutator mutator(seedFromEnvironment() + 1, urlFreeRequests(sink.url()));
  std::string ping = message("/ping", "ss", {sink.url(), "/alive"});
  // The server's receive buffer may overflow during a burst and drop the /ping itself:
  // it is sent again every 100 ms for up to 3 s.
  auto alive = [&] {
    sink.drain();
    std::string reply;
    auto deadline = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < deadline) {
      client.sendTo(port, ping);
      if (sink.receive(reply, 100) && reply.find("/alive") != std::string::npos) return true;
    }
    return false;
  };
  const std::string silencedLine = "std::runtime_error in TaskMain(): ";
  size_t retargets = 0;
  const int kPackets = 30000, kBatch = 100;
  for (int i = 0; i < kPackets; i += kBatch) {
    for (int k = 0; k < kBatch; ++k) client.sendTo(port, mutator.next());
    if (alive()) continue;
    // Only a documented cause may silence the server: a reply URL it cannot connect to.
    ASSERT_GT(output.count(silencedLine), retargets) << "the server stopped answering without a reason";
    retargets = output.count(silencedLine);
    instance.setOffset(5);
    ASSERT_TRUE(instance.waitListening());
  }
  EXPECT_LT(retargets, 5u);
  // Most packets reached the server: about half of them are malformed beyond parsing.
  size_t rejected = output.count("osc::Exception in TaskMain(): ");
  EXPECT_GT(rejected, static_cast<size_t>(kPackets / 5));
  std::fprintf(stderr, "%zu of %d packets rejected as malformed, %zu requests refused\n", rejected,
               kPackets, output.count("error while parsing message: "));
  EXPECT_TRUE(alive());
}

}  // namespace
