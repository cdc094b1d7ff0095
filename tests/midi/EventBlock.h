#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "faces/vst2/AEffect.h"
#include "framework/MIDIEventList.h"

namespace miditest {

// An event block as a host builds it; the events live as long as the block.
class EventBlock {
public:
  EventBlock& midi(uint8_t status, uint8_t data1, uint8_t data2);
  EventBlock& sysex();
  // The block as a VST host hands it to the plug-in.
  VstEvents* events();
  // The block as a face hands it to the product: its MIDI messages in order, without the
  // events of other types.
  MIDIEventList list();
  size_t size() const { return midiEvents.size(); }

private:
  std::vector<VstMidiEvent> midiEvents;
  std::vector<VstEvent*> pointers;
  std::vector<unsigned char> storage;
  std::vector<MIDIEvent> messages;
};

}  // namespace miditest
