#include "PNGTestImages.h"

#include <png.h>
#include <zlib.h>

#include <fstream>

namespace testsupport {

namespace {
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void noFlush(png_structp) {}
}  // namespace

Bytes encodePNG(uint32_t width, uint32_t height, int colourType, int bitDepth, const Bytes& pixels,
                bool interlaced) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Bytes();
  }
  png_set_write_fn(png, &out, appendBytes, noFlush);
  png_set_IHDR(png, info, width, height, bitDepth, colourType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[256];
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i < 256; ++i) palette[i].red = palette[i].green = palette[i].blue = png_byte(i);
    png_set_PLTE(png, info, palette, 1 << (bitDepth < 8 ? bitDepth : 8));
  }
  png_write_info(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows(height);
  Bytes copy = pixels;
  copy.resize(rowBytes * height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = copy.data() + y * rowBytes;
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes patternPixels(uint32_t width, uint32_t height, int channels, int seed) {
  Bytes pixels(size_t(width) * height * channels);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (unsigned char)((i * 7 + seed) & 255);
  return pixels;
}

void fixChunkCRCs(Bytes& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t length = (uint32_t(png[at]) << 24) | (uint32_t(png[at + 1]) << 16) |
                      (uint32_t(png[at + 2]) << 8) | png[at + 3];
    if (length > png.size() - at - 12) return;
    uLong crc = crc32(0, png.data() + at + 4, uInt(length + 4));
    size_t c = at + 8 + length;
    png[c] = (unsigned char)(crc >> 24);
    png[c + 1] = (unsigned char)(crc >> 16);
    png[c + 2] = (unsigned char)(crc >> 8);
    png[c + 3] = (unsigned char)crc;
    at = c + 4;
  }
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace testsupport
