// Probes of the product editor's built-in layout in a picture of its window, shared by the
// editor's tests and benchmarks: they tell a complete frame of the layout from a partial or
// blank one without depending on the hover light or on exact colours.
//
// Threading: plain functions; waitForLayout runs on the host's user-interface thread (it
// idles the editor).
#pragma once

#include <utility>
#include <vector>

#include "support/XTestDriver.h"

namespace vsthost {
class EditorHost;
}

namespace producttest {

constexpr int kWidth = 818, kHeight = 318;
// The text fields' plate is drawn in a fixed colour, unlit in every mode.
inline const testsupport::Pixel kFieldPlate{204, 204, 217};

struct LayoutProbes {
  int plum = 0;    // pixels of the plum tile, lit or not
  int plates = 0;  // pixels of the text fields' plate colour
  int meters = 0;  // pixels of the meters' dark wells

  // Forty fields of 37 x 12 with their digits, four silent meters of 5 x 81, the tile around.
  bool complete() const;
};

LayoutProbes probeLayout(const testsupport::Image& image);

// Top-left corners of the text fields' plates (37 pixels wide), rows top first. Each
// field's knob is the 37 x 37 box that ends a pixel above its plate.
std::vector<std::pair<int, int>> fieldCorners(const testsupport::Image& image);

// The first and last columns (0 to 36) of a field's plate (its top-left corner given)
// holding the dark pixels of its text: (37, -1) without any.
std::pair<int, int> fieldInk(const testsupport::Image& image, std::pair<int, int> corner);

// Text of the layout: the version label in the banner's band, the values in the fields.
struct TextProbes {
  int bannerInk = 0;       // grey pixels above the groups (the plum shades are never grey)
  int fieldsWithText = 0;  // fields (as fieldCorners finds them) with ink on their plate

  // The version label's glyphs and a value in each of the forty fields.
  bool complete() const;
};

TextProbes probeText(const testsupport::Image& image);

// Idles the editor as a host does until its window shows the whole layout; false when that
// never happens within the guard (a broken editor). picture and last hold the final try.
bool waitForLayout(vsthost::EditorHost& host, testsupport::XTestDriver& driver,
                   testsupport::Image& picture, LayoutProbes& last);

}  // namespace producttest
