// The block scratch buffer that the channel kernels share: one half of size() floats per
// channel, in which each kernel makes the filtered copy of its block. Its contents are
// undefined between blocks.
//
// Threads: resize on a host thread while processing is suspended; the kernels read and
// write their halves on the audio thread.
#pragma once

#include <cstdint>
#include <memory>

class ScratchBuffer {
public:
  ScratchBuffer() = default;
  ScratchBuffer(const ScratchBuffer&) = delete;
  ScratchBuffer& operator=(const ScratchBuffer&) = delete;

  // Room for blocks of frames samples per channel (at least 1). A size the machine cannot
  // hold keeps the buffer it has and answers false.
  bool resize(int32_t frames);

  // Frames per channel; 0 until the first successful resize.
  int32_t size() const { return frames; }
  float* data() const { return storage.get(); }
  // The half that holds channel's filtered copy: channel 0 the first, any other the second.
  float* channel(int32_t c) const { return storage.get() + (c > 0 ? frames : 0); }

private:
  std::unique_ptr<float[]> storage;
  int32_t frames = 0;
};
