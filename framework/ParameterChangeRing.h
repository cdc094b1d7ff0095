// A bounded queue of parameter changes (index, plain value) that any number of threads may
// append to at once and one thread takes from, without locks.
//
// Threads: push() from any thread, real-time threads included: it never allocates, never
// takes a lock and never waits; two pushes race for a slot with one compare-and-swap and
// the loser takes the next one. pop() and countWaiting() on the one reader thread only (or
// while no reader runs). The ring is allocated at construction.
//
// Each slot carries a sequence number (the bounded queue of D. Vyukov): a writer claims the
// slot at the write position, fills it and then publishes it by advancing its sequence, so
// the reader never sees a half-written change. A claimed but not yet published slot looks
// empty to the reader; the writer wakes the reader after publishing, so it is read then.
// Changes keep the order in which writers claimed their slots.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

class ParameterChangeRing {
public:
  struct Change {
    int32_t index;
    float value;
    uint32_t stamp;  // the writer's own ordering mark, carried unchanged
  };

  // slots must be a power of two; at most slots - 1 changes wait at once.
  explicit ParameterChangeRing(uint32_t slots);
  ParameterChangeRing(const ParameterChangeRing&) = delete;
  ParameterChangeRing& operator=(const ParameterChangeRing&) = delete;

  // Appends a change; false when slots - 1 changes already wait (nothing is stored).
  bool push(int32_t index, float value, uint32_t stamp = 0);
  // Takes the oldest published change; false when there is none.
  bool pop(Change& out);
  // Changes waiting, published or about to be.
  uint32_t countWaiting() const;
  uint32_t capacity() const { return mask; }

private:
  struct Slot {
    std::atomic<uint32_t> sequence;
    Change change;
  };

  std::unique_ptr<Slot[]> slots;
  uint32_t mask;
  // Free-running positions; the slot is position & mask. Apart, so that writers and the
  // reader do not share a cache line.
  alignas(64) std::atomic<uint32_t> writePosition{0};
  alignas(64) std::atomic<uint32_t> readPosition{0};
};
