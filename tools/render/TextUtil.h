// Small text helpers shared by the render tool.
#pragma once

#include <string>

namespace render {

std::string trim(const std::string& text);
bool equalsIgnoreCase(const std::string& a, const std::string& b);
bool isDigits(const std::string& text);
// Shortest "%g"-style text that reads back as the same double (for messages).
std::string formatNumber(double value);

}  // namespace render
