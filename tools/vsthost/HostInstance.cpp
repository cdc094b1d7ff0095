#include "vsthost/HostInstance.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace vsthost {
namespace {

// Vendor and product buffers are 64 bytes in VST 2.4.
constexpr size_t kHostStringBytes = 64;

intptr_t copyHostString(const std::string& text, void* ptr) {
  if (ptr == nullptr) return 0;
  char* out = static_cast<char*>(ptr);
  size_t n = text.size() < kHostStringBytes - 1 ? text.size() : kHostStringBytes - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return 1;
}

}  // namespace

HostInstance::HostInstance(HostOptions options)
    : options_(std::move(options)),
      sampleRate_(options_.sampleRate),
      blockSize_(options_.blockSize) {}

intptr_t HostInstance::handle(const CallbackRecord& record, void* ptr) {
  append(record);
  if (options_.observer) options_.observer(record);
  return answer(options_, sampleRate_.load(), blockSize_.load(), record.opcode, ptr);
}

void HostInstance::append(const CallbackRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Keep arrival order even for records attributed late.
  auto later = [](const CallbackRecord& a, const CallbackRecord& b) {
    return a.sequence < b.sequence;
  };
  records_.insert(std::upper_bound(records_.begin(), records_.end(), record, later), record);
}

std::vector<CallbackRecord> HostInstance::snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

void HostInstance::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.clear();
}

intptr_t HostInstance::answer(const HostOptions& options, float sampleRate, int32_t blockSize,
                              int32_t opcode, void* ptr) {
  switch (opcode) {
    case audioMasterVersion:
      return options.versionAnswer;
    case audioMasterGetSampleRate:
      return static_cast<intptr_t>(sampleRate);
    case audioMasterGetBlockSize:
      return blockSize;
    case audioMasterGetVendorString:
      return copyHostString(options.vendor, ptr);
    case audioMasterGetProductString:
      return copyHostString(options.product, ptr);
    case audioMasterGetVendorVersion:
      return 1;
    default:
      // Automate, idle, begin/end edit, update display, canDo, getTime (no transport), and
      // everything this host does not implement: 0.
      return 0;
  }
}

}  // namespace vsthost
