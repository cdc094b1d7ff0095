#include "tests/gui/ProductPicture.h"

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
