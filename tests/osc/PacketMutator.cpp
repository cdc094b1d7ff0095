#include "PacketMutator.h"

#include "OSCTestSupport.h"

namespace osctest {

namespace {
const uint32_t kHostileWords[] = {0u, 1u, 3u, 4u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFCu,
                                  0xFFFFFFFDu, 4096u, 1024u, 16u};
const char kTags[] = "ifsbhtdScrmTFNI[]#,\0";
}  // namespace

PacketMutator::PacketMutator(uint32_t seed, std::vector<std::string> seeds) : random(seed), seeds(std::move(seeds)) {}

std::string PacketMutator::next() {
  int kind = static_cast<int>(pick(20));
  if (kind == 0) {  // random bytes, sometimes starting like a bundle
    std::string p(pick(200), '\0');
    for (char& c : p) c = static_cast<char>(pick(256));
    if (!p.empty() && pick(2)) p[0] = '#';
    return p;
  }
  std::string p = seeds[pick(seeds.size())];
  if (kind == 1) {  // nesting, sometimes beyond the bound
    int depth = static_cast<int>(pick(24));
    for (int i = 0; i < depth; ++i) p = bundle({p});
    return p;
  }
  if (kind == 2) {  // a bundle of several seeds
    std::vector<std::string> parts;
    for (size_t i = 0, n = 1 + pick(4); i < n; ++i) parts.push_back(seeds[pick(seeds.size())]);
    p = bundle(parts);
  }
  for (size_t i = 0, n = 1 + pick(4); i < n; ++i) mutateOnce(p);
  return p;
}

void PacketMutator::mutateOnce(std::string& p) {
  switch (pick(9)) {
    case 0:  // bit flips
      for (size_t i = 0, n = 1 + pick(4); i < n && !p.empty(); ++i) p[pick(p.size())] ^= static_cast<char>(1 << pick(8));
      break;
    case 1:  // a byte set to a type tag or a structural character
      if (!p.empty()) p[pick(p.size())] = kTags[pick(sizeof kTags - 1)];
      break;
    case 2:  // truncation, aligned or not
      if (!p.empty()) p.resize(pick(p.size()) & (pick(2) ? ~size_t{3} : ~size_t{0}));
      break;
    case 3:  // insertion of 1..8 bytes
      p.insert(pick(p.size() + 1), std::string(1 + pick(8), static_cast<char>(pick(256))));
      break;
    case 4:  // deletion
      if (!p.empty()) {
        size_t at = pick(p.size());
        p.erase(at, 1 + pick(8));
      }
      break;
    case 5:  // a 4-byte aligned word set to a hostile size
      if (p.size() >= 4) {
        size_t at = pick(p.size() / 4) * 4;
        uint32_t w = kHostileWords[pick(sizeof kHostileWords / sizeof kHostileWords[0])];
        for (int k = 0; k < 4; ++k) p[at + k] = static_cast<char>(w >> (24 - 8 * k));
      }
      break;
    case 6: {  // splice with another seed
      const std::string& other = seeds[pick(seeds.size())];
      p = p.substr(0, pick(p.size() + 1)) + other.substr(pick(other.size() + 1));
      break;
    }
    case 7:  // a chunk duplicated
      if (!p.empty()) {
        size_t at = pick(p.size());
        p.insert(at, p.substr(at, 4 + pick(16)));
      }
      break;
    default: {  // the type tag string replaced by random tags of the same length
      size_t comma = p.find(',');
      for (size_t i = comma + 1; comma != std::string::npos && i < p.size() && p[i]; ++i)
        p[i] = kTags[pick(sizeof kTags - 2)];
      break;
    }
  }
}

}  // namespace osctest
