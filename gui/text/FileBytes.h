// A whole file read into memory for a decoder (images, fonts), refused beyond a size no
// such file reaches, so that a wrong path (a disk image, a device) is never read in.
//
// Threading: stateless; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace HC {

class FileBytes {
public:
  // No image or font a layout means is anywhere near this size (the largest common fonts,
  // with every CJK glyph, are about 20 MiB).
  static constexpr size_t kMaxBytes = size_t{64} << 20;

  // The file's bytes into out; false for a missing, empty, unreadable or too large file.
  static bool read(const std::string& path, std::vector<unsigned char>& out);
};

}  // namespace HC
