#include "osc/UpdateRegistrations.h"

#include "platform/ScopedLock.h"

namespace HC {

UpdateRegistrations::UpdateRegistrations(int32_t parameterCount)
    : count(parameterCount > 0 ? parameterCount : 0),
      flags(new std::atomic<uint8_t>[static_cast<size_t>(count)]) {
  for (int32_t i = 0; i < count; ++i) flags[i].store(0, std::memory_order_relaxed);
}

UpdateRegistrations::Result UpdateRegistrations::add(int32_t index, const UpdateTarget& target) {
  if (index < 0 || index >= count) return Result::kNoSuchParameter;
  platform::ScopedLock hold(lock);
  auto range = entries.equal_range(index);
  for (auto i = range.first; i != range.second; ++i)
    if (i->second == target) return Result::kAlreadyThere;
  if (entries.size() >= kMaxRegistrations) return Result::kFull;
  // A multimap inserts after the entries with an equal key: registration order is kept.
  entries.emplace(index, target);
  flags[index].store(1, std::memory_order_relaxed);
  return Result::kAdded;
}

bool UpdateRegistrations::remove(int32_t index, const UpdateTarget& target) {
  if (index < 0 || index >= count) return false;
  platform::ScopedLock hold(lock);
  bool removed = false;
  auto range = entries.equal_range(index);
  for (auto i = range.first; i != range.second; ++i) {
    if (i->second == target) {
      entries.erase(i);
      removed = true;
      break;
    }
  }
  if (entries.count(index) == 0) flags[index].store(0, std::memory_order_relaxed);
  return removed;
}

void UpdateRegistrations::forEach(int32_t index,
                                  const std::function<void(const UpdateTarget&)>& visit) const {
  platform::ScopedLock hold(lock);
  auto range = entries.equal_range(index);
  for (auto i = range.first; i != range.second; ++i) visit(i->second);
}

void UpdateRegistrations::forAll(const std::function<void(int32_t, const UpdateTarget&)>& visit) const {
  platform::ScopedLock hold(lock);
  for (const auto& entry : entries) visit(entry.first, entry.second);
}

size_t UpdateRegistrations::size() const {
  platform::ScopedLock hold(lock);
  return entries.size();
}

}  // namespace HC
