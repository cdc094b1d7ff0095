// Requests that fail: each is logged on standard output with its exact text and answered
// with nothing, and the server listens on; only a port that cannot be bound leaves it idle.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "OSCServerTest.h"

namespace {

using namespace osctest;

class OSCErrorPaths : public OSCServerTest {
protected:
  // Sends the request and expects exactly this log line and no reply.
  void expectRejected(const std::string& address, const std::string& types,
                      const std::vector<std::string>& values, const std::string& text) {
    std::string line = "error while parsing message: " + address + ": " + text + "\n";
    size_t before = output.count(line);
    ASSERT_EQ(send(address, types, values), 0);
    ASSERT_TRUE(sync());
    EXPECT_EQ(output.count(line), before + 1) << line;
    EXPECT_TRUE(dump.rest(100).empty()) << address;
  }
};

TEST_F(OSCErrorPaths, IdsOutOfRangeAreRejectedWithTheirTexts) {
  const std::string url = dump.url();
  expectRejected("/get", "iss", {"40", url, "/r"}, "parameter id out of range in get");
  expectRejected("/get", "iss", {"-1", url, "/r"}, "parameter id out of range in get");
  expectRejected("/set", "if", {"40", "1"}, "parameter id out of range in set");
  expectRejected("/set", "if", {"-1", "1"}, "parameter id out of range in set");
  expectRejected("/isParameterUsed", "iss", {"40", url, "/r"}, "parameter id out of range in isParameterUsed");
  expectRejected("/getInfo", "iss", {"-5", url, "/r"}, "parameter id out of range in getInfo");
  expectRejected("/registerUpdate", "iss", {"40", url, "/r"}, "parameter id out of range in registerUpdate");
  expectRejected("/unregisterUpdate", "iss", {"40", url, "/r"}, "parameter id out of range in unregisterUpdate");
  // Nothing was stored by the rejected /set: parameter 39 still holds the offset.
  ASSERT_EQ(send("/get", "iss", {"39", url, "/r"}), 0);
  EXPECT_EQ(dump.next(), "/r if 39 5.000000");
}

TEST_F(OSCErrorPaths, ArgumentListsAreChecked) {
  const std::string url = dump.url();
  expectRejected("/set", "ii", {"7", "500"}, "wrong argument type");
  // A value followed by anything else is refused whole, not stored and the rest ignored.
  expectRejected("/set", "iff", {"7", "500", "1"}, "too many arguments");
  expectRejected("/set", "ifs", {"7", "500", "x"}, "too many arguments");
  expectRejected("/get", "fss", {"7", url, "/r"}, "wrong argument type");
  expectRejected("/get", "i", {"7"}, "missing argument");
  expectRejected("/ping", "", {}, "missing argument");
  expectRejected("/ping", "sss", {url, "/r", "extra"}, "too many arguments");
  expectRejected("/getNumParameters", "ssi", {url, "/r", "1"}, "too many arguments");
  expectRejected("/getAllRegistered", "i", {"1"}, "too many arguments");
  expectRejected("/startNote", "ii", {"60", "100"}, "wrong argument type");
  expectRejected("/exec", "", {}, "missing argument");
  expectRejected("/call", "ss", {"mixed", url}, "missing argument");
  // The value of a refused /set was not stored.
  ASSERT_EQ(send("/get", "iss", {"7", url, "/r"}), 0);
  EXPECT_EQ(dump.next(), "/r if 7 800.000000");
}

// Reply urls that name no endpoint a socket can be connected to.
const char* const kBadReplyURLs[] = {
    "127.0.0.1",               // no port
    "127.0.0.1:",              // nothing after the colon
    "osc.udp://127.0.0.1:0",   // port 0
    "127.0.0.1:65536",         // above the UDP range
    "127.0.0.1:-9",            // negative
    "0.0.0.0:9",               // address 0
    "no-such-host.invalid:9",  // cannot be resolved
};
const char kUnableToConnect[] = "std::runtime_error in TaskMain(): unable to connect udp socket\n";

class OSCBadReplyURLs : public OSCErrorPaths {
protected:
  std::string script() const override { return "function two() return 1, 2 end\n"; }

