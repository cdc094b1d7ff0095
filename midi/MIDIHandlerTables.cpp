#include "midi/MIDIHandlerTables.h"

#include <new>

namespace HC {

bool MIDIHandlerTables::addAll(Kind kind, int reference) {
  if (kind < 0 || kind >= kNumKinds || full()) return false;
  try {
    all[kind].push_back(reference);
  } catch (const std::bad_alloc&) {
    return false;
  }
  ++references;
  return true;
}

bool MIDIHandlerTables::addKeyed(Kind kind, int32_t key, int reference) {
  if (kind < 0 || kind >= kNumKeyedKinds || full()) return false;
  try {
    keyedLists[kind][key].push_back(reference);
  } catch (const std::bad_alloc&) {
    return false;
  }
  ++references;
  return true;
}

const std::vector<int>* MIDIHandlerTables::keyed(Kind kind, int32_t key) const {
  if (kind < 0 || kind >= kNumKeyedKinds) return nullptr;
  auto found = keyedLists[kind].find(key);
  return found == keyedLists[kind].end() ? nullptr : &found->second;
}

void MIDIHandlerTables::clear() {
  for (auto& list : all) list.clear();
  for (auto& map : keyedLists) map.clear();
  references = 0;
}

}  // namespace HC
