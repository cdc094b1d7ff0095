// A pure function's last arguments and result. Asked again with the same arguments (bit
// for bit), it answers from memory; otherwise it computes and remembers. The block
// preparation asks for the same transcendental values block after block while nobody moves
// a parameter, and small host buffers would otherwise pay for them every few samples.
//
// Threads: belongs to one signal path and is used on its audio thread only; it allocates
// nothing.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

template <typename Result, size_t kArguments>
class LastResult {
public:
  template <typename Compute>
  Result get(const std::array<double, kArguments>& arguments, Compute&& compute) {
    std::array<uint64_t, kArguments> bits;
    std::memcpy(bits.data(), arguments.data(), sizeof bits);
    if (!known || bits != lastBits) {
      value = compute();
      lastBits = bits;
      known = true;
    }
    return value;
  }

private:
  std::array<uint64_t, kArguments> lastBits{};
  Result value{};
  bool known = false;
};
