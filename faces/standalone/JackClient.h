// One JACK client with the standalone's ports: two audio inputs, two audio outputs and one
// MIDI input. It owns the client and its ports (closed in the destructor, which deactivates
// first), installs the callbacks and hands them to a JackClient::Listener.
//
// Threads: the constructor, activate(), connect*() and the destructor on the main thread.
// Listener::process runs on JACK's real-time thread and must not allocate, lock or wait;
// Listener::bufferSizeChanged and latencyRequested on JACK's notification thread while
// processing is held; serverGone on a JACK thread (it may only set a flag).
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class JackClient {
public:
  // The port names a patchbay shows after the client name.
  static constexpr const char* kInputNames[2] = {"Input L", "Input R"};
  static constexpr const char* kOutputNames[2] = {"Output L", "Output R"};
  static constexpr const char* kMIDIInputName = "MIDI In";

  class Listener {
  public:
    virtual ~Listener() = default;
    // One period: audio buffers of `frames` samples, the MIDI port's buffer and the frame
    // time of the period's first sample (JACK's clock, the same for every client).
    virtual void process(const float* const inputs[2], float* const outputs[2],
                         void* midiBuffer, uint32_t frames, uint32_t frameTime) noexcept = 0;
    // The server's rate or period changed; the next process() call has the new one.
    virtual void sampleRateChanged(uint32_t rate) = 0;
    virtual void bufferSizeChanged(uint32_t frames) = 0;
    // The delay from input to output, in samples, that the ports report.
    virtual uint32_t latency() const = 0;
    // The server shut the client down or went away.
    virtual void serverGone(const char* reason) noexcept = 0;
  };

  // Opens the client `name` on the server `server` (empty: the default server, or
  // $JACK_DEFAULT_SERVER) without starting a server, and registers the ports. valid() is
  // false with error() set when there is no server or the name is taken.
  JackClient(const std::string& name, const std::string& server, Listener& listener);
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  bool valid() const { return client != nullptr; }
  jack_client_t* handle() const { return client; }
  const std::string& error() const { return errorText; }
  // The name the server gave (the same as asked: the client is opened with JackUseExactName).
  std::string name() const;
  uint32_t sampleRate() const;
  uint32_t bufferSize() const;

  // Starts processing. False with error() set when the server refuses.
  bool activate();
  // The inputs to the first physical capture ports and the outputs to the first physical
  // playback ports; as many as exist. Returns a text naming the connections that failed.
  std::string connectPhysicalPorts();
  // Asks the server to recompute latencies (after the listener's latency changed).
  void latencyChanged();
  // JACK's view of its load, in percent of a period.
  float cpuLoad() const;

private:
  static int onProcess(jack_nframes_t frames, void* self);
  static int onSampleRate(jack_nframes_t rate, void* self);
  static int onBufferSize(jack_nframes_t frames, void* self);
  static void onLatency(jack_latency_callback_mode_t mode, void* self);
  static void onShutdown(jack_status_t code, const char* reason, void* self);

  Listener& listener;
  jack_client_t* client = nullptr;
  jack_port_t* inputs[2] = {nullptr, nullptr};
  jack_port_t* outputs[2] = {nullptr, nullptr};
  jack_port_t* midiInput = nullptr;
  bool active = false;
  // Set by the shutdown callback: the server is gone, and deactivating would wait for it.
  std::atomic<bool> gone{false};
  std::string errorText;
};
