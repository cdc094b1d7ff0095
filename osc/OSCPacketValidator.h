// Checks a received packet as a whole before any part of it is acted on.
//
// oscpack parses lazily and trusts some sizes: a blob's size is not checked against the
// message (a blob can point past the packet), and bundles recurse as deep as the packet
// nests them. This walk reads the packet the way oscpack's parser does, bounds every
// size by the packet, and limits the nesting of bundles, so that a packet that passes is
// safe to hand to oscpack and one that fails is dropped whole.
#pragma once

#include <cstddef>

namespace HC {

class OSCPacketValidator {
public:
  // Bundles inside bundles: the packet's own bundle is level 1.
  static constexpr int kMaxBundleDepth = 16;

  // Null when the packet is well formed, otherwise a short description of the fault
  // (for example "bundles nested too deeply").
  static const char* check(const char* data, size_t size);

private:
  static const char* checkElement(const char* data, size_t size, int depth);
  static const char* checkBundle(const char* data, size_t size, int depth);
  static const char* checkMessage(const char* data, size_t size);
};

}  // namespace HC
