// Text form of one settings key on Linux: a small line-based file.
//
//   # <comment lines>
//   OSC Base Port=dword:7000
//   Skin=sz:My Skin
//
// A value line is name=type:data with the type "dword" (a signed 32-bit decimal) or "sz"
// (a text in which backslash, newline and carriage return are written \\, \n and \r).
// Names cannot hold '=', line breaks or a leading '#'. Every line ends with a newline.
// Content that breaks any of these rules, or a name given twice, is damaged as a whole:
// parse() then fails and no value is kept, so a half-written or mangled file never yields
// a wrong value.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class SettingsFile {
public:
  struct Value {
    bool isNumber = true;
    int32_t number = 0;
    std::string text;
    // The value's data as stored: 4 little-endian bytes, or the text and a zero byte.
    std::string bytes() const;
  };

  static constexpr size_t kMaxSize = 64 * 1024;

  // False (and no values) when the content is damaged; damage() then says where.
  bool parse(const std::string& content);
  // What made the last parse() fail, naming the line ("line 3: Skin sz:Tideline"); empty
  // after a successful parse.
  const std::string& damage() const { return damaged; }
  std::string format(const std::string& comment) const;

  const Value* find(const std::string& name) const;
  void setNumber(const std::string& name, int32_t number);
  void setText(const std::string& name, const std::string& text);

  static bool isValidName(const std::string& name);

private:
  Value& slot(const std::string& name);

  std::vector<std::pair<std::string, Value>> values;  // in file order
  std::string damaged;
};

}  // namespace platform
