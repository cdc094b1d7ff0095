// An image the editor draws with: a PNG file of a skin or a built-in image, turned into a GL
// texture on the render thread. The manager owns the records.
//
// This header declares only the record that the element framework keeps; loading and
// deleting the GL texture belong to the texture implementation.
//
// Threads: created on the user-interface thread before the render thread starts; GL names
// made and deleted on the render thread.
#pragma once

#include <cstdint>
#include <string>

namespace HC {

class Texture {
 public:
  std::string file;  // full path; empty for a built-in image
  uint16_t resourceId = 0;
  unsigned glName = 0;
  bool loadAttempted = false;
  bool skipAutoLoad = false;
  int32_t width = 0;
  int32_t height = 0;
};

}  // namespace HC
