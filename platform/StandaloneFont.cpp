#include "platform/StandaloneFont.h"

#include <algorithm>

namespace platform {

namespace {

constexpr size_t kHeaderBytes = 12;
constexpr size_t kEntryBytes = 16;

uint32_t bigEndian32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void putBigEndian32(unsigned char* p, uint32_t value) {
  p[0] = static_cast<unsigned char>(value >> 24);
  p[1] = static_cast<unsigned char>(value >> 16);
  p[2] = static_cast<unsigned char>(value >> 8);
  p[3] = static_cast<unsigned char>(value);
}

bool isFontVersion(uint32_t version) {
  return version == 0x00010000 || version == 0x74727565 /* 'true' */ ||
         version == 0x4F54544F /* 'OTTO' */;
}

size_t padded(size_t length) { return (length + 3) & ~size_t{3}; }

}  // namespace

bool StandaloneFont::assemble(const TableReader& read, std::vector<unsigned char>& out) {
  out.clear();
  unsigned char header[kHeaderBytes];
  if (!read(0, 0, header, kHeaderBytes) || !isFontVersion(bigEndian32(header))) return false;
  const unsigned tables = unsigned(header[4]) << 8 | header[5];
  if (tables == 0 || tables > kMaxTables) return false;
  const size_t directoryBytes = kHeaderBytes + kEntryBytes * tables;
  std::vector<unsigned char> directory(directoryBytes);
  if (!read(0, 0, directory.data(), uint32_t(directoryBytes))) return false;

  // Sizes first, so that a directory claiming huge tables allocates nothing.
  size_t total = directoryBytes;
  for (unsigned i = 0; i < tables; ++i) {
    const uint32_t length = bigEndian32(&directory[kHeaderBytes + kEntryBytes * i + 12]);
    if (length > kMaxBytes || total + padded(length) > kMaxBytes) return false;
    total += padded(length);
  }

  std::vector<unsigned char> font(total, 0);
  std::copy(directory.begin(), directory.end(), font.begin());
  size_t offset = directoryBytes;
  for (unsigned i = 0; i < tables; ++i) {
    unsigned char* entry = &font[kHeaderBytes + kEntryBytes * i];
    const uint32_t tag = bigEndian32(entry);
    const uint32_t length = bigEndian32(entry + 12);
    if (tag == 0 || (length > 0 && !read(tag, 0, &font[offset], length))) return false;
    putBigEndian32(entry + 8, uint32_t(offset));
    offset += padded(length);
  }
  out.swap(font);
  return true;
}

}  // namespace platform
