// The processor time the calling thread has used, in nanoseconds since it started. Unlike
// wall-clock time it does not advance while the thread waits or is preempted by others.
//
// Threads: any; each thread reads its own clock. Costs a system call: read it rarely (the
// script budget reads it only once a wall-clock deadline has passed). On Windows it
// advances in steps of the scheduler's tick (about 15.6 ms; 10 ms under Wine, which reads
// Linux's tick counts): kThreadCPUTimeStepNs is the largest step it may take.
#pragma once

#include <cstdint>

namespace platform {

int64_t threadCPUTimeNs();

#ifdef _WIN32
constexpr int64_t kThreadCPUTimeStepNs = 15625000;
#else
constexpr int64_t kThreadCPUTimeStepNs = 0;  // CLOCK_THREAD_CPUTIME_ID counts nanoseconds
#endif

}  // namespace platform
