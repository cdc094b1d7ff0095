// A block's MIDI messages as a face hands them to the product: plain timestamped channel and
// system messages in the order the host delivered them. Faces turn their host's own event
// records into these and leave out what is not a MIDI message (system exclusive data,
// other event kinds).
//
// Threads: built and read on the thread that delivers the host's events (the audio thread);
// the list borrows its events for the length of one call.
#pragma once

#include <cstdint>

struct MIDIEvent {
  // Offset of the message in the block, in frames. Messages take effect when their block's
  // events are delivered, before the block is processed, whatever the offset.
  int32_t deltaFrames;
  uint8_t status;
  uint8_t data1;
  uint8_t data2;
};

struct MIDIEventList {
  const MIDIEvent* events;
  uint32_t count;
};
