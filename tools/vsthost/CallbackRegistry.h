// The one host callback handed to every plug-in, and the process-wide map that tells it
// which hosted instance a call belongs to.
//
// A plug-in calls back with its effect record, except while VSTPluginMain runs, when it
// has none to give yet (null). Calls are attributed in this order:
//   1. a record that is attached: to its instance;
//   2. otherwise, on a thread inside a ConstructionScope: to the instance being created;
//   3. otherwise: to the orphan list. When a record is attached, orphans that carry that
//      record and arrived after its construction began move to its instance (a plug-in
//      thread started during VSTPluginMain may call back before the entry returns).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "faces/vst2/AEffect.h"
#include "vsthost/CallbackRecord.h"
#include "vsthost/HostInstance.h"

namespace vsthost {

class CallbackRegistry {
 public:
  // The audioMasterCallback. Any thread.
  static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                           void* ptr, float opt);

  // Marks the calling thread as creating `instance` for the scope's lifetime. Scopes nest.
  class ConstructionScope {
   public:
    explicit ConstructionScope(std::shared_ptr<HostInstance> instance);
    ~ConstructionScope();
    ConstructionScope(const ConstructionScope&) = delete;
    ConstructionScope& operator=(const ConstructionScope&) = delete;
    // Sequence number of the first callback that may belong to this construction.
    uint64_t start() const { return start_; }

   private:
    std::shared_ptr<HostInstance> previous_;
    uint64_t start_;
  };

  // From now on calls carrying `effect` go to `instance`; orphans with that record and a
  // sequence number of at least `since` are moved to it.
  static void attach(AEffect* effect, const std::shared_ptr<HostInstance>& instance,
                     uint64_t since);
  // Calls carrying `effect` become orphans again (after effClose).
  static void detach(AEffect* effect);

  // Callbacks that could not be attributed to any instance.
  static std::vector<CallbackRecord> orphans();
  static void clearOrphans();
};

}  // namespace vsthost
