// A PNG image decoded from memory into 8-bit RGB or RGBA rows, the only layouts the editor
// uploads as textures.
//
// Threading: an object is used by one thread at a time; decoding shares nothing between
// objects, so several threads may decode at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace HC {

class PNGImage {
public:
  // Largest side and pixel count accepted. A damaged or hostile header could otherwise
  // make the decoder ask for gigabytes before the data runs out.
  static constexpr uint32_t kMaxSide = 8192;
  static constexpr uint32_t kMaxPixels = 4096u * 4096u;

  // Decodes size bytes at data. The image is accepted only when both sides are powers of
  // two, it has 3 or 4 channels (RGB or RGBA, no palette, no grey) and 8 bits per channel;
  // nothing is converted. Returns false and leaves the object empty for anything else,
  // damaged or truncated data included; never crashes and writes nothing to the console.
  bool decode(const unsigned char* data, size_t size);

  void clear();
  bool empty() const { return pixelBytes.empty(); }
  uint32_t width() const { return imageWidth; }
  uint32_t height() const { return imageHeight; }
  // 3 for RGB, 4 for RGBA; 0 while empty.
  int channels() const { return channelCount; }
  // height rows of width x channels bytes, the image's top row first.
  const std::vector<unsigned char>& pixels() const { return pixelBytes; }

private:
  uint32_t imageWidth = 0;
  uint32_t imageHeight = 0;
  int channelCount = 0;
  std::vector<unsigned char> pixelBytes;
};

}  // namespace HC
