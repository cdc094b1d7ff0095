// A JACK client for tests, in one of two roles, so that the graph player -> application ->
// recorder has no cycle (a cycle would delay one of its connections by a period):
// - a player: two audio outputs that play a signal from a chosen frame time on (silence
//   before and after), and a MIDI output that sends queued messages in the next period;
// - a recorder: two audio inputs recorded, with the frame time of each period, into
//   buffers reserved beforehand.
//
// Threading: methods on the test's thread; the process callback on JACK's thread shares only
// atomics and buffers whose ownership an atomic hands over.
#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace standalonetest {

class JackTestClient {
 public:
  enum class Role { kPlayer, kRecorder };

  JackTestClient(const std::string& server, const std::string& name, Role role);
  ~JackTestClient();
  JackTestClient(const JackTestClient&) = delete;
  JackTestClient& operator=(const JackTestClient&) = delete;

  bool ok() const { return client_ != nullptr; }
  const std::string& error() const { return error_; }
  jack_client_t* client() const { return client_; }
  // "name:port" of audio port c (0 or 1), and of the MIDI output.
  std::string audioPort(int c) const;
  std::string midiPort() const;
  // The frame time of the current period's start (JACK's clock, shared by all clients).
  jack_nframes_t frameTime() const;

  // Player: plays `left` and `right` (the same length) from frame time `start` on.
  void play(std::vector<float> left, std::vector<float> right, jack_nframes_t start);
  // Player: the three bytes of a MIDI message, sent at the start of the next period.
  void sendMIDI(uint8_t status, uint8_t data1, uint8_t data2);
  // Whether the whole signal has been played and every queued message sent.
  bool done() const;
  // Periods this client has processed: waiting for a few more after done() makes sure that
  // the clients downstream have processed what it played.
  uint64_t periods() const { return periods_.load(); }

  // Recorder: records `frames` frames from the next period on.
  void record(size_t frames);
  bool recorded() const;
  // After recorded(): the frame time of the first recorded sample, and the samples.
  jack_nframes_t recordStart() const { return recordStart_; }
  const std::vector<float>& recording(int c) const { return recording_[static_cast<size_t>(c)]; }

 private:
  static int onProcess(jack_nframes_t frames, void* self);
  void playPeriod(jack_nframes_t frames);
  void recordPeriod(jack_nframes_t frames);

  Role role_;
  jack_client_t* client_ = nullptr;
  jack_port_t* audio_[2] = {nullptr, nullptr};
  jack_port_t* midi_ = nullptr;
  std::string error_;

  std::vector<float> signal_[2];
  jack_nframes_t playStart_ = 0;
  std::atomic<bool> playing_{false};
  std::atomic<bool> played_{true};

  static constexpr size_t kMaxMessages = 16;
  std::array<std::array<uint8_t, 3>, kMaxMessages> messages_{};
  std::atomic<size_t> queued_{0};
  size_t sent_ = 0;  // process thread
  std::atomic<size_t> sentCount_{0};

  std::vector<float> recording_[2];
  size_t recordedFrames_ = 0;  // process thread
  jack_nframes_t recordStart_ = 0;
  std::atomic<bool> recordingOn_{false};
  std::atomic<bool> recorded_{false};
  std::atomic<uint64_t> periods_{0};
};

}  // namespace standalonetest
