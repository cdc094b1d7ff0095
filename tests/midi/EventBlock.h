#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/AEffect.h"

namespace miditest {

// An event block as a host builds it; the events live as long as the block.
class EventBlock {
public:
  EventBlock& midi(uint8_t status, uint8_t data1, uint8_t data2);
  EventBlock& sysex();
  VstEvents* events();
  size_t size() const { return midiEvents.size(); }

private:
  std::vector<VstMidiEvent> midiEvents;
  std::vector<VstEvent*> pointers;
  std::vector<unsigned char> storage;
};

}  // namespace miditest
