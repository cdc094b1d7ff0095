// Counts the heap allocations a test program makes while a count runs. The source file
// replaces the global operator new and delete, so it belongs to the SOURCES of the programs
// that count (not to a library every program links).
//
// Threads: allocations on every thread count; one count at a time.
#pragma once

namespace testsupport {

class AllocationCount {
public:
  AllocationCount();   // counts from zero from now on
  ~AllocationCount();  // stops counting
  AllocationCount(const AllocationCount&) = delete;
  AllocationCount& operator=(const AllocationCount&) = delete;

  // Stops counting; the allocations made meanwhile.
  long stop();
};

}  // namespace testsupport
