#include "faces/standalone/JackMIDIReader.h"

#include <jack/midiport.h>

namespace {

// A message the product can take: up to three bytes, starting with a status byte, and not
// system exclusive data (which a VST host delivers as another kind of event).
bool isShortMessage(const jack_midi_event_t& event) {
  return event.size >= 1 && event.size <= 3 && event.buffer[0] >= 0x80 &&
         event.buffer[0] != 0xF0 && event.buffer[0] != 0xF7;
}

}  // namespace

MIDIEventList JackMIDIReader::read(void* buffer, uint32_t frames) noexcept {
  uint32_t count = 0;
  if (buffer) {
    const uint32_t available = jack_midi_get_event_count(buffer);
    for (uint32_t i = 0; i < available && count < kMaxEvents; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) != 0 || !isShortMessage(event)) continue;
      MIDIEvent& out = events[count++];
      out.deltaFrames = static_cast<int32_t>(event.time < frames ? event.time : (frames > 0 ? frames - 1 : 0));
      out.status = event.buffer[0];
      out.data1 = event.size > 1 ? event.buffer[1] : 0;
      out.data2 = event.size > 2 ? event.buffer[2] : 0;
    }
  }
  return MIDIEventList{events.data(), count};
}
