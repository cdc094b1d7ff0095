// The handler references that scripts registered, by event kind: one list per kind for
// "all events" requests, and for six kinds an ordered map from a key (note, controller,
// NRPN or program number) to a list. Lists keep registration order, duplicates included,
// and only grow. Entries are references into the script state's registry.
//
// The tables hold at most kMaxReferences entries in all. A handler that requests itself is
// called again for the same event, so without a bound such a script would go on adding
// and calling handlers until its memory ran out, and every later event would then take
// ages on the host's audio thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace HC {

class MIDIHandlerTables {
public:
  enum Kind {
    kNoteOn,
    kNoteOff,
    kControlChange,
    kNRPN,
    kProgramChange,
    kPolyPressure,
    kPitchWheel,       // all-events list only
    kChannelPressure,  // all-events list only
    kNumKinds
  };
  static constexpr int kNumKeyedKinds = kPitchWheel;
  static constexpr size_t kMaxReferences = 4096;

  // Appends a reference; false (and nothing stored) when memory runs out or the tables
  // are full.
  bool addAll(Kind kind, int reference);
  bool addKeyed(Kind kind, int32_t key, int reference);

  size_t allCount(Kind kind) const { return all[kind].size(); }
  int allAt(Kind kind, size_t i) const { return all[kind][i]; }
  // The keyed list for key, or null. The list stays at its address while the tables live.
  const std::vector<int>* keyed(Kind kind, int32_t key) const;

  // Entries in all tables together.
  size_t size() const { return references; }
  bool full() const { return references >= kMaxReferences; }

  void clear();

private:
  std::vector<int> all[kNumKinds];
  std::map<int32_t, std::vector<int>> keyedLists[kNumKeyedKinds];
  size_t references = 0;
};

}  // namespace HC
