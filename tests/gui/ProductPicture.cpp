#include "tests/gui/ProductPicture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "vsthost/EditorHost.h"

namespace producttest {

namespace {

using testsupport::Pixel;

// The meters' wells are drawn in a fixed colour, unlit in every mode.
const Pixel kMeterWell{26, 26, 26};
// Only a broken editor takes this long; a slow machine is well inside it.
constexpr int kGuardSeconds = 60;

}  // namespace

bool LayoutProbes::complete() const {
  return plates >= 40 * 37 * 6 && meters >= 4 * 5 * 81 * 9 / 10 && plum >= 20000;
}

LayoutProbes probeLayout(const testsupport::Image& image) {
  LayoutProbes out;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      Pixel p = image.at(x, y);
      if (p.r > p.g + 8 && p.b > p.g + 8) ++out.plum;
    }
  out.plates = image.count(kFieldPlate, 0, 0, image.width, image.height, 6);
  out.meters = image.count(kMeterWell, 0, 0, image.width, image.height, 4);
  return out;
}

std::vector<std::pair<int, int>> fieldCorners(const testsupport::Image& image) {
  auto plate = [&](int x, int y) {
    Pixel p = image.at(x, y);
    return std::abs(p.r - kFieldPlate.r) <= 6 && std::abs(p.g - kFieldPlate.g) <= 6 &&
           std::abs(p.b - kFieldPlate.b) <= 6;
  };
  // A row of 37 plate pixels with none above it and none just before it.
  std::vector<std::pair<int, int>> out;
  for (int y = 1; y < image.height; ++y)
    for (int x = 1; x + 37 <= image.width; ++x) {
      if (plate(x - 1, y)) continue;
      bool top = true;
      for (int i = 0; i < 37 && top; ++i) top = plate(x + i, y) && !plate(x + i, y - 1);
      if (top) out.emplace_back(x, y);
    }
  return out;
}

std::pair<int, int> fieldInk(const testsupport::Image& image, std::pair<int, int> corner) {
  std::pair<int, int> out{37, -1};
  for (int y = corner.second; y < corner.second + 12; ++y)
    for (int x = 0; x < 37; ++x)
      if (image.at(corner.first + x, y).r < 100) {
        out.first = std::min(out.first, x);
        out.second = std::max(out.second, x);
      }
  return out;
}

bool TextProbes::complete() const { return bannerInk >= 60 && fieldsWithText == 40; }

TextProbes probeText(const testsupport::Image& image) {
  TextProbes out;
  // The banner's band: its strip and the version label in the window's top 40 rows. The
  // label is grey (0.5); the tinted background and the strip over it stay plum.
  for (int y = 0; y < 40 && y < image.height; ++y)
    for (int x = 20; x + 20 < image.width; ++x) {
      Pixel p = image.at(x, y);
      if (p.g >= 70 && std::abs(p.r - p.g) <= 12 && std::abs(p.b - p.g) <= 12) ++out.bannerInk;
    }
  for (const auto& corner : fieldCorners(image))
    if (fieldInk(image, corner).first < 37) ++out.fieldsWithText;
  return out;
}

bool waitForLayout(vsthost::EditorHost& host, testsupport::XTestDriver& driver,
                   testsupport::Image& picture, LayoutProbes& last) {
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(kGuardSeconds);
  while (std::chrono::steady_clock::now() < limit) {
    if (!host.idle()) return false;
    auto kids = driver.children(host.window());
    if (kids.size() == 1 && driver.screenshot(kids[0], picture)) {
      last = probeLayout(picture);
      if (last.complete()) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

}  // namespace producttest
