#include "support/RecordingHost.h"

void RecordingHost::add(const Call& call) {
  std::lock_guard<std::mutex> hold(lock);
  record.push_back(call);
}

std::vector<RecordingHost::Call> RecordingHost::calls() const {
  std::lock_guard<std::mutex> hold(lock);
  return record;
}

std::vector<RecordingHost::Kind> RecordingHost::kinds() const {
  std::lock_guard<std::mutex> hold(lock);
  std::vector<Kind> kinds;
  for (const Call& call : record) kinds.push_back(call.kind);
  return kinds;
}

int RecordingHost::count(Kind kind) const {
  std::lock_guard<std::mutex> hold(lock);
  int n = 0;
  for (const Call& call : record) n += call.kind == kind ? 1 : 0;
  return n;
}

void RecordingHost::clear() {
  std::lock_guard<std::mutex> hold(lock);
  record.clear();
}
