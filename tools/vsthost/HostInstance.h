// The host side of one loaded plug-in instance as the host callback sees it: the options
// it answers with, the sample rate and block size it reports, and the record of every
// callback attributed to the instance.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "vsthost/CallbackRecord.h"
#include "vsthost/HostOptions.h"

namespace vsthost {

class HostInstance {
 public:
  explicit HostInstance(HostOptions options);

  // Stores the record, shows it to the options' observer and returns the host's answer
  // to it; writes answer texts to ptr. Any thread. Takes a lock and may allocate: this is
  // a test host, not a real-time one.
  intptr_t handle(const CallbackRecord& record, void* ptr);

  // Stores a record whose answer was already given (callbacks attributed late); the
  // list stays in arrival (sequence) order.
  void append(const CallbackRecord& record);

  std::vector<CallbackRecord> snapshot() const;
  void clear();

  void setSampleRate(float rate) { sampleRate_.store(rate); }
  void setBlockSize(int32_t frames) { blockSize_.store(frames); }

  // The answer a host with these settings gives; ptr receives strings where the opcode
  // asks for one (vendor and product, at most 63 characters plus the terminator).
  static intptr_t answer(const HostOptions& options, float sampleRate, int32_t blockSize,
                         int32_t opcode, void* ptr);

 private:
  const HostOptions options_;
  std::atomic<float> sampleRate_;
  std::atomic<int32_t> blockSize_;
  mutable std::mutex mutex_;
  std::vector<CallbackRecord> records_;
};

}  // namespace vsthost
