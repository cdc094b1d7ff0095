#include "faces/standalone/JackClient.h"

#include <cerrno>
#include <cstdio>

namespace {

std::string statusText(jack_status_t status) {
  if (status & JackServerFailed)
    return "no JACK server is running (start one, for example with qjackctl, or run PipeWire's "
           "JACK interface)";
  if (status & JackNameNotUnique) return "another JACK client already has this name";
  if (status & JackInvalidOption) return "JACK refused the client's options";
  if (status & JackVersionError) return "the JACK server speaks another protocol version";
  if (status & JackShmFailure) return "JACK's shared memory could not be reached";
  return "JACK could not open the client";
}

// libjack's own messages: on standard error with our prefix, except while the client opens,
// where a missing server would otherwise print several lines before our one clear message.
void quiet(const char*) {}
void toStandardError(const char* message) { std::fprintf(stderr, "JACK: %s\n", message); }

}  // namespace

JackClient::JackClient(const std::string& name, const std::string& server, Listener& listener)
    : listener(listener) {
  jack_status_t status{};
  jack_set_error_function(quiet);
  const int options = JackNoStartServer | JackUseExactName | (server.empty() ? 0 : JackServerName);
  client = server.empty()
               ? jack_client_open(name.c_str(), static_cast<jack_options_t>(options), &status)
               : jack_client_open(name.c_str(), static_cast<jack_options_t>(options), &status,
                                  server.c_str());
  jack_set_error_function(toStandardError);
  if (!client) {
    errorText = statusText(status);
    return;
  }
  for (int c = 0; c < 2; ++c) {
    inputs[c] = jack_port_register(client, kInputNames[c], JACK_DEFAULT_AUDIO_TYPE,
                                   JackPortIsInput, 0);
    outputs[c] = jack_port_register(client, kOutputNames[c], JACK_DEFAULT_AUDIO_TYPE,
                                    JackPortIsOutput, 0);
  }
  midiInput = jack_port_register(client, kMIDIInputName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1] || !midiInput) {
    errorText = "JACK could not register the client's ports";
    jack_client_close(client);
    client = nullptr;
    return;
  }
  jack_set_process_callback(client, onProcess, this);
  jack_set_sample_rate_callback(client, onSampleRate, this);
  jack_set_buffer_size_callback(client, onBufferSize, this);
  jack_set_latency_callback(client, onLatency, this);
  jack_on_info_shutdown(client, onShutdown, this);
}

JackClient::~JackClient() {
  if (!client) return;
  if (active && !gone.load()) jack_deactivate(client);
  jack_client_close(client);
}

std::string JackClient::name() const { return client ? jack_get_client_name(client) : ""; }

uint32_t JackClient::sampleRate() const { return client ? jack_get_sample_rate(client) : 0; }

uint32_t JackClient::bufferSize() const { return client ? jack_get_buffer_size(client) : 0; }

float JackClient::cpuLoad() const { return client ? jack_cpu_load(client) : 0.0f; }

bool JackClient::activate() {
  if (!client) return false;
  if (jack_activate(client) != 0) {
    errorText = "the JACK server refused to activate the client";
    return false;
  }
  active = true;
  return true;
}

std::string JackClient::connectPhysicalPorts() {
  std::string failed;
  auto connectEach = [&](unsigned long flags, jack_port_t* const ours[2], bool oursAreInputs) {
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                        JackPortIsPhysical | flags);
    for (int c = 0; c < 2 && ports && ports[c]; ++c) {
      const char* own = jack_port_name(ours[c]);
      const int result = oursAreInputs ? jack_connect(client, ports[c], own)
                                       : jack_connect(client, own, ports[c]);
      if (result != 0 && result != EEXIST)
        failed += (failed.empty() ? "" : ", ") + std::string(own) + " - " + ports[c];
    }
    if (ports) jack_free(ports);
  };
  // Physical capture ports are outputs of the system client, playback ports its inputs.
  connectEach(JackPortIsOutput, inputs, true);
  connectEach(JackPortIsInput, outputs, false);
  return failed;
}

void JackClient::latencyChanged() {
  if (client) jack_recompute_total_latencies(client);
}

int JackClient::onProcess(jack_nframes_t frames, void* self) {
  JackClient& me = *static_cast<JackClient*>(self);
  const float* in[2];
  float* out[2];
  for (int c = 0; c < 2; ++c) {
    in[c] = static_cast<const float*>(jack_port_get_buffer(me.inputs[c], frames));
    out[c] = static_cast<float*>(jack_port_get_buffer(me.outputs[c], frames));
  }
  me.listener.process(in, out, jack_port_get_buffer(me.midiInput, frames), frames,
                      jack_last_frame_time(me.client));
  return 0;
}

int JackClient::onSampleRate(jack_nframes_t rate, void* self) {
  static_cast<JackClient*>(self)->listener.sampleRateChanged(rate);
  return 0;
}

int JackClient::onBufferSize(jack_nframes_t frames, void* self) {
  static_cast<JackClient*>(self)->listener.bufferSizeChanged(frames);
  return 0;
}

// What reaches an output left an input `latency` samples earlier: each side reports the
// other side's latency plus ours, so that a recorder downstream can line the signal up.
void JackClient::onLatency(jack_latency_callback_mode_t mode, void* self) {
  JackClient& me = *static_cast<JackClient*>(self);
  const jack_nframes_t own = me.listener.latency();
  jack_latency_range_t range;
  if (mode == JackCaptureLatency) {
    for (int c = 0; c < 2; ++c) {
      jack_port_get_latency_range(me.inputs[c], mode, &range);
      range.min += own;
      range.max += own;
      jack_port_set_latency_range(me.outputs[c], mode, &range);
    }
  } else {
    for (int c = 0; c < 2; ++c) {
      jack_port_get_latency_range(me.outputs[c], mode, &range);
      range.min += own;
      range.max += own;
      jack_port_set_latency_range(me.inputs[c], mode, &range);
    }
  }
}

void JackClient::onShutdown(jack_status_t, const char* reason, void* self) {
  JackClient& me = *static_cast<JackClient*>(self);
  me.gone.store(true);
  me.listener.serverGone(reason);
}
