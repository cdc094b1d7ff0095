// A fixture for tests against one running server: a private user environment (with the
// scripts that script() returns), the instance listening on a free port, oscdump as the
// receiving client and the plug-in's standard output captured.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "OSCTestSupport.h"

namespace osctest {

class OSCServerTest : public ::testing::Test {
protected:
  virtual std::string script() const { return ""; }

  void SetUp() override {
    if (!script().empty()) env.addScript("osctest.lua", script());
    port = freePort();
    instance.reset(new Instance(env, port));
    ASSERT_TRUE(instance->waitListening()) << "no server on port " << port;
  }
  void TearDown() override { instance.reset(); }

  int send(const std::string& address, const std::string& types = "",
           const std::vector<std::string>& values = {}) {
    return oscsend("127.0.0.1", port, address, types, values);
  }
  // A /ping round trip: every request sent before it has been handled.
  bool sync() {
    if (send("/ping", "ss", {dump.url(), "/sync"}) != 0) return false;
    return dump.next().rfind("/sync ss", 0) == 0;
  }
  std::string portText() const { return std::to_string(port); }

  UserEnvironment env;
  StreamCapture output{1};
  OscDump dump;
  int port = 0;
  std::unique_ptr<Instance> instance;
};

}  // namespace osctest
