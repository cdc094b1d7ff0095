// Requests that fail: each is logged on standard output with its exact text and answered
// with nothing; faults of the reply address and of the port end the listening.
#include <gtest/gtest.h>

#include <string>
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

TEST_F(OSCErrorPaths, AReplyURLWithoutAPortEndsListeningUntilTheNextRetarget) {
  ASSERT_EQ(send("/ping", "ss", {"127.0.0.1", "/r"}), 0);
  EXPECT_TRUE(output.waitFor("std::runtime_error in TaskMain(): unable to connect udp socket\n"));
  EXPECT_TRUE(waitForPort(port, false)) << "the port is still bound";
  EXPECT_EQ(instance->fx().getParameter(39), offsetValue(5));
  // A later request finds nobody listening.
  ASSERT_EQ(send("/ping", "ss", {dump.url(), "/r"}), 0);
  EXPECT_TRUE(dump.rest(200).empty());
  // Setting the offset again (even to the same value) listens again.
  instance->setOffset(5);
  ASSERT_TRUE(instance->waitListening());
  EXPECT_TRUE(sync());
}

TEST_F(OSCErrorPaths, AnUnresolvableReplyHostEndsListeningToo) {
  ASSERT_EQ(send("/get", "iss", {"3", "no-such-host.invalid:9", "/r"}), 0);
  EXPECT_TRUE(output.waitFor("std::runtime_error in TaskMain(): unable to connect udp socket\n", 20000));
  EXPECT_TRUE(waitForPort(port, false));
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
