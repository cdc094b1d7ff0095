// Who wants to be told of which parameter's changes: an ordered multimap from parameter
// index to UpdateTarget (entries of one index in the order of registration), guarded by
// its own lock, and one flag per parameter that the effect's setter reads without a lock
// to decide cheaply whether anybody listens.
//
// Registrations live in memory only, for the life of the OSC server object.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
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
  static constexpr int32_t kParameters = 40;
  // Bound on all registrations together, so that a client cannot grow the table (and the
  // work of every parameter change) without limit.
  static constexpr size_t kMaxRegistrations = 1024;

  UpdateRegistrations();
  UpdateRegistrations(const UpdateRegistrations&) = delete;
  UpdateRegistrations& operator=(const UpdateRegistrations&) = delete;

  enum class Result { kAdded, kAlreadyThere, kFull };

  // index must be 0..kParameters-1. An equal target under the index is not added twice.
  Result add(int32_t index, const UpdateTarget& target);
  // Removes the first equal target under the index, if any; clears the flag when no entry
  // remains under it. True when one was removed.
  bool remove(int32_t index, const UpdateTarget& target);

  // The flag of the index: true while at least one registration exists for it. Any thread.
  bool wanted(int32_t index) const {
    return index >= 0 && index < kParameters && flags[index].load(std::memory_order_relaxed) != 0;
  }

  // Calls visit for the entries under index, in order, holding the lock.
  void forEach(int32_t index, const std::function<void(const UpdateTarget&)>& visit) const;
  // Calls visit for every entry in map order (ascending index, then registration order),
  // holding the lock.
  void forAll(const std::function<void(int32_t, const UpdateTarget&)>& visit) const;
  size_t size() const;

private:
  std::multimap<int32_t, UpdateTarget> entries;
  std::atomic<uint8_t> flags[kParameters];
  mutable platform::Mutex lock;
};

}  // namespace HC
