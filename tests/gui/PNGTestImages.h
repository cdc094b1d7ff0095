// PNG files made by the tests themselves, in any layout libpng can write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<unsigned char>;

// colourType and bitDepth as libpng names them (PNG_COLOR_TYPE_RGB, 8, ...); pixels hold
// height rows of packed samples, top row first (16-bit samples big-endian). A palette image
// gets a 256-entry grey palette.
Bytes encodePNG(uint32_t width, uint32_t height, int colourType, int bitDepth,
                const Bytes& pixels, bool interlaced = false);
// A width x height image of 8-bit samples whose every byte differs from its neighbours:
// byte i is (i * 7 + seed) & 255.
Bytes patternPixels(uint32_t width, uint32_t height, int channels, int seed = 1);
// Recomputes the CRC of every chunk, so that changed bytes reach the decoder's deeper checks
// instead of failing the checksum.
void fixChunkCRCs(Bytes& png);
bool writeBytes(const std::string& path, const Bytes& bytes);

}  // namespace testsupport
