// The editor's built-in images as the library carries them: they decode to the layouts the
// knob renderer, meters and background expect, show what those parts cut out of them, and
// are exactly what the image generator draws today; decoded once, they are what every
// editor of the process shares.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "gui/text/BuiltInImages.h"
#include "gui/text/PNGImage.h"
#include "platform/Resources.h"
#include "tools/images/BackgroundTile.h"
#include "tools/images/KnobAtlas.h"

namespace {

using images::BackgroundTile;
using images::KnobAtlas;

HC::PNGImage builtIn(int id) {
  HC::PNGImage image;
  platform::Resource resource;
  if (platform::findResource(platform::kResourceTypeImage, id, resource))
    image.decode(resource.data, resource.size);
  return image;
}

int sample(const HC::PNGImage& image, int x, int y, int c) {
  return image.pixels()[(size_t(y) * image.width() + x) * image.channels() + c];
}

TEST(BuiltInImagesTest, DecodeToTheLayoutsTheEditorUses) {
  struct Expected {
    int id;
    uint32_t side;
    int channels;
  } expected[] = {{120, 128, 4}, {121, 64, 3}, {122, 128, 4}, {123, 64, 3}};
  for (const Expected& e : expected) {
    HC::PNGImage image = builtIn(e.id);
    ASSERT_FALSE(image.empty()) << "resource " << e.id;
    EXPECT_EQ(image.width(), e.side) << "resource " << e.id;
    EXPECT_EQ(image.height(), e.side) << "resource " << e.id;
    EXPECT_EQ(image.channels(), e.channels) << "resource " << e.id;
  }
}

// Generated and embedded pixels agree, so nobody changes the drawing code and forgets to
// refresh the committed files (or edits a file by hand). One level of slack allows for a
// maths library that rounds a last bit differently.
TEST(BuiltInImagesTest, EmbeddedFilesAreWhatTheGeneratorDraws) {
  struct Pair {
    int id;
    images::Raster drawn;
  } pairs[] = {{120, KnobAtlas::colour()},
               {121, BackgroundTile::colour()},
               {122, KnobAtlas::normals()},
               {123, BackgroundTile::normals()}};
  for (const Pair& pair : pairs) {
    HC::PNGImage image = builtIn(pair.id);
    ASSERT_EQ(image.pixels().size(), pair.drawn.bytes().size()) << "resource " << pair.id;
    int worst = 0;
    for (size_t i = 0; i < image.pixels().size(); ++i)
      worst = std::max(worst, std::abs(int(image.pixels()[i]) - int(pair.drawn.bytes()[i])));
    EXPECT_LE(worst, 1) << "resource " << pair.id << ": run `make images`";
  }
}

TEST(BuiltInImagesTest, MeterStripRunsFromGreenAtTheBottomToRedAtTheTop) {
  HC::PNGImage atlas = builtIn(120);
  ASSERT_FALSE(atlas.empty());
  const int middle = KnobAtlas::kStripX + 2;
  auto redShare = [&](int y) {
    double r = sample(atlas, middle, y, 0), g = sample(atlas, middle, y, 1);
    return r / (r + g + 1e-9);
  };
  const int bottom = KnobAtlas::kStripRows - 1;
  EXPECT_LT(redShare(bottom), 0.3);
  EXPECT_GT(redShare(0), 0.8);
  // Never greener further up; the slack covers 8-bit rounding of the darker segment rows.
  for (int y = bottom; y > 0; --y) EXPECT_GE(redShare(y - 1) + 0.005, redShare(y)) << "row " << y;
  // Every strip pixel is opaque and lit, so a meter never shows holes.
  for (int y = 0; y < 128; ++y)
    for (int x = KnobAtlas::kStripX; x < 128; ++x) {
      ASSERT_EQ(sample(atlas, x, y, 3), 255) << x << "," << y;
      ASSERT_GT(sample(atlas, x, y, 0) + sample(atlas, x, y, 1), 40) << x << "," << y;
    }
  // Left of the strip and outside the knob's cell the atlas is empty.
  EXPECT_EQ(sample(atlas, KnobAtlas::kStripX - 1, 40, 3), 0);
  EXPECT_EQ(sample(atlas, 60, 60, 3), 0);
  EXPECT_EQ(sample(atlas, 0, 0, 3), 0);
}

TEST(BuiltInImagesTest, KnobCellHoldsAnOpaqueDiscWithAPointerAtTheTop) {
  HC::PNGImage atlas = builtIn(120);
  ASSERT_FALSE(atlas.empty());
  const int x0 = KnobAtlas::kCellX, y0 = KnobAtlas::kCellY, size = KnobAtlas::kCellSize;
  const int cx = x0 + size / 2, cy = y0 + size / 2;
  auto brightness = [&](int x, int y) {
    return sample(atlas, x, y, 0) + sample(atlas, x, y, 1) + sample(atlas, x, y, 2);
  };
  // Opaque well inside the rim, transparent in the cell's corners.
  for (int y = y0; y < y0 + size; ++y)
    for (int x = x0; x < x0 + size; ++x) {
      double dx = x + 0.5 - (x0 + size / 2.0), dy = y + 0.5 - (y0 + size / 2.0);
      double r = std::sqrt(dx * dx + dy * dy);
      if (r < size / 2.0 - 2) {
        ASSERT_EQ(sample(atlas, x, y, 3), 255) << x << "," << y;
      }
      if (r > size / 2.0 + 0.5) {
        ASSERT_EQ(sample(atlas, x, y, 3), 0) << x << "," << y;
      }
    }
  // The brightest pixel of the face lies on the vertical centre line, above the centre,
  // and is near white; the same spot below the centre is the dark face.
  int best = 0, bestX = 0, bestY = 0;
  for (int y = y0 + 4; y < y0 + size - 4; ++y)
    for (int x = x0 + 4; x < x0 + size - 4; ++x)
      if (brightness(x, y) > best) best = brightness(x, y), bestX = x, bestY = y;
  EXPECT_GE(best, 3 * 230);
  EXPECT_LE(std::abs(bestX - cx), 1);
  EXPECT_LT(bestY, cy - 3);
  EXPECT_LT(brightness(bestX, 2 * cy - bestY), 3 * 120);
}

TEST(BuiltInImagesTest, KnobNormalsDomeInwardAndAreFlatElsewhere) {
  HC::PNGImage normals = builtIn(122);
  ASSERT_FALSE(normals.empty());
  const int x0 = KnobAtlas::kCellX, size = KnobAtlas::kCellSize;
  const int c = x0 + size / 2;
  // Flat outside the knob.
  for (int p : {0, 60, 100, 127})
    for (int q : {0, 45, 127}) {
      EXPECT_EQ(sample(normals, p, q, 0), 128);
      EXPECT_EQ(sample(normals, p, q, 1), 128);
      EXPECT_EQ(sample(normals, p, q, 2), 255);
    }
  // On the face's dome, right of the centre the surface leans right, above it (towards row
  // 0, the top on screen) it leans up; the rim's outer slope leans outwards as well.
  EXPECT_GT(sample(normals, c + 7, c, 0), 135);
  EXPECT_LT(sample(normals, c - 7, c, 0), 121);
  EXPECT_GT(sample(normals, c, c - 7, 1), 135);
  EXPECT_LT(sample(normals, c, c + 7, 1), 121);
  EXPECT_GT(sample(normals, c + 17, c, 0), 150);
}

TEST(BuiltInImagesTest, BackgroundTilesJoinWithoutSeams) {
  for (int id : {121, 123}) {
    HC::PNGImage tile = builtIn(id);
    ASSERT_FALSE(tile.empty());
    const int n = int(tile.width());
    // Across the wrap, neighbouring pixels differ no more than neighbours inside do.
    auto stepAcross = [&](int x0, int y0, int x1, int y1) {
      double sum = 0;
      for (int i = 0; i < n; ++i)
        for (int ch = 0; ch < 3; ++ch) {
          int ax = x0 < 0 ? i : x0, ay = y0 < 0 ? i : y0;
          int bx = x1 < 0 ? i : x1, by = y1 < 0 ? i : y1;
          sum += std::abs(sample(tile, ax, ay, ch) - sample(tile, bx, by, ch));
        }
      return sum / (3 * n);
    };
    double inside = 0;
    for (int k = 0; k + 1 < n; ++k) inside = std::max(inside, stepAcross(k, -1, k + 1, -1));
    for (int k = 0; k + 1 < n; ++k) inside = std::max(inside, stepAcross(-1, k, -1, k + 1));
    EXPECT_LE(stepAcross(n - 1, -1, 0, -1), inside) << "resource " << id << " columns";
    EXPECT_LE(stepAcross(-1, n - 1, -1, 0), inside) << "resource " << id << " rows";
    // And the tile is not blank: it has some texture to show.
    EXPECT_GT(inside, 0.5) << "resource " << id;
  }
}

// The shared copies: the very pixels a decoding of their own gives, one object for every
// asker on every thread, and no image for an id the library does not have.
TEST(BuiltInImagesTest, DecodedOnceAndSharedByEveryThread) {
  for (int id = 120; id <= 123; ++id) {
    bool exists = false;
    std::shared_ptr<const HC::PNGImage> shared = HC::BuiltInImages::decoded(uint16_t(id), exists);
    ASSERT_TRUE(exists) << "resource " << id;
    ASSERT_NE(shared, nullptr) << "resource " << id;
    HC::PNGImage own = builtIn(id);
    EXPECT_EQ(shared->width(), own.width());
    EXPECT_EQ(shared->channels(), own.channels());
    EXPECT_EQ(shared->pixels(), own.pixels()) << "resource " << id;
  }
  std::vector<std::shared_ptr<const HC::PNGImage>> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] {
      bool exists = false;
      seen[i] = HC::BuiltInImages::decoded(122, exists);
    });
  for (std::thread& t : threads) t.join();
  for (const auto& image : seen) EXPECT_EQ(image.get(), seen[0].get());

  bool exists = true;
  EXPECT_EQ(HC::BuiltInImages::decoded(119, exists), nullptr);
  EXPECT_FALSE(exists);
}

}  // namespace
