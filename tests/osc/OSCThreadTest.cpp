// The server's threads under load: OSC requests, host parameter changes and processing at
// once (run under the thread sanitizer with `ctest -L threads`), and stopping in every
// state well within the stop time-out, without touching freed memory.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <oscpack/osc/OscReceivedElements.h>

#include "OSCTestSupport.h"

namespace {

using namespace osctest;

const char kScript[] = R"LUA(
function spin() while true do end end
function echo(...) return ... end
)LUA";

// Closes the instance; how long that took in milliseconds.
long closeMs(std::unique_ptr<Instance>& instance) {
  auto start = Clock::now();
  instance.reset();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  return static_cast<long>(took.count());
}

TEST(OSCThreads, RequestsHostChangesAndProcessingAtOnce) {
  UserEnvironment env;
  env.addScript("osctest.lua", kScript);
  int port = freePort();
  Instance instance(env, port);
  ASSERT_TRUE(instance.waitListening());
  vsthost::HostedEffect& fx = instance.fx();
  fx.setSampleRate(44100.0f);
  fx.setBlockSize(256);
  fx.resume();

  RawSocket replies;
  RawSocket notifications;
  // Registered clients are told of every host change while the rest goes on.
  for (int id : {3, 9, 20}) {
    RawSocket registrar;
    registrar.sendTo(port, message("/registerUpdate", "iss", {std::to_string(id), notifications.url(), "/n"}));
  }

  std::atomic<bool> stop{false};
  std::atomic<int> getsAnswered{0};
  std::vector<std::thread> threads;
  // Two OSC clients: /set and /get of all parameters but the port offset.
  for (int c = 0; c < 2; ++c) {
    threads.emplace_back([&, c] {
      RawSocket client;
      int step = 0;
      while (!stop) {
        int id = (step * 7 + c * 11) % 39;
        client.sendTo(port, message("/set", "if", {std::to_string(id), std::to_string((step % 50) / 50.0)}));
        client.sendTo(port, message("/get", "iss", {std::to_string(id), replies.url(), "/g"}));
        if (step % 16 == 0)
          client.sendTo(port, message("/call", "sssif", {"echo", replies.url(), "/e", "1", "2"}));
        ++step;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });
  }
  // A host thread setting parameters (the notification path) ...
  threads.emplace_back([&] {
    int step = 0;
    while (!stop) {
      fx.setParameter((step * 3) % 39, static_cast<float>((step % 101) / 100.0));
      (void)fx.getParameter(step % 40);
      ++step;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  // ... a reader of the replies ...
  threads.emplace_back([&] {
    std::string packet;
    while (!stop) {
      if (!replies.receive(packet, 20)) continue;
      osc::ReceivedPacket p(packet.data(), static_cast<osc::osc_bundle_element_size_t>(packet.size()));
      if (p.IsBundle()) ++getsAnswered;
    }
  });
  // ... while the audio thread processes blocks with MIDI.
  std::vector<float> in(256), outL(256), outR(256);
  for (int block = 0; block < 600; ++block) {
    for (int i = 0; i < 256; ++i) in[i] = 0.5f * std::sin((block * 256 + i) * 0.03f);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    if (block % 8 == 0) fx.sendMidi({{0xB0, 11, static_cast<uint8_t>(block % 128)}});
    fx.processReplacing(ins, outs, 256);
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  stop = true;
  for (auto& t : threads) t.join();
  for (float v : outL) EXPECT_TRUE(std::isfinite(v));
  EXPECT_GT(getsAnswered.load(), 100);
  std::string note;
  EXPECT_TRUE(notifications.receive(note, 1000));
}

// Closing the instance in each state of the server ends both threads at once.
class OSCStop : public ::testing::Test {
protected:
  void SetUp() override {
    env.addScript("osctest.lua", kScript);
    port = freePort();
  }
  UserEnvironment env;
  StreamCapture output{1};
  int port = 0;
};

TEST_F(OSCStop, Idle) {
  auto instance = std::make_unique<Instance>(env, port, 0);
  EXPECT_LT(closeMs(instance), 1000);
}

TEST_F(OSCStop, Listening) {
  auto instance = std::make_unique<Instance>(env, port);
  ASSERT_TRUE(instance->waitListening());
  EXPECT_LT(closeMs(instance), 1000);
  EXPECT_FALSE(portInUse(port));
}

TEST_F(OSCStop, BusyReplying) {
  auto instance = std::make_unique<Instance>(env, port);
  ASSERT_TRUE(instance->waitListening());
  RawSocket sink;
  std::atomic<bool> stop{false};
  std::thread flood([&] {
    RawSocket client;
    std::string getAll = message("/getAll", "ss", {sink.url(), "/all"});
    while (!stop) client.sendTo(port, getAll);
  });
  std::string packet;
  ASSERT_TRUE(sink.receive(packet, 3000));  // the server is answering
  EXPECT_LT(closeMs(instance), 1000);
  stop = true;
  flood.join();
}

TEST_F(OSCStop, InsideAScriptCall) {
  auto instance = std::make_unique<Instance>(env, port);
  ASSERT_TRUE(instance->waitListening());
  instance->send(message("/exec", "s", {"spin"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_LT(closeMs(instance), 2000);
}

TEST_F(OSCStop, WhileNotificationsAreSent) {
  auto instance = std::make_unique<Instance>(env, port);
  ASSERT_TRUE(instance->waitListening());
  RawSocket sink;
  for (int id = 0; id < 39; ++id) instance->send(message("/registerUpdate", "iss", {std::to_string(id), sink.url(), "/n"}));
  instance->send(message("/ping", "ss", {sink.url(), "/sync"}));
  std::string packet;
  ASSERT_TRUE(sink.receive(packet, 3000));
  for (int k = 0; k < 500; ++k) instance->fx().setParameter(k % 39, (k % 10) / 10.0f);
  EXPECT_LT(closeMs(instance), 1000);
}

TEST_F(OSCStop, RetargetStormThenClose) {
  auto instance = std::make_unique<Instance>(env, port, 1);
  std::atomic<bool> stop{false};
  std::thread requests([&] {
    RawSocket client;
    RawSocket sink;
    while (!stop) {
      for (int k = 1; k <= 3; ++k) client.sendTo(port - 1 + k, message("/get", "iss", {"1", sink.url(), "/g"}));
    }
  });
  for (int k = 0; k < 300; ++k) instance->setOffset(1 + k % 3);
  instance->setOffset(2);
  EXPECT_TRUE(waitAnswering(port + 1));
  EXPECT_LT(closeMs(instance), 1000);
  stop = true;
  requests.join();
}

TEST_F(OSCStop, ManyInstancesComeAndGoUnderTraffic) {
  std::atomic<bool> stop{false};
  std::thread traffic([&] {
    RawSocket client;
    RawSocket sink;
    while (!stop) {
      client.sendTo(port, message("/get", "iss", {"2", sink.url(), "/g"}));
      client.sendTo(port, message("/exec", "sif", {"setParameter", "2", "0.5"}));
    }
  });
  for (int round = 0; round < 10; ++round) {
    auto instance = std::make_unique<Instance>(env, port);
    instance->waitListening(1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  stop = true;
  traffic.join();
}

}  // namespace
