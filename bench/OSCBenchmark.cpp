// The OSC server on loopback: /set requests handled per second, the /get round trip
// (median and 99th percentile in microseconds), and the cost of the host's setParameter
// with and without a client registered for the parameter. One effect instance in-process listens on
// "OSC Base Port" + the first free offset; the client side uses oscpack's sockets.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <oscpack/ip/IpEndpointName.h>
#include <oscpack/ip/PacketListener.h>
#include <oscpack/ip/UdpSocket.h>
#include <oscpack/osc/OscOutboundPacketStream.h>

#include "effect/HvcQuorvella.h"
#include "osc/OSCEndpoint.h"
#include "osc/OSCHelper.h"
#include "osc/UpdateRegistrations.h"
#include "platform/Event.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kReplyTimeoutMs = 2000;
constexpr int kSetsPerRoundTrip = 64;

// Counts reply packets on a socket of its own and signals each one.
class ReplyCounter : public PacketListener {
public:
  ReplyCounter() {
    // oscpack names no port of a socket bound to port 0, so the first free one from a base
    // is taken.
    for (int candidate = 41000; !socket && candidate < 42000; ++candidate) {
      try {
        socket.reset(new UdpReceiveSocket(IpEndpointName("127.0.0.1", candidate)));
        port = candidate;
      } catch (const std::runtime_error&) {
      }
    }
    if (!socket) throw std::runtime_error("no free port for replies");
    loop.AttachSocketListener(socket.get(), this);
    thread = std::thread([this] {
      loop.Run();
      finished.store(true);
    });
  }
  ~ReplyCounter() override {
    // A break that comes before the loop has begun is forgotten when it begins: repeat it
    // until the loop has ended.
    while (!finished.load()) {
      loop.AsynchronousBreak();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    thread.join();
  }
  void ProcessPacket(const char*, int, const IpEndpointName&) override {
    count.fetch_add(1);
    arrived.signal();
  }
  int64_t received() const { return count.load(); }
  bool wait() { return arrived.wait(kReplyTimeoutMs); }
  std::string url() const { return "127.0.0.1:" + std::to_string(port); }

private:
  std::unique_ptr<UdpReceiveSocket> socket;
  SocketReceiveMultiplexer loop;
  platform::Event arrived;
  std::atomic<int64_t> count{0};
  std::atomic<bool> finished{false};
  std::thread thread;
  int port = 0;
};

// One instance listening on a free port, shared by the benchmarks.
struct Server {
  HvcQuorvella effect{nullptr};
  int port = 0;
  Server() {
    int base = HvcQuorvella::getOSCBasePort();
    for (int offset = 1; offset <= 100 && !port; ++offset) {
      try {
        UdpReceiveSocket probe(IpEndpointName(IpEndpointName::ANY_ADDRESS, base + offset));
      } catch (const std::runtime_error&) {
        continue;
      }
      effect.setParameter(39, offset / 100.0f);
      port = base + offset;
    }
    if (!port) throw std::runtime_error("no free OSC port above the base port");
    // Wait until the server holds the port.
    for (int i = 0; i < 200; ++i) {
      try {
        UdpReceiveSocket probe(IpEndpointName(IpEndpointName::ANY_ADDRESS, port));
      } catch (const std::runtime_error&) {
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    throw std::runtime_error("the server did not start");
  }
};

Server& server() {
  static Server instance;
  return instance;
}

std::string get(int id, const std::string& url) {
  char buffer[256];
  osc::OutboundPacketStream p(buffer, sizeof buffer);
  p << osc::BeginMessage("/get") << static_cast<osc::int32>(id) << url.c_str() << "/v" << osc::EndMessage;
  return std::string(p.Data(), p.Size());
}

std::string set(int id, float value) {
  char buffer[64];
  osc::OutboundPacketStream p(buffer, sizeof buffer);
  p << osc::BeginMessage("/set") << static_cast<osc::int32>(id) << value << osc::EndMessage;
  return std::string(p.Data(), p.Size());
}

// Batches of /set followed by one /get: when its reply is back, the batch was handled.
void setRequestsHandled(benchmark::State& state) {
  Server& s = server();
  ReplyCounter replies;
  UdpTransmitSocket client(IpEndpointName("127.0.0.1", s.port));
  std::vector<std::string> sets;
  for (int k = 0; k < kSetsPerRoundTrip; ++k) sets.push_back(set(k % 39, (k % 10) / 10.0f));
  std::string fence = get(0, replies.url());
  int64_t lost = 0;
  for (auto _ : state) {
    for (const auto& p : sets) client.Send(p.data(), p.size());
    client.Send(fence.data(), fence.size());
    if (!replies.wait()) ++lost;
  }
  state.SetItemsProcessed(state.iterations() * kSetsPerRoundTrip);
  state.counters["lost_fences"] = static_cast<double>(lost);
}

void getRoundTrip(benchmark::State& state) {
  Server& s = server();
  ReplyCounter replies;
  UdpTransmitSocket client(IpEndpointName("127.0.0.1", s.port));
  std::string request = get(7, replies.url());
  std::vector<double> micros;
  micros.reserve(100000);
  int64_t lost = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    client.Send(request.data(), request.size());
    if (!replies.wait()) {
      ++lost;
      continue;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  if (!micros.empty()) {
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
  }
  state.counters["lost"] = static_cast<double>(lost);
}

// The host's setParameter (what a host calls on its audio thread during automation): one
// flag test, one lock-free queue write and one event signal when a client registered for
// the parameter, nothing but the store otherwise. Timed in batches of 32 calls, within the
// queue's 63 slots; between batches the notification thread sends them all.
void hostSetter(benchmark::State& state) {
  constexpr int kBatch = 32;
  Server& s = server();
  ReplyCounter notifications;
  bool registered = state.range(0) != 0;
  const int32_t index = 5;
  if (registered)
    s.effect.getOSCHelper()->registrations().add(
        index, {HC::OSCEndpoint::fromURL(notifications.url().c_str()), "/n"});
  int64_t sent = 0;
  float value = 0.0f;
  for (auto _ : state) {
    for (int k = 0; k < kBatch; ++k) {
      s.effect.setParameter(index, value);
      value = value < 0.9f ? value + 0.01f : 0.0f;
    }
    sent += kBatch;
    if (registered) {
      state.PauseTiming();
      auto deadline = Clock::now() + std::chrono::milliseconds(kReplyTimeoutMs);
      while (notifications.received() < sent && Clock::now() < deadline) notifications.wait();
      state.ResumeTiming();
    }
  }
  if (registered) {
    s.effect.getOSCHelper()->registrations().remove(
        index, {HC::OSCEndpoint::fromURL(notifications.url().c_str()), "/n"});
    state.counters["notified"] = static_cast<double>(notifications.received());
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

BENCHMARK(hostSetter)->ArgName("registered")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(setRequestsHandled)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(getRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
