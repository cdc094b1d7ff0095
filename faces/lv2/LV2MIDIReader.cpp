#include "faces/lv2/LV2MIDIReader.h"

namespace lv2face {

LV2MIDIReader::LV2MIDIReader(LV2_URID sequenceType, LV2_URID midiEventType, LV2_URID frameTime)
    : sequenceType(sequenceType), midiEventType(midiEventType), frameTime(frameTime) {}

uint32_t LV2MIDIReader::read(const LV2_Atom_Sequence* sequence, uint32_t frames, MIDIEvent* out,
                             uint32_t capacity, uint32_t& cursor) const {
  if (!sequence || !out || sequenceType == 0 || sequence->atom.type != sequenceType) return 0;
  // Sizes are the host's word; every step below stays inside the size it gives.
  const uint64_t bodySize = sequence->atom.size;
  if (bodySize < sizeof(LV2_Atom_Sequence_Body)) return 0;
  // Offsets in beats (or any unit but frames) cannot be placed in the block: at its start.
  const bool inFrames = sequence->body.unit == 0 || sequence->body.unit == frameTime;
  const auto* body = reinterpret_cast<const uint8_t*>(&sequence->body);
  uint64_t offset = cursor < sizeof(LV2_Atom_Sequence_Body) ? sizeof(LV2_Atom_Sequence_Body)
                                                           : cursor;
  uint32_t count = 0;
  while (count < capacity && offset + sizeof(LV2_Atom_Event) <= bodySize) {
    const auto* event = reinterpret_cast<const LV2_Atom_Event*>(body + offset);
    const uint64_t size = event->body.size;
    if (size > bodySize - offset - sizeof(LV2_Atom_Event)) {
      offset = bodySize;  // runs past the end: nothing after it can be trusted
      break;
    }
    offset += sizeof(LV2_Atom_Event) + ((size + 7u) & ~uint64_t{7});
    if (event->body.type != midiEventType || size < 1 || size > 3) continue;
    const auto* bytes = reinterpret_cast<const uint8_t*>(event + 1);
    if (bytes[0] < 0x80) continue;
    int64_t at = inFrames ? event->time.frames : 0;
    if (at < 0) at = 0;
    if (frames > 0 && at >= static_cast<int64_t>(frames)) at = frames - 1;
    if (frames == 0) at = 0;
    out[count++] = {static_cast<int32_t>(at), bytes[0], size > 1 ? bytes[1] : uint8_t{0},
                    size > 2 ? bytes[2] : uint8_t{0}};
  }
  cursor = offset > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(offset);
  return count;
}

}  // namespace lv2face
