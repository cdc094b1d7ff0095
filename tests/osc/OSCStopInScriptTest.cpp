// Stopping the server while a script that a request started waits for a host-name lookup
// (sendOSC to a name the name service is slow to answer). The stop may give up waiting and
// cancel a thread blocked in a lookup, but never one inside the script state: that would
// leave the state half way through a call, with its stack and its error handling wrong
// for every later script call.
//
// The lookup is made slow by this program's own getaddrinfo, which the linker prefers to
// the C library's: it sleeps (a cancellation point) for longer than the stop waits.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <netdb.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "OSCTestSupport.h"
#include "effect/HvcQuorvella.h"
#include "lua/LuaIncludes.h"
#include "midi/LuaMIDIHelper.h"
#include "midi/LuaMIDISession.h"
#include "osc/OSCHelper.h"

namespace {

const char kSlowHost[] = "slow-name-service.test";
std::atomic<int> slowLookups{0};

}  // namespace

extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** result) {
  using Real = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
  if (node && std::strcmp(node, kSlowHost) == 0) {
    ++slowLookups;
    // Longer than OSCHelper::kStopTimeoutMs, in steps that are cancellation points.
    for (int step = 0; step < 60; ++step) {
      timespec tenth{0, 100000000};
      nanosleep(&tenth, nullptr);
    }
    return EAI_NONAME;
  }
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
  return real(node, service, hints, result);
}

namespace {

using namespace osctest;

TEST(OSCStopInScript, NeverCancelsTheThreadInsideTheScriptState) {
  UserEnvironment env;
  env.addScript("slow.lua", std::string("function slow() sendOSC('") + kSlowHost +
                                ":9000', '/x') end\nfunction answer() return 42 end\n");
  StreamCapture output(1);
  HvcQuorvella effect(nullptr);
  HC::OSCHelper& server = *effect.getOSCHelper();
  HC::LuaMIDIHelper& midi = *effect.getMIDIHelper();
  int before;
  {
    HC::LuaMIDISession session(midi);
    before = lua_gettop(session.state());
  }
  int port = freePort();
  server.retarget(5, port - 5);
  ASSERT_TRUE(waitAnswering(port));

  RawSocket client;
  client.sendTo(port, message("/exec", "s", {"slow"}));
  auto deadline = Clock::now() + std::chrono::seconds(3);
  while (slowLookups.load() == 0 && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(slowLookups.load(), 1) << "the script's lookup did not start";

  server.stopTask();
  EXPECT_FALSE(server.running());

  // The script call ran to its end: its failure was reported, and the state is as it was.
  EXPECT_EQ(output.count("error while parsing message: /exec: failed to exec function\n"), 1u);
  HC::LuaMIDISession session(midi);
  lua_State* state = session.state();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(lua_gettop(state), before);
  lua_getglobal(state, "answer");
  ASSERT_EQ(midi.protectedCall(0, 1), 0);
  EXPECT_EQ(lua_tonumber(state, -1), 42.0);
  lua_settop(state, before);
}

}  // namespace
