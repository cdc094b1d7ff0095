// What this process uses, read from /proc, for the benchmarks that measure CPU shares and
// memory of threads they do not own (render threads, GL driver workers).
//
// Threading: any thread; each call reads /proc afresh.
#pragma once

#include <functional>
#include <map>
#include <vector>

namespace benchsupport {

// CPU seconds (user + system) of every thread of this process, by thread id.
std::map<int, double> threadCpu();

// Calls idle() every 20 ms, `idles` times, and answers the share of one core that the
// threads existing now but not at `before` (the ones an opening started) used meanwhile.
double idlingShare(const std::map<int, double>& before, const std::function<void()>& idle,
                   int idles);

// CPU seconds (user + system) of the whole process so far, every thread counted.
double processCpu();

// Resident memory of this process in bytes.
double residentBytes();

// Resident memory growth of openOne(0) (which also pays for the process-wide libraries)
// and, per opening, of openOne(1) .. openOne(count), all kept open. False as soon as an
// opening fails.
bool openingsMemory(int count, const std::function<bool(int)>& openOne, double& firstBytes,
                    double& perFurtherBytes);

// Resident memory growth of each of openOne(0) .. openOne(count), all kept open, in
// opening order; settle(), when given, runs after every opening and before the reading,
// so that what an opening allocates after its first picture counts toward it. Each reading
// follows malloc_trim, so memory the allocator merely keeps counts for no one. False as
// soon as an opening fails.
bool openingsGrowth(int count, const std::function<bool(int)>& openOne,
                    const std::function<void()>& settle, std::vector<double>& growth);

// The median of the values (0 for none).
double median(std::vector<double> values);

}  // namespace benchsupport
