// A seeded generator of malformed OSC packets: valid requests of every address taken
// apart by bit flips, byte changes, insertions, deletions, truncation, hostile sizes and
// type tags, splicing and deep bundle nesting, plus plain random bytes.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace osctest {

class PacketMutator {
public:
  PacketMutator(uint32_t seed, std::vector<std::string> seeds);
  std::string next();

private:
  void mutateOnce(std::string& p);
  size_t pick(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(random) : 0; }

  std::mt19937 random;
  std::vector<std::string> seeds;
};

}  // namespace osctest
