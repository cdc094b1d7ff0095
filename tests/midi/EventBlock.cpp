#include "EventBlock.h"

#include <cstddef>
#include <cstring>

namespace miditest {

EventBlock& EventBlock::midi(uint8_t status, uint8_t data1, uint8_t data2) {
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.midiData[0] = static_cast<char>(status);
  event.midiData[1] = static_cast<char>(data1);
  event.midiData[2] = static_cast<char>(data2);
  midiEvents.push_back(event);
  return *this;
}

EventBlock& EventBlock::sysex() {
  // Shaped like a MIDI event with a note-on in its data bytes, but of the sysex type.
  VstMidiEvent event{};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiEvent);
  event.midiData[0] = static_cast<char>(0x90);
  event.midiData[1] = 60;
  event.midiData[2] = 100;
  midiEvents.push_back(event);
  return *this;
}

VstEvents* EventBlock::events() {
  pointers.clear();
  for (auto& event : midiEvents) pointers.push_back(reinterpret_cast<VstEvent*>(&event));
  size_t bytes = offsetof(VstEvents, events) + sizeof(VstEvent*) * (pointers.size() + 2);
  storage.assign(bytes, 0);
  auto* block = reinterpret_cast<VstEvents*>(storage.data());
  block->numEvents = static_cast<int32_t>(pointers.size());
  if (!pointers.empty())
    std::memcpy(storage.data() + offsetof(VstEvents, events), pointers.data(),
                sizeof(VstEvent*) * pointers.size());
  return block;
}

MIDIEventList EventBlock::list() {
  messages.clear();
  for (const auto& event : midiEvents) {
    if (event.type != kVstMidiType) continue;
    messages.push_back({event.deltaFrames, static_cast<uint8_t>(event.midiData[0]),
                        static_cast<uint8_t>(event.midiData[1]),
                        static_cast<uint8_t>(event.midiData[2])});
  }
  return {messages.data(), static_cast<uint32_t>(messages.size())};
}

}  // namespace miditest
