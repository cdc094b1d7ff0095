// The OSC server's lines on the console log (standard output): each call writes one
// complete text in one piece, so lines of different threads do not interleave.
#pragma once

#include <string>

namespace HC {

class OSCLog {
public:
  static void write(const std::string& text);
  // "error while parsing message: " + address + ": " + text + "\n"
  static void requestError(const char* address, const char* text);
  // prefix + text, with a line end unless text already ends with one.
  static void failure(const char* prefix, const char* text);
};

}  // namespace HC
