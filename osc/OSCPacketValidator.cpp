#include "osc/OSCPacketValidator.h"

#include <cstdint>
#include <cstring>

namespace HC {

namespace {

uint32_t readUInt32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
}

// The end of a 4-byte aligned, zero-terminated string as oscpack finds it (it looks for
// the terminator only at the last byte of each 4-byte group); null when unterminated.
const char* stringEnd(const char* p, const char* end) {
  if (p >= end) return nullptr;
  if (p[0] == '\0') return end - p >= 4 ? p + 4 : nullptr;
  p += 3;
  while (p < end - 1 && *p) p += 4;
  if (p >= end || *p) return nullptr;
  return p + 1;
}

}  // namespace

const char* OSCPacketValidator::check(const char* data, size_t size) {
  if (!data || size == 0) return "zero length packet";
  return checkElement(data, size, 0);
}

const char* OSCPacketValidator::checkElement(const char* data, size_t size, int depth) {
  if (size == 0) return "zero length messages not permitted";
  if (size % 4 != 0) return "packet size must be multiple of four";
  if (size > INT32_MAX) return "invalid packet size";
  if (data[0] == '#') return checkBundle(data, size, depth + 1);
  return checkMessage(data, size);
}

const char* OSCPacketValidator::checkBundle(const char* data, size_t size, int depth) {
  if (depth > kMaxBundleDepth) return "bundles nested too deeply";
  if (size < 16) return "packet too short for bundle";
  if (std::memcmp(data, "#bundle", 8) != 0) return "bad bundle address pattern";
  const char* p = data + 16;
  const char* end = data + size;
  while (p < end) {
    if (end - p < 4) return "packet too short for elementSize";
    uint32_t elementSize = readUInt32(p);
    p += 4;
    if (elementSize % 4 != 0) return "bundle element size must be multiple of four";
    if (elementSize > static_cast<size_t>(end - p)) return "packet too short for bundle element";
    if (const char* fault = checkElement(p, elementSize, depth)) return fault;
    p += elementSize;
  }
  return nullptr;
}

const char* OSCPacketValidator::checkMessage(const char* data, size_t size) {
  const char* end = data + size;
  const char* tags = stringEnd(data, end);
  if (!tags) return "unterminated address pattern";
  if (tags == end) return nullptr;  // an address alone
  if (*tags != ',') return "type tags not present";
  if (tags[1] == '\0') return nullptr;  // no arguments
  const char* argument = stringEnd(tags, end);
  if (!argument) return "type tags were not terminated before end of message";

  int arrayLevel = 0;
  for (const char* tag = tags + 1; *tag; ++tag) {
    size_t need = 0;
    switch (*tag) {
      case 'T': case 'F': case 'N': case 'I': break;
      case '[': ++arrayLevel; break;
      case ']':
        if (--arrayLevel < 0) return "array end without a beginning";
        break;
      case 'i': case 'f': case 'c': case 'r': case 'm': need = 4; break;
      case 'h': case 't': case 'd': need = 8; break;
      case 's': case 'S':
        argument = stringEnd(argument, end);
        if (!argument) return "unterminated string argument";
        break;
      case 'b': {
        if (end - argument < 4) return "arguments exceed message size";
        uint64_t blob = readUInt32(argument);
        uint64_t padded = (blob + 3) & ~uint64_t{3};
        if (padded > static_cast<uint64_t>(end - argument - 4)) return "blob exceeds message size";
        argument += 4 + padded;
        break;
      }
      default: return "unknown type tag";
    }
    if (need) {
      if (static_cast<size_t>(end - argument) < need) return "arguments exceed message size";
      argument += need;
    }
  }
  if (arrayLevel != 0) return "array was not terminated before end of message";
  return nullptr;
}

}  // namespace HC
