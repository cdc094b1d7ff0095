#include "osc/OSCHelper.h"

#include <cstdio>
#include <stdexcept>

#include <oscpack/ip/TimerListener.h>
#include <oscpack/ip/UdpSocket.h>

#include "framework/HvcAuBase.h"
#include "osc/OSCAddressSpace.h"
#include "osc/OSCEndpoint.h"
#include "osc/OSCLog.h"
#include "osc/OSCPacketValidator.h"
#include "osc/OSCReplyPacket.h"
#include "osc/OSCSender.h"
#include "platform/ScopedLock.h"

namespace HC {

namespace {
constexpr char kUnableToBind[] = "unable to bind udp socket\n";
constexpr char kRuntimeErrorPrefix[] = "std::runtime_error in TaskMain(): ";

std::string formatted(const char* format, int value) {
  char text[96];
  std::snprintf(text, sizeof text, format, value);
  return text;
}
}  // namespace

// Ends the receive loop from inside when a break was asked for: covers a break that came
// while the loop was being set up, when oscpack's own asynchronous break can be lost.
class OSCHelper::BreakTimer : public TimerListener {
public:
  BreakTimer(const std::atomic<bool>& stop, SocketReceiveMultiplexer& loop) : stop(stop), loop(loop) {}
  void TimerExpired() override {
    if (stop.load(std::memory_order_acquire)) loop.Break();
  }

private:
  const std::atomic<bool>& stop;
  SocketReceiveMultiplexer& loop;
};

OSCHelper::OSCHelper(LuaMIDIHelper* midi, HvcAuBase* effect)
    : owner(effect), midi(midi), updates(effect ? effect->getNumParameters() : 0) {}

OSCHelper::~OSCHelper() { stopTask(); }

// --- Lifecycle (host threads) ---------------------------------------------------------------

void OSCHelper::startTask() {
  if (receiveThread.joinable()) {
    OSCLog::write("Warning: Attempt to recreate OSC task\n");
    return;
  }
  // Fresh events: nothing signalled while the threads were stopped carries over.
  drain(receiveQuit);
  drain(receiveRestart);
  drain(notifyQuit);
  drain(notifyData);
  stopListening.store(false);
  if (!receiveQuit.valid() || !receiveRestart.valid() || !notifyQuit.valid() || !notifyData.valid()) {
    OSCLog::write(formatted("failed to create OSC thread: %d\n", -1));
    return;
  }
  int error = receiveThread.start(receiveThreadMain, this);
  if (error != 0) {
    OSCLog::write(formatted("failed to create OSC thread: %d\n", error));
    return;
  }
  error = notifyThread.start(notifyThreadMain, this);
  if (error != 0) OSCLog::write(formatted("failed to create OSC notify thread: %d\n", error));
}

void OSCHelper::retarget(int32_t offset, int32_t basePort) {
  int64_t port = offset == 0 ? 0 : int64_t{basePort} + offset;
  // A port that does not fit is kept as one that cannot be bound.
  if (port < INT32_MIN || port > INT32_MAX) port = -1;
  // Sequentially consistent with listen(): see there.
  requestedPort.store(static_cast<int32_t>(port));
  breakReceiveLoop(false);
  if (offset != 0) receiveRestart.signal();
}

void OSCHelper::stopTask() {
  if (!receiveThread.joinable()) return;
  // A receive thread already woken by a restart must not go on to listen: the break below
  // finds no loop yet, and listen() clears the break flag as it begins.
  requestedPort.store(0);
  breakReceiveLoop(true);
  receiveQuit.signal();
  notifyQuit.signal();
  if (!receiveThread.join(kStopTimeoutMs)) {
    receiveThread.cancel();
    receiveThread.join(platform::Thread::kInfinite);
  }
  if (notifyThread.joinable() && !notifyThread.join(kStopTimeoutMs)) {
    notifyThread.cancel();
    notifyThread.join(platform::Thread::kInfinite);
  }
  drain(receiveQuit);
  drain(receiveRestart);
  drain(notifyQuit);
  drain(notifyData);
  changes.clear();
  boundPort.store(0);
}

void OSCHelper::breakReceiveLoop(bool wait) {
  stopListening.store(true);
  // Never wait here on a host thread: if the lock is busy the receive thread is setting up
  // or tearing down its loop, and the flag above ends it.
  if (wait)
    socketLock.lock();
  else if (!socketLock.tryLock())
    return;
  if (listening) listening->AsynchronousBreak();
  socketLock.unlock();
}

void OSCHelper::drain(platform::Event& event) {
  while (event.wait(0)) {
  }
}

void OSCHelper::parameterChanged(int32_t index, float value) {
  if (!updates.wanted(index)) return;
  // A refused change is signalled too: the notification thread reports the overflow, so
  // the setter's thread never writes to a stream.
  changes.Write(index, value);
  notifyData.signal();
}

bool OSCHelper::isParameterUsed(int32_t) { return true; }

// --- Receive thread -----------------------------------------------------------------------

void OSCHelper::receiveThreadMain(void* self) { static_cast<OSCHelper*>(self)->TaskMain(); }

void OSCHelper::TaskMain() {
  platform::Event* events[] = {&receiveQuit, &receiveRestart};
  for (;;) {
    int which = platform::Event::waitAny(events, 2, platform::Event::kInfinite);
    if (which != 1) return;  // receive-quit
    try {
      listen();
    } catch (const std::runtime_error& error) {
      OSCLog::failure(kRuntimeErrorPrefix, error.what());
    } catch (const osc::Exception& error) {
      OSCLog::failure("osc::Exception in TaskMain(): ", error.what());
    } catch (const std::exception& error) {
      OSCLog::failure("std::exception in TaskMain(): ", error.what());
    }
  }
}

void OSCHelper::listen() {
  // Clearing the flag and then reading the port, against retarget and stopTask storing the
  // port and then raising the flag, all in one total order: either the port read here is
  // the one they stored, or their flag comes after this clearing and ends the loop.
  stopListening.store(false);
  boundPort.store(0, std::memory_order_release);
  int32_t port = requestedPort.load();
  if (port == 0) return;  // the offset went back to 0 meanwhile
  if (port < 1 || port > 65535) throw std::runtime_error(kUnableToBind);

  UdpReceiveSocket socket(IpEndpointName(IpEndpointName::ANY_ADDRESS, port));
  SocketReceiveMultiplexer loop;
  BreakTimer breakTimer(stopListening, loop);
  loop.AttachSocketListener(&socket, this);
  loop.AttachPeriodicTimerListener(kBreakPollMs, &breakTimer);

  // Published for breaks from other threads; withdrawn before the loop object goes, on
  // every way out.
  struct Publication {
    OSCHelper& self;
    Publication(OSCHelper& self, SocketReceiveMultiplexer* loop) : self(self) {
      platform::ScopedLock hold(self.socketLock);
      self.listening = loop;
    }
    ~Publication() {
      platform::ScopedLock hold(self.socketLock);
      self.listening = nullptr;
      self.boundPort.store(0, std::memory_order_release);
    }
  } publication(*this, &loop);
  boundPort.store(port, std::memory_order_release);

  if (!stopListening.load(std::memory_order_acquire)) loop.Run();
}

void OSCHelper::ProcessPacket(const char* data, int size, const IpEndpointName& remote) {
  try {
    size_t length = size > 0 ? static_cast<size_t>(size) : 0;
    // The whole packet is checked before any of it is acted on: a malformed or too deeply
    // nested one is dropped whole and the server goes on listening.
    if (const char* fault = OSCPacketValidator::check(data, length))
      throw osc::MalformedPacketException(fault);
    bundleDepth = 0;
    osc::OscPacketListener::ProcessPacket(data, size, remote);
  } catch (const osc::Exception& error) {
    OSCLog::failure("osc::Exception in TaskMain(): ", error.what());
  }
}

void OSCHelper::ProcessBundle(const osc::ReceivedBundle& bundle, const IpEndpointName& remote) {
  // Time tags are ignored: everything is handled on arrival. The depth was checked with the
  // packet; this guard only keeps the recursion bounded on its own.
  if (bundleDepth >= OSCPacketValidator::kMaxBundleDepth)
    throw osc::MalformedBundleException("bundles nested too deeply");
  ++bundleDepth;
  for (auto i = bundle.ElementsBegin(); i != bundle.ElementsEnd(); ++i) {
    if (i->IsBundle())
      ProcessBundle(osc::ReceivedBundle(*i), remote);
    else
      ProcessMessage(osc::ReceivedMessage(*i), remote);
  }
  --bundleDepth;
}

void OSCHelper::ProcessMessage(const osc::ReceivedMessage& message, const IpEndpointName& remote) {
  const char* address = message.AddressPattern();
  try {
    OSCAddressSpace requests(*this);
    if (!requests.handle(message)) unknownAddress(address, message, remote);
  } catch (const osc::Exception& error) {
    OSCLog::requestError(address, error.what());
  } catch (const std::runtime_error& error) {
    // A reply that cannot be sent (its url names no usable port or host, or no socket is
    // left) concerns this request alone: it is dropped and the server listens on, so no
    // sender can silence the server with one datagram. The line is the one that such a
    // failure has always produced, so existing log readers still recognise it.
    OSCLog::failure(kRuntimeErrorPrefix, error.what());
  }
}

void OSCHelper::unknownAddress(const char*, const osc::ReceivedMessage&, const IpEndpointName&) {}

// --- Notification thread ------------------------------------------------------------------

void OSCHelper::notifyThreadMain(void* self) { static_cast<OSCHelper*>(self)->NotifyTaskMain(); }

void OSCHelper::NotifyTaskMain() {
  platform::Event* events[] = {&notifyQuit, &notifyData};
  SetParamQueue::Slot change;
  // Changes queued before the thread ran are sent at once.
  while (changes.Read(change)) sendChange(change);
  changes.reportOverflows();
  for (;;) {
    int which = platform::Event::waitAny(events, 2, platform::Event::kInfinite);
    if (which != 1) return;  // notify-quit
    while (changes.Read(change)) sendChange(change);
    changes.reportOverflows();
  }
}

void OSCHelper::sendChange(const SetParamQueue::Slot& change) {
  updates.forEach(change.index, [&change](const UpdateTarget& target) {
    try {
      OSCReplyPacket packet(target.reply.c_str());
      packet.stream() << static_cast<osc::int32>(change.index) << change.value;
      packet.finish();
      OSCSender sender(target.endpoint);
      sender.send(packet.data(), packet.size());
    } catch (const std::exception& error) {
      // One target that cannot be reached does not hold up the others.
      OSCLog::failure("skipped OSC notification: ", error.what());
    }
  });
}

}  // namespace HC
