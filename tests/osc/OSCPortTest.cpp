// Which port the server listens on: "OSC Base Port" + the integer part of parameter 39 when
// that is nonzero, nothing when it is 0; program changes move the server.
#include <gtest/gtest.h>

#include <string>

#include "OSCTestSupport.h"
#include "PortReservation.h"

namespace {

using namespace osctest;

bool answersPing(int port, OscDump& dump) {
  if (oscsend("127.0.0.1", port, "/ping", "ss", {dump.url(), "/p"}) != 0) return false;
  std::string line = dump.next(2000);
  return line == "/p ss \"osc.udp://127.0.0.1:" + std::to_string(port) + "\" \"Quorvella 1.0.0\"";
}

TEST(OSCPorts, OffsetZeroDoesNotListenAndFiveListensOnBasePlusFive) {
  UserEnvironment env;
  OscDump dump;
  int port = freePort();
  Instance instance(env, port, 0);  // base = port, offset 0
  EXPECT_FALSE(waitAnswering(port, 300));
  EXPECT_FALSE(waitAnswering(port + 5, 50));

  instance.setOffset(5);
  ASSERT_TRUE(waitAnswering(port + 5));
  EXPECT_TRUE(answersPing(port + 5, dump));

  instance.setOffset(0);
  EXPECT_TRUE(waitForPort(port + 5, false));
  EXPECT_EQ(instance.fx().parameterDisplay(39), "Off");
}

TEST(OSCPorts, TheBasePortComesFromThePreference) {
  UserEnvironment env;
  OscDump dump;
  int port = freePort();
  Instance instance(env, port, 7);  // preference written as port - 7
  ASSERT_TRUE(instance.waitListening());
  EXPECT_TRUE(answersPing(port, dump));
}

TEST(OSCPorts, TheDefaultBaseIs7000) {
  UserEnvironment env;  // no preference file
  PortReservation defaultPorts(7005);
  if (!defaultPorts.held()) GTEST_SKIP() << "port 7005 is taken on this machine";
  vsthost::PluginLibrary library;
  ASSERT_EQ(library.open(QUORVELLA_PLUGIN_PATH), "");
  vsthost::HostedEffect fx(library);
  fx.setParameter(39, offsetValue(5));
  EXPECT_TRUE(waitAnswering(7005));
  fx.close();
  EXPECT_TRUE(waitForPort(7005, false));
}

TEST(OSCPorts, ProgramChangesMoveTheServer) {
  UserEnvironment env;
  OscDump dump;
  int port = freePort();
  Instance instance(env, port, 5);
  ASSERT_TRUE(instance.waitListening());

  // Program 1 keeps the factory offset 0: the server goes quiet ...
  instance.fx().setProgram(1);
  EXPECT_TRUE(waitForPort(port, false));
  // ... and program 1 with offset 6 listens one port up.
  instance.setOffset(6);
  ASSERT_TRUE(waitAnswering(port + 1));
  EXPECT_TRUE(answersPing(port + 1, dump));
  // Back to program 0, which kept its offset 5.
  instance.fx().setProgram(0);
  EXPECT_TRUE(waitForPort(port + 1, false));
  ASSERT_TRUE(waitAnswering(port));
  EXPECT_TRUE(answersPing(port, dump));
  // A program change to the program in use rebinds the same port and listens on.
  instance.fx().setProgram(0);
  ASSERT_TRUE(waitAnswering(port));
  EXPECT_TRUE(answersPing(port, dump));
}

TEST(OSCPorts, APortOutsideTheUDPRangeIsNotBound) {
  UserEnvironment env;
  StreamCapture output(1);
  env.setBasePort(65500);
  vsthost::PluginLibrary library;
  ASSERT_EQ(library.open(QUORVELLA_PLUGIN_PATH), "");
  vsthost::HostedEffect fx(library);
  fx.setParameter(39, offsetValue(100));  // 65600 would wrap to port 64 if it were bound
  EXPECT_TRUE(output.waitFor("std::runtime_error in TaskMain(): unable to bind udp socket\n"));
}

}  // namespace
