#include "faces/standalone/StandaloneState.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "dsp/ParameterDescriptor.h"

namespace {

constexpr const char* kHeader = "Quorvella state 1";

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

bool unescape(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    if (text[i] == '\\') out += '\\';
    else if (text[i] == 'n') out += '\n';
    else if (text[i] == 'r') out += '\r';
    else return false;
  }
  return true;
}

// The shortest decimal that reads back as the same float.
std::string shortest(float value) {
  char text[32];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(text, sizeof(text), "%.*g", digits, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  return text;
}

bool parseFloat(const std::string& text, float& value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  value = std::strtof(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace

std::string StandaloneState::format(const ParameterDescriptor* descriptors,
                                    int32_t numParameters) const {
  std::string out = "# Quorvella standalone state: the programs as they were at the last quit.\n";
  out += std::string(kHeader) + "\ncurrent " + std::to_string(current) + "\n";
  for (const Program& program : programs) {
    out += "program " + escape(program.name) + "\n";
    for (int32_t i = 0; i < numParameters; ++i) {
      const float value = static_cast<size_t>(i) < program.values.size()
                              ? program.values[static_cast<size_t>(i)]
                              : descriptors[i].defaultValue;
      out += std::string(descriptors[i].name) + "=" + shortest(value) + "\n";
    }
  }
  return out;
}

bool StandaloneState::parse(const std::string& text, const ParameterDescriptor* descriptors,
                            int32_t numParameters, int32_t numPrograms, std::string& damage) {
  current = 0;
  programs.clear();
  damage.clear();
  std::vector<Program> read;
  int32_t currentRead = -1;
  bool headerSeen = false;
  size_t lineNumber = 0;
  auto fail = [&](const std::string& why) {
    damage = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };
  if (text.size() > kMaxSize) return fail("the file is larger than a state can be");
  if (!text.empty() && text.back() != '\n') {
    lineNumber = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    return fail("the file ends in the middle of a line");
  }
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (!line.empty() && line[0] == '#') continue;
    if (!headerSeen) {
      if (line != kHeader) return fail("not a Quorvella state");
      headerSeen = true;
      continue;
    }
    if (line.rfind("current ", 0) == 0) {
      if (currentRead >= 0) return fail("a second current program");
      const std::string number = line.substr(8);
      char* end = nullptr;
      const long value = std::strtol(number.c_str(), &end, 10);
      if (number.empty() || end != number.c_str() + number.size() || value < 0 ||
          value >= numPrograms)
        return fail("no program " + number);
      currentRead = static_cast<int32_t>(value);
      continue;
    }
    if (line.rfind("program ", 0) == 0) {
      if (!read.empty() && read.back().values.size() != static_cast<size_t>(numParameters))
        return fail("the program before this one lacks parameters");
      if (read.size() == static_cast<size_t>(numPrograms)) return fail("too many programs");
      Program program;
      if (!unescape(line.substr(8), program.name)) return fail("a damaged program name");
      read.push_back(std::move(program));
      continue;
    }
    if (read.empty()) return fail("a value before the first program");
    Program& program = read.back();
    const size_t index = program.values.size();
    if (index == static_cast<size_t>(numParameters)) return fail("more values than parameters");
    const ParameterDescriptor& d = descriptors[index];
    const std::string prefix = std::string(d.name) + "=";
    if (line.rfind(prefix, 0) != 0) return fail("expected " + prefix);
    float value = 0.0f;
    if (!parseFloat(line.substr(prefix.size()), value)) return fail("not a number");
    program.values.push_back(value);
  }
  ++lineNumber;
  if (!headerSeen) return fail("not a Quorvella state");
  if (read.size() != static_cast<size_t>(numPrograms) ||
      (!read.empty() && read.back().values.size() != static_cast<size_t>(numParameters)))
    return fail("the file ends before the last program");
  if (currentRead < 0) return fail("no current program");
  current = currentRead;
  programs = std::move(read);
  return true;
}
