// Who wants to be told of which parameter's changes: an ordered multimap from parameter
// index to UpdateTarget (entries of one index in the order of registration), guarded by
// its own lock, and one flag per parameter that the effect's setter reads without a lock
// to decide cheaply whether anybody listens. The number of parameters is the effect's,
// given at construction, so the flags always cover exactly its parameter table.
//
// Threading: add, remove, forEach, forAll and size may be called from any thread (they
// take the lock); wanted() takes no lock and never waits, for the host's setter.
// Registrations live in memory only, for the life of the OSC server object.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "osc/OSCEndpoint.h"
#include "platform/Mutex.h"

namespace HC {

struct UpdateTarget {
  OSCEndpoint endpoint;  // resolved when the registration was made
  std::string reply;     // OSC address of the notification messages

  bool operator==(const UpdateTarget& other) const {
    return endpoint == other.endpoint && reply == other.reply;
  }
};

class UpdateRegistrations {
public:
  // Bound on all registrations together, so that a client cannot grow the table (and the
  // work of every parameter change) without limit.
  static constexpr size_t kMaxRegistrations = 1024;

  // Flags for the parameter indices 0..parameterCount-1 (none when it is not positive).
  explicit UpdateRegistrations(int32_t parameterCount);
  UpdateRegistrations(const UpdateRegistrations&) = delete;
  UpdateRegistrations& operator=(const UpdateRegistrations&) = delete;

  enum class Result { kAdded, kAlreadyThere, kFull, kNoSuchParameter };

  // An equal target under the index is not added twice; an index outside the parameters
  // is refused.
  Result add(int32_t index, const UpdateTarget& target);
  // Removes the first equal target under the index, if any; clears the flag when no entry
  // remains under it. True when one was removed.
  bool remove(int32_t index, const UpdateTarget& target);

  // The flag of the index: true while at least one registration exists for it. Any thread.
  bool wanted(int32_t index) const {
    return index >= 0 && index < count && flags[index].load(std::memory_order_relaxed) != 0;
  }
  int32_t parameterCount() const { return count; }

  // Calls visit for the entries under index, in order, holding the lock.
  void forEach(int32_t index, const std::function<void(const UpdateTarget&)>& visit) const;
  // Calls visit for every entry in map order (ascending index, then registration order),
  // holding the lock.
  void forAll(const std::function<void(int32_t, const UpdateTarget&)>& visit) const;
  size_t size() const;

private:
  std::multimap<int32_t, UpdateTarget> entries;
  const int32_t count;
  const std::unique_ptr<std::atomic<uint8_t>[]> flags;
  mutable platform::Mutex lock;
};

}  // namespace HC
