#include "gui/elements/TextFit.h"

#include <cctype>

namespace HC {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string TextFit::dropDecimal(const std::string& text) {
  size_t point = text.find('.');
  if (point == std::string::npos || point == 0 || !isDigit(text[point - 1])) return text;
  size_t end = point + 1;
  while (end < text.size() && isDigit(text[end])) ++end;
  // "1.5e+03" shortened would change its magnitude's meaning; leave such texts alone.
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) return text;
  const std::string tail = text.substr(end);  // a unit or a space, kept as it is
  if (end == point + 1) return text.substr(0, point) + tail;

  std::string head = text.substr(0, end - 1);
  bool carry = text[end - 1] >= '5';
  // Round half up through the remaining digits, skipping the point.
  for (size_t i = head.size(); carry && i-- > 0;) {
    if (head[i] == '.') continue;
    if (!isDigit(head[i])) {
      head.insert(i + 1, 1, '1');
      carry = false;
      break;
    }
    if (head[i] == '9') {
      head[i] = '0';
    } else {
      ++head[i];
      carry = false;
    }
  }
  if (carry) head.insert(0, 1, '1');
  // A lone point left behind ("12." after dropping the last decimal) goes too.
  if (!head.empty() && head.back() == '.') head.pop_back();
  return head + tail;
}

std::string TextFit::fit(const std::string& text, float width, const Measure& measure) {
  std::string out = text;
  while (measure(out) > width) {
    std::string shorter = dropDecimal(out);
    if (shorter == out) break;
    out = shorter;
  }
  return out;
}

}  // namespace HC
