#include "standalone/JackTestClient.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cstring>

namespace standalonetest {

JackTestClient::JackTestClient(const std::string& server, const std::string& name, Role role)
    : role_(role) {
  jack_status_t status{};
  client_ = jack_client_open(
      name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName |
                                                JackUseExactName),
      &status, server.c_str());
  if (!client_) {
    error_ = "cannot open the test client " + name + " (status " +
             std::to_string(static_cast<int>(status)) + ")";
    return;
  }
  const unsigned long flags = role == Role::kPlayer ? JackPortIsOutput : JackPortIsInput;
  for (int c = 0; c < 2; ++c)
    audio_[c] = jack_port_register(client_, c == 0 ? "left" : "right", JACK_DEFAULT_AUDIO_TYPE,
                                   flags, 0);
  if (role == Role::kPlayer)
    midi_ = jack_port_register(client_, "midi", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(client_, onProcess, this);
  if (!audio_[0] || !audio_[1] || (role == Role::kPlayer && !midi_) || jack_activate(client_)) {
    error_ = "cannot set up the test client " + name;
    jack_client_close(client_);
    client_ = nullptr;
  }
}

JackTestClient::~JackTestClient() {
  if (!client_) return;
  jack_deactivate(client_);
  jack_client_close(client_);
}

std::string JackTestClient::audioPort(int c) const { return jack_port_name(audio_[c]); }

std::string JackTestClient::midiPort() const { return midi_ ? jack_port_name(midi_) : ""; }

jack_nframes_t JackTestClient::frameTime() const { return jack_frame_time(client_); }

void JackTestClient::play(std::vector<float> left, std::vector<float> right,
                          jack_nframes_t start) {
  // The process thread touches the signal only while playing_ is set.
  playing_.store(false);
  signal_[0] = std::move(left);
  signal_[1] = std::move(right);
  playStart_ = start;
  played_.store(false);
  playing_.store(true);
}

void JackTestClient::sendMIDI(uint8_t status, uint8_t data1, uint8_t data2) {
  const size_t at = queued_.load();
  if (at >= kMaxMessages) return;
  messages_[at] = {status, data1, data2};
  queued_.store(at + 1);
}

bool JackTestClient::done() const {
  return played_.load() && sentCount_.load() == queued_.load();
}

void JackTestClient::record(size_t frames) {
  recordingOn_.store(false);
  for (auto& channel : recording_) channel.assign(frames, 0.0f);
  recordedFrames_ = 0;
  recorded_.store(false);
  recordingOn_.store(true);
}

bool JackTestClient::recorded() const { return recorded_.load(); }

int JackTestClient::onProcess(jack_nframes_t frames, void* self) {
  JackTestClient& me = *static_cast<JackTestClient*>(self);
  if (me.role_ == Role::kPlayer)
    me.playPeriod(frames);
  else
    me.recordPeriod(frames);
  me.periods_.fetch_add(1);
  return 0;
}

void JackTestClient::playPeriod(jack_nframes_t frames) {
  const jack_nframes_t now = jack_last_frame_time(client_);
  for (int c = 0; c < 2; ++c) {
    float* out = static_cast<float*>(jack_port_get_buffer(audio_[c], frames));
    std::fill(out, out + frames, 0.0f);
    if (!playing_.load() || played_.load()) continue;
    const std::vector<float>& signal = signal_[c];
    for (jack_nframes_t n = 0; n < frames; ++n) {
      // Frame times wrap at 2^32; their difference does not.
      const int64_t index = static_cast<int32_t>(now + n - playStart_);
      if (index >= 0 && static_cast<size_t>(index) < signal.size())
        out[n] = signal[static_cast<size_t>(index)];
    }
  }
  if (playing_.load() && !played_.load() &&
      static_cast<int32_t>(now + frames - playStart_) >= static_cast<int32_t>(signal_[0].size()))
    played_.store(true);

  void* midi = jack_port_get_buffer(midi_, frames);
  jack_midi_clear_buffer(midi);
  const size_t queued = queued_.load();
  while (sent_ < queued) {
    if (jack_midi_event_write(midi, 0, messages_[sent_].data(), 3) != 0) break;
    ++sent_;
  }
  sentCount_.store(sent_);
}

void JackTestClient::recordPeriod(jack_nframes_t frames) {
  if (!recordingOn_.load() || recorded_.load()) return;
  if (recordedFrames_ == 0) recordStart_ = jack_last_frame_time(client_);
  const size_t take = std::min<size_t>(frames, recording_[0].size() - recordedFrames_);
  for (int c = 0; c < 2; ++c) {
    const float* in = static_cast<const float*>(jack_port_get_buffer(audio_[c], frames));
    std::memcpy(recording_[c].data() + recordedFrames_, in, take * sizeof(float));
  }
  recordedFrames_ += take;
  if (recordedFrames_ == recording_[0].size()) recorded_.store(true);
}

}  // namespace standalonetest
