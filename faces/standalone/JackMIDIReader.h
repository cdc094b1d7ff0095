// Turns a period's JACK MIDI buffer into the plain message list the product takes: every
// message of one to three bytes that starts with a status byte, in the order JACK delivered
// them, with their frame offsets (missing data bytes read 0). System exclusive data and
// fragments without a status byte are left out, as VST hosts deliver only short messages as
// MIDI events.
//
// Threads: the JACK process thread only. The list lives in a fixed array: nothing is
// allocated, and messages beyond kMaxEvents in one period are dropped.
#pragma once

#include <array>
#include <cstdint>

#include "framework/MIDIEventList.h"

class JackMIDIReader {
public:
  static constexpr uint32_t kMaxEvents = 1024;

  // The messages of buffer (a JACK MIDI port buffer of the current period; null: none).
  MIDIEventList read(void* buffer, uint32_t frames) noexcept;

private:
  std::array<MIDIEvent, kMaxEvents> events{};
};
