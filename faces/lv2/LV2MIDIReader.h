// Turns the MIDI events of an LV2 atom sequence into the plain messages the product takes
// (MIDIEvent), checking the sequence as it goes: a sequence of another type, events that
// run past the sequence's end, events of other types, messages of more than three bytes
// (system exclusive) or without a status byte are left out; offsets are clamped into the
// block. Nothing is allocated.
//
// Threading: read() runs on the audio thread; an object is used by one thread at a time.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>

#include "framework/MIDIEventList.h"

namespace lv2face {

class LV2MIDIReader {
 public:
  // URIDs of atom:Sequence, midi:MidiEvent and atom:frameTime; 0 (no map) reads nothing.
  LV2MIDIReader(LV2_URID sequenceType, LV2_URID midiEventType, LV2_URID frameTime);

  // Reads up to capacity messages of the sequence into out, beginning at cursor (0 for
  // the first call) and leaving cursor at the next event; returns how many it wrote. A
  // caller continues while the answer equals capacity. frames is the block's length.
  uint32_t read(const LV2_Atom_Sequence* sequence, uint32_t frames, MIDIEvent* out,
                uint32_t capacity, uint32_t& cursor) const;

 private:
  LV2_URID sequenceType;
  LV2_URID midiEventType;
  LV2_URID frameTime;
};

}  // namespace lv2face
