#include "tools/images/PNGWriter.h"

#include <png.h>

#include <cstdio>
#include <fstream>

namespace images {

namespace {

void appendBytes(png_structp png, png_bytep bytes, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), bytes, bytes + length);
}

void noFlush(png_structp) {}

// libpng reports through longjmp; its message goes nowhere so the caller decides.
void quietWarning(png_structp, png_const_charp) {}

// Everything that libpng may leave by longjmp lives here, with no C++ object created after
// the jump point.
bool encodeRows(const Raster& image, png_bytep* rows, std::vector<uint8_t>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quietWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, appendBytes, noFlush);
  png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
               image.channels() == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Fixed settings keep the bytes the same from run to run; no time chunk is written.
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::vector<uint8_t> PNGWriter::encode(const Raster& image) {
  std::vector<uint8_t> out;
  if ((image.channels() != 3 && image.channels() != 4) || image.bytes().empty()) return out;
  std::vector<png_bytep> rows(size_t(image.height()));
  size_t rowBytes = size_t(image.width()) * size_t(image.channels());
  auto* first = const_cast<png_bytep>(image.bytes().data());
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = first + y * rowBytes;
  if (!encodeRows(image, rows.data(), &out)) out.clear();
  return out;
}

bool PNGWriter::write(const Raster& image, const std::string& path, std::string& error) {
  std::vector<uint8_t> bytes = encode(image);
  if (bytes.empty()) {
    error = "cannot encode " + path;
    return false;
  }
  std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      error = "cannot write " + temporary;
      return false;
    }
  }
  // A half-written resource would silently end up in the next build; replace it whole.
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    error = "cannot replace " + path;
    return false;
  }
  return true;
}

}  // namespace images
