// Reference-counted base of the text and list objects handed out by property queries.
// A new object has count 0; whoever keeps it retains it, and the last release deletes it.
#pragma once

#include <atomic>
#include <cstdint>

class CFType {
public:
  CFType() = default;
  virtual ~CFType() = default;
  CFType(const CFType&) = delete;
  CFType& operator=(const CFType&) = delete;

  void retain() { count.fetch_add(1, std::memory_order_relaxed); }
  // Drops one reference; the object is destroyed when it held the last one.
  void release() {
    if (count.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  int32_t retainCount() const { return count.load(std::memory_order_relaxed); }

private:
  std::atomic<int32_t> count{0};
};
