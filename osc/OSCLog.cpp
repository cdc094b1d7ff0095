#include "osc/OSCLog.h"

#include "platform/Output.h"

namespace HC {

void OSCLog::write(const std::string& text) { platform::consoleOutput(text.data(), text.size()); }

void OSCLog::requestError(const char* address, const char* text) {
  std::string line = "error while parsing message: ";
  line += address ? address : "";
  line += ": ";
  line += text ? text : "";
  line += '\n';
  write(line);
}

void OSCLog::failure(const char* prefix, const char* text) {
  std::string line = prefix;
  line += text ? text : "";
  // oscpack's socket texts end with a line end of their own.
  if (line.empty() || line.back() != '\n') line += '\n';
  write(line);
}

}  // namespace HC
