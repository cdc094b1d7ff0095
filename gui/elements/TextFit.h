// Makes a value text fit the width of its field without losing its leading digits: the
// decimals go first, one at a time, each time rounding the rest half up ("999.96" becomes
// "1000.0", then "1000"), and the decimal point last. A text whose whole part alone is
// still too wide stays whole; the field then draws it narrower (see TextField).
//
// Threads: none of its own; pure functions.
#pragma once

#include <functional>
#include <string>

namespace HC {

class TextFit {
public:
  // The width of a text in pixels, as the field's font measures it.
  using Measure = std::function<float(const std::string&)>;

  // `text` without its last decimal digit, the rest rounded half up; without a decimal digit
  // left, the text without its decimal point. Texts with no decimal point (or with an
  // exponent) come back unchanged.
  static std::string dropDecimal(const std::string& text);

  // Drops decimals from `text` until it measures at most `width`, or nothing more can go.
  static std::string fit(const std::string& text, float width, const Measure& measure);
};

}  // namespace HC
