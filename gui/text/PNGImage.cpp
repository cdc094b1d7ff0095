#include "gui/text/PNGImage.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

namespace HC {

namespace {

// Everything the decoding step touches lives here, outside the frame that calls setjmp, so
// that a longjmp out of libpng leaves no C++ object half-built and no local indeterminate.
struct DecodeState {
  const unsigned char* data;
  size_t size;
  size_t offset;
  uint32_t width = 0;
  uint32_t height = 0;
  int channels = 0;
  std::vector<unsigned char>* pixels = nullptr;
  std::vector<png_bytep>* rows = nullptr;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* state = static_cast<DecodeState*>(png_get_io_ptr(png));
  size_t remaining = state->size - state->offset;
  size_t n = count < remaining ? count : remaining;
  std::memcpy(out, state->data + state->offset, n);
  state->offset += n;
  // libpng expects exactly count bytes; a short read means the file was cut off.
  if (n < count) png_error(png, "truncated image");
}

void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void onWarning(png_structp, png_const_charp) {}

bool isPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

// Returns false when libpng reports an error or the image has a layout we do not upload.
// Allocation failures inside are caught by the caller's handler through bad_alloc.
bool readImage(png_structp png, png_infop info, DecodeState& state) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &state, readFromMemory);
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int bitDepth = 0, colourType = 0;
  png_get_IHDR(png, info, &w, &h, &bitDepth, &colourType, nullptr, nullptr, nullptr);
  if (!isPowerOfTwo(w) || !isPowerOfTwo(h) || bitDepth != 8) return false;
  if (w > PNGImage::kMaxSide || h > PNGImage::kMaxSide ||
      uint64_t(w) * h > PNGImage::kMaxPixels)
    return false;
  int channels = colourType == PNG_COLOR_TYPE_RGB ? 3 : colourType == PNG_COLOR_TYPE_RGBA ? 4 : 0;
  if (channels == 0 || png_get_channels(png, info) != channels) return false;
  // Interlaced images arrive in several passes over the whole buffer.
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  size_t rowBytes = size_t(w) * size_t(channels);
  if (png_get_rowbytes(png, info) != rowBytes) return false;
  state.pixels->resize(rowBytes * h);
  state.rows->resize(h);
  for (png_uint_32 y = 0; y < h; ++y) (*state.rows)[y] = state.pixels->data() + y * rowBytes;
  png_read_image(png, state.rows->data());
  png_read_end(png, nullptr);
  state.width = w;
  state.height = h;
  state.channels = channels;
  return true;
}

}  // namespace

void PNGImage::clear() {
  imageWidth = imageHeight = 0;
  channelCount = 0;
  pixelBytes.clear();
  pixelBytes.shrink_to_fit();
}

bool PNGImage::decode(const unsigned char* data, size_t size) {
  clear();
  if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  png_set_user_limits(png, kMaxSide, kMaxSide);
  std::vector<unsigned char> pixels;
  std::vector<png_bytep> rows;
  DecodeState state{data, size, 0};
  state.pixels = &pixels;
  state.rows = &rows;
  bool ok = false;
  try {
    ok = readImage(png, info, state);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) return false;
  imageWidth = state.width;
  imageHeight = state.height;
  channelCount = state.channels;
  pixelBytes.swap(pixels);
  return true;
}

}  // namespace HC
