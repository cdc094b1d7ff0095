#include "platform/win32/WebAddress.h"

#include <cctype>

namespace platform {

namespace {
bool startsWithNoCase(const std::string& text, const char* prefix) {
  size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}
}  // namespace

bool isWebAddress(const std::string& address) {
  for (char c : address)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  return startsWithNoCase(address, "http://") || startsWithNoCase(address, "https://") ||
         startsWithNoCase(address, "mailto:");
}

}  // namespace platform
