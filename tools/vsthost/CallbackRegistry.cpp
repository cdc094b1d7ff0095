#include "vsthost/CallbackRegistry.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace vsthost {
namespace {

// canDo strings are short; a plug-in passing garbage must not make us read far.
constexpr size_t kMaxCanDoBytes = 256;

struct Registry {
  std::mutex mutex;
  std::unordered_map<AEffect*, std::shared_ptr<HostInstance>> instances;
  std::vector<CallbackRecord> orphans;
  std::atomic<uint64_t> sequence{0};
};

Registry& registry() {
  // Leaked on purpose: plug-in threads may still call back during static destruction.
  static Registry* instance = new Registry;
  return *instance;
}

thread_local std::shared_ptr<HostInstance> constructing;

}  // namespace

intptr_t CallbackRegistry::callback(AEffect* effect, int32_t opcode, int32_t index,
                                    intptr_t value, void* ptr, float opt) {
  Registry& reg = registry();
  CallbackRecord record;
  record.effect = effect;
  record.opcode = opcode;
  record.index = index;
  record.value = value;
  record.ptr = ptr;
  record.opt = opt;
  record.thread = std::this_thread::get_id();
  record.sequence = ++reg.sequence;
  if (opcode == audioMasterCanDo && ptr != nullptr) {
    const char* text = static_cast<const char*>(ptr);
    record.text.assign(text, strnlen(text, kMaxCanDoBytes));
  }

  std::shared_ptr<HostInstance> instance;
  if (effect != nullptr) {
    std::lock_guard<std::mutex> lock(reg.mutex);
    auto found = reg.instances.find(effect);
    if (found != reg.instances.end()) instance = found->second;
  }
  if (!instance) instance = constructing;
  if (instance) return instance->handle(record, ptr);

  {
    std::lock_guard<std::mutex> lock(reg.mutex);
    reg.orphans.push_back(record);
  }
  HostOptions defaults;
  return HostInstance::answer(defaults, defaults.sampleRate, defaults.blockSize, opcode, ptr);
}

CallbackRegistry::ConstructionScope::ConstructionScope(std::shared_ptr<HostInstance> instance)
    : previous_(std::move(constructing)), start_(registry().sequence.load() + 1) {
  constructing = std::move(instance);
}

CallbackRegistry::ConstructionScope::~ConstructionScope() { constructing = std::move(previous_); }

void CallbackRegistry::attach(AEffect* effect, const std::shared_ptr<HostInstance>& instance,
                              uint64_t since) {
  Registry& reg = registry();
  std::vector<CallbackRecord> moved;
  {
    std::lock_guard<std::mutex> lock(reg.mutex);
    reg.instances[effect] = instance;
    auto belongs = [&](const CallbackRecord& r) {
      return r.effect == effect && r.sequence >= since;
    };
    std::copy_if(reg.orphans.begin(), reg.orphans.end(), std::back_inserter(moved), belongs);
    reg.orphans.erase(std::remove_if(reg.orphans.begin(), reg.orphans.end(), belongs),
                      reg.orphans.end());
  }
  for (const CallbackRecord& r : moved) instance->append(r);
}

void CallbackRegistry::detach(AEffect* effect) {
  Registry& reg = registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  reg.instances.erase(effect);
}

std::vector<CallbackRecord> CallbackRegistry::orphans() {
  Registry& reg = registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  return reg.orphans;
}

void CallbackRegistry::clearOrphans() {
  Registry& reg = registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  reg.orphans.clear();
}

}  // namespace vsthost
