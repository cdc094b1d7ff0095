// Decoding of skin and built-in images: which layouts become textures, the row order, and
// that damaged or hostile files are refused without a crash.
#include <gtest/gtest.h>
#include <png.h>

#include <random>

#include "PNGTestImages.h"
#include "gui/text/PNGImage.h"

using testsupport::Bytes;
using testsupport::encodePNG;
using testsupport::patternPixels;

namespace {

bool decodes(const Bytes& file, HC::PNGImage& image) {
  return image.decode(file.data(), file.size());
}

void setBigEndian(Bytes& png, size_t at, uint32_t v) {
  png[at] = (unsigned char)(v >> 24);
  png[at + 1] = (unsigned char)(v >> 16);
  png[at + 2] = (unsigned char)(v >> 8);
  png[at + 3] = (unsigned char)v;
}

}  // namespace

TEST(PNGImage, AcceptsEightBitRGBAndRGBAWithPowerOfTwoSidesRowsTopFirst) {
  struct Case {
    uint32_t w, h;
    int type, channels;
    bool interlaced;
  } cases[] = {{1, 1, PNG_COLOR_TYPE_RGB, 3, false},   {2, 1, PNG_COLOR_TYPE_RGB, 3, false},
               {64, 16, PNG_COLOR_TYPE_RGB, 3, false}, {128, 128, PNG_COLOR_TYPE_RGBA, 4, false},
               {8, 32, PNG_COLOR_TYPE_RGBA, 4, true},  {16, 16, PNG_COLOR_TYPE_RGB, 3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " channels " +
                 std::to_string(c.channels) + (c.interlaced ? " interlaced" : ""));
    Bytes pixels = patternPixels(c.w, c.h, c.channels, int(c.w + c.h));
    HC::PNGImage image;
    ASSERT_TRUE(decodes(encodePNG(c.w, c.h, c.type, 8, pixels, c.interlaced), image));
    EXPECT_EQ(image.width(), c.w);
    EXPECT_EQ(image.height(), c.h);
    EXPECT_EQ(image.channels(), c.channels);
    EXPECT_EQ(image.pixels(), pixels);  // byte for byte, first row first
  }
}

TEST(PNGImage, RefusesOtherSizesLayoutsAndDepths) {
  struct Case {
    const char* what;
    uint32_t w, h;
    int type, depth, channels;
  } cases[] = {
      {"100x100 RGBA", 100, 100, PNG_COLOR_TYPE_RGBA, 8, 4},
      {"64x48 RGB", 64, 48, PNG_COLOR_TYPE_RGB, 8, 3},
      {"3x4 RGB", 3, 4, PNG_COLOR_TYPE_RGB, 8, 3},
      {"palette", 64, 64, PNG_COLOR_TYPE_PALETTE, 8, 1},
      {"grey", 64, 64, PNG_COLOR_TYPE_GRAY, 8, 1},
      {"grey and alpha", 64, 64, PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2},
      {"16-bit RGB", 16, 16, PNG_COLOR_TYPE_RGB, 16, 6},
      {"16-bit RGBA", 16, 16, PNG_COLOR_TYPE_RGBA, 16, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = encodePNG(c.w, c.h, c.type, c.depth, patternPixels(c.w, c.h, c.channels));
    ASSERT_FALSE(file.empty());
    HC::PNGImage image;
    EXPECT_FALSE(decodes(file, image));
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width(), 0u);
  }
}

TEST(PNGImage, DamagedTruncatedAndForeignDataAreRefused) {
  Bytes good = encodePNG(32, 32, PNG_COLOR_TYPE_RGBA, 8, patternPixels(32, 32, 4));
  HC::PNGImage image;
  ASSERT_TRUE(decodes(good, image));
  // A failed decode must also drop what an earlier one left.
  Bytes cut(good.begin(), good.begin() + long(good.size() / 2));
  EXPECT_FALSE(decodes(cut, image));
  EXPECT_TRUE(image.empty());
  for (size_t n : {size_t(0), size_t(7), size_t(8), size_t(33)}) {
    Bytes head(good.begin(), good.begin() + long(n));
    EXPECT_FALSE(decodes(head, image)) << n << " bytes";
  }
  Bytes flipped = good;
  flipped[good.size() / 2] ^= 0x55;  // inside the image data: checksum error
  EXPECT_FALSE(decodes(flipped, image));
  Bytes text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', ' ', 'f', 'i', 'l', 'e'};
  EXPECT_FALSE(decodes(text, image));
  EXPECT_FALSE(image.decode(nullptr, 100));
}

TEST(PNGImage, HeaderClaimingAHugeImageIsRefusedBeforeDecoding) {
  // Valid checksums and power-of-two sides, but far more pixels than any texture: refused
  // from the header, without trying to allocate it.
  for (uint32_t side : {16384u, 65536u, 1u << 30}) {
    Bytes file = encodePNG(4, 4, PNG_COLOR_TYPE_RGBA, 8, patternPixels(4, 4, 4));
    setBigEndian(file, 16, side);  // IHDR width
    setBigEndian(file, 20, side);  // IHDR height
    testsupport::fixChunkCRCs(file);
    HC::PNGImage image;
    EXPECT_FALSE(decodes(file, image)) << side;
  }
}

TEST(PNGImage, MutatedFilesNeverCrashAndOnlyValidImagesPass) {
  // Run under the address sanitizer by the sanitizer build. Half of the mutations get their
  // chunk checksums repaired so that they reach the header checks and the inflater.
  std::vector<Bytes> seeds = {
      encodePNG(16, 16, PNG_COLOR_TYPE_RGBA, 8, patternPixels(16, 16, 4)),
      encodePNG(8, 32, PNG_COLOR_TYPE_RGB, 8, patternPixels(8, 32, 3), true),
      encodePNG(16, 16, PNG_COLOR_TYPE_PALETTE, 8, patternPixels(16, 16, 1)),
  };
  std::mt19937 random(20240611u);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes file = seeds[size_t(round) % seeds.size()];
    int edits = 1 + int(random() % 8);
    for (int e = 0; e < edits; ++e) {
      size_t at = 8 + random() % (file.size() - 8);
      switch (random() % 4) {
        case 0: file[at] = (unsigned char)random(); break;
        case 1: file[at] ^= (unsigned char)(1u << (random() % 8)); break;
        case 2: file.resize(at); break;
        default: file.insert(file.begin() + long(at), (unsigned char)random()); break;
      }
      if (file.size() <= 8) break;
    }
    if (round % 2 == 0) testsupport::fixChunkCRCs(file);
    HC::PNGImage image;
    if (decodes(file, image)) {
      ++accepted;
      uint32_t w = image.width(), h = image.height();
      EXPECT_TRUE(w && !(w & (w - 1)) && h && !(h & (h - 1)));
      EXPECT_EQ(image.pixels().size(), size_t(w) * h * size_t(image.channels()));
    } else {
      EXPECT_TRUE(image.empty());
    }
  }
  // Some mutations only touch sample values; they must still decode.
  EXPECT_GT(accepted, 0);
}
