#include "framework/HvcProgramBasic.h"

#include <cstring>

static_assert(std::atomic<float>::is_always_lock_free, "parameter values must be lock-free");

HvcProgramBasic::HvcProgramBasic() {
  for (auto& value : values) value.store(0.0f, std::memory_order_relaxed);
  name[0] = 0;
}

void HvcProgramBasic::setName(const char* text) {
  std::strncpy(name, text ? text : "", kNameSize);
  name[kNameSize - 1] = 0;
}