  // The request is dropped with the socket layer's line, and the next /ping is answered.
  void expectDroppedAndListening(const std::string& address, const std::string& types,
                                 const std::vector<std::string>& values, const char* bad) {
    size_t before = output.count(kUnableToConnect);
    ASSERT_EQ(send(address, types, values), 0);
    // Name lookups of the unresolvable host may take a while on some networks.
    auto deadline = Clock::now() + std::chrono::seconds(20);
    while (output.count(kUnableToConnect) == before && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(output.count(kUnableToConnect), before + 1) << address << " to " << bad;
    ASSERT_TRUE(sync()) << "not listening after " << address << " to " << bad;
  }
};

TEST_F(OSCBadReplyURLs, AreDroppedByEveryReplyingAddressAndTheServerListensOn) {
  for (const char* bad : kBadReplyURLs) {
    ASSERT_NO_FATAL_FAILURE(expectDroppedAndListening("/ping", "ss", {bad, "/r"}, bad));
    ASSERT_NO_FATAL_FAILURE(expectDroppedAndListening("/get", "iss", {"3", bad, "/r"}, bad));
    ASSERT_NO_FATAL_FAILURE(expectDroppedAndListening("/getAll", "ss", {bad, "/r"}, bad));
    ASSERT_NO_FATAL_FAILURE(expectDroppedAndListening("/getNumParameters", "ss", {bad, "/r"}, bad));
    ASSERT_NO_FATAL_FAILURE(expectDroppedAndListening("/isParameterUsed", "iss", {"3", bad, "/r"}, bad));
    ASSERT_NO_FATAL_FAILURE(expectDroppedAndListening("/getInfo", "iss", {"3", bad, "/r"}, bad));
    ASSERT_NO_FATAL_FAILURE(expectDroppedAndListening("/call", "sss", {"two", bad, "/r"}, bad));
  }
  // Nothing was answered anywhere but to the pings.
  EXPECT_TRUE(dump.rest(100).empty());
  EXPECT_EQ(instance->fx().getParameter(39), offsetValue(5));
}

TEST_F(OSCBadReplyURLs, ARegistrationThatCannotBeServedIsSkippedByGetAllRegistered) {
  ASSERT_EQ(send("/registerUpdate", "iss", {"3", "127.0.0.1", "/bad"}), 0);
  ASSERT_EQ(send("/registerUpdate", "iss", {"4", dump.url(), "/good"}), 0);
  ASSERT_TRUE(sync());
  ASSERT_EQ(send("/getAllRegistered"), 0);
  EXPECT_EQ(dump.next().rfind("/good if 4 ", 0), 0u);
  EXPECT_TRUE(output.waitFor("skipped OSC notification: unable to connect udp socket\n"));
  EXPECT_TRUE(sync());
}

TEST_F(OSCErrorPaths, ABadReplyURLInsideABundleLeavesTheOtherMessages) {
  instance->send(bundle({message("/get", "iss", {"7", "127.0.0.1", "/lost"}),
                         message("/get", "iss", {"7", dump.url(), "/kept"})}));
  EXPECT_EQ(dump.next(), "/kept if 7 800.000000");
  EXPECT_EQ(output.count(kUnableToConnect), 1u);
}

TEST(OSCPortInUse, BindFailureIsLoggedAndTheServerStaysIdle) {
  UserEnvironment env;
  StreamCapture output(1);
  RawSocket blocker;  // holds the loopback port ...
  int port = blocker.port();
  Instance instance(env, port);
  EXPECT_TRUE(output.waitFor("std::runtime_error in TaskMain(): unable to bind udp socket\n"));
}

}  // namespace
