// One image that the editor draws with: where it comes from (a PNG file or a built-in
// image) and, once loaded, its GL texture name and size.
//
// Threading: the record is made and configured on the user-interface thread before the
// render thread starts; load() and deleteGL() run on the render thread with its GL context
// current. The manager owns the record and frees it after the render thread has ended.
#pragma once

#include <cstdint>
#include <string>

namespace HC {

class PNGImage;

class Texture {
public:
  // A texture read from a PNG file (a full path).
  explicit Texture(const std::string& file);
  // A built-in image, found by its resource id.
  explicit Texture(uint16_t resourceId);
  ~Texture() = default;
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // Decodes and uploads the image, once: later calls return at once, whatever the first
  // one achieved. An image that cannot be read, is damaged, or is not an 8-bit RGB or RGBA
  // image with power-of-two sides gets no texture (glName stays 0) and no message; a
  // built-in image that does not exist is reported by a message box. Built-in images are
  // decoded once for the process (BuiltInImages).
  void load();
  // Linear filtering and clamp-to-edge wrapping for the bound 2D texture: how every texture
  // of the editor is sampled (render thread, GL current).
  static void useLinearClamp();
  // Deletes the GL texture, if any; glName becomes 0.
  void deleteGL();

  std::string file;     // empty for a built-in image
  uint16_t resourceId;  // used when file is empty
  unsigned glName = 0;  // GL texture name; 0 until loaded and after deleteGL
  bool loadAttempted = false;
  bool skipAutoLoad = false;  // set for textures that their user loads itself
  int32_t width = 0;
  int32_t height = 0;

private:
  void upload(const PNGImage& image);
};

}  // namespace HC
