#include "ProcessUsage.h"

#include <dirent.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace benchsupport {

std::map<int, double> threadCpu() {
  std::map<int, double> out;
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) return out;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream stat(std::string("/proc/self/task/") + entry->d_name + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
    size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::vector<std::string> fields;
    size_t at = close + 2;
    while (at < line.size()) {
      size_t space = line.find(' ', at);
      fields.push_back(line.substr(at, space - at));
      if (space == std::string::npos) break;
      at = space + 1;
    }
    if (fields.size() < 13) continue;
    out[std::stoi(entry->d_name)] = (std::stod(fields[11]) + std::stod(fields[12])) / tick;
  }
  closedir(dir);
  return out;
}

double idlingShare(const std::map<int, double>& before, const std::function<void()>& idle,
                   int idles) {
  std::map<int, double> start = threadCpu();
  auto wallStart = std::chrono::steady_clock::now();
  for (int i = 0; i < idles; ++i) {
    idle();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::map<int, double> end = threadCpu();
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  double cpu = 0.0;
  for (const auto& thread : end) {
    auto atStart = start.find(thread.first);
    if (!before.count(thread.first) && atStart != start.end()) cpu += thread.second - atStart->second;
  }
  return wall > 0.0 ? cpu / wall : 0.0;
}

double processCpu() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0.0;
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double residentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

bool openingsMemory(int count, const std::function<bool(int)>& openOne, double& firstBytes,
                    double& perFurtherBytes) {
  double start = residentBytes();
  if (!openOne(0)) return false;
  double afterFirst = residentBytes();
  for (int i = 1; i <= count; ++i)
    if (!openOne(i)) return false;
  firstBytes = afterFirst - start;
  perFurtherBytes = count > 0 ? (residentBytes() - afterFirst) / count : 0.0;
  return true;
}

bool openingsGrowth(int count, const std::function<bool(int)>& openOne,
                    const std::function<void()>& settle, std::vector<double>& growth) {
  growth.clear();
  // Freed memory that the allocator keeps (an earlier editor's, in arenas of threads that
  // ended) would otherwise be counted for nothing against the first editor that reuses it.
  malloc_trim(0);
  double before = residentBytes();
  for (int i = 0; i <= count; ++i) {
    if (!openOne(i)) return false;
    if (settle) settle();
    malloc_trim(0);
    double now = residentBytes();
    growth.push_back(now - before);
    before = now;
  }
  return true;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

}  // namespace benchsupport
