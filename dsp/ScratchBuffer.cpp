#include "dsp/ScratchBuffer.h"

#include <cstddef>
#include <new>

bool ScratchBuffer::resize(int32_t size) {
  if (size < 1) size = 1;
  if (size == frames && storage) return true;
  // One half per channel, so that both channels can filter their blocks at once.
  float* larger = new (std::nothrow) float[2 * static_cast<size_t>(size)];
  if (!larger) return false;
  storage.reset(larger);
  frames = size;
  return true;
}
