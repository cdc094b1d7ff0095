// Encodes a Raster as an 8-bit RGB or RGBA PNG file with libpng.
//
// Threading: stateless; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/images/Raster.h"

namespace images {

class PNGWriter {
public:
  // The PNG bytes of image (3 or 4 channels), or an empty vector when libpng fails or the
  // image has another channel count or no pixels.
  static std::vector<uint8_t> encode(const Raster& image);
  // Encodes and writes to path; false with error set to a readable reason on failure.
  static bool write(const Raster& image, const std::string& path, std::string& error);
};

}  // namespace images
