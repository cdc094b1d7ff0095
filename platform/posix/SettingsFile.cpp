#include "platform/posix/SettingsFile.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace platform {

namespace {

constexpr char kNumberTag[] = "dword:";
constexpr char kTextTag[] = "sz:";

bool startsWith(const std::string& text, size_t at, const char* head) {
  return text.compare(at, std::char_traits<char>::length(head), head) == 0;
}

bool parseNumber(const std::string& digits, int32_t& out) {
  if (digits.empty() || digits.size() > 11) return false;
  size_t i = digits[0] == '-' ? 1 : 0;
  if (i == digits.size()) return false;
  for (size_t j = i; j < digits.size(); ++j)
    if (digits[j] < '0' || digits[j] > '9') return false;
  errno = 0;
  long long value = std::strtoll(digits.c_str(), nullptr, 10);
  if (errno != 0 || value < std::numeric_limits<int32_t>::min() ||
      value > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(value);
  return true;
}

bool unescape(const std::string& data, std::string& out) {
  out.clear();
  for (size_t i = 0; i < data.size(); ++i) {
    char c = data[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == data.size()) return false;
    switch (data[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: return false;
    }
  }
  return true;
}

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string SettingsFile::Value::bytes() const {
  if (!isNumber) return text + '\0';
  uint32_t u = static_cast<uint32_t>(number);
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
  return out;
}

bool SettingsFile::isValidName(const std::string& name) {
  if (name.empty() || name[0] == '#') return false;
  for (char c : name)
    if (c == '=' || c == '\n' || c == '\r' || c == '\0') return false;
  return true;
}

bool SettingsFile::parse(const std::string& content) {
  values.clear();
  damaged.clear();
  if (content.size() > kMaxSize) {
    damaged = "larger than " + std::to_string(kMaxSize) + " bytes";
    return false;
  }
  size_t start = 0;
  for (int number = 1; damaged.empty() && start < content.size(); ++number) {
    size_t end = content.find('\n', start);
    std::string line = content.substr(start, end - start);
    start = end == std::string::npos ? content.size() : end + 1;
    // The line as the user sees it in an editor, made printable and kept short.
    auto broken = [&](const char* why) {
      std::string shown;
      for (char c : line.substr(0, 80)) shown += (c == '\0' || c == '\r') ? '?' : c;
      damaged = "line " + std::to_string(number) + ": " + shown +
                (line.size() > 80 ? "..." : "") + (why[0] ? std::string(" (") + why + ")" : "");
    };
    if (line.find('\0') != std::string::npos) {
      broken("a zero byte");
      break;
    }
    if (end == std::string::npos) {
      broken("no newline at the end of the file");
      break;
    }
    if (line.empty() || line[0] == '#') continue;
    size_t equals = line.find('=');
    std::string name = line.substr(0, equals == std::string::npos ? line.size() : equals);
    if (equals == std::string::npos || !isValidName(name)) {
      broken("not name=type:value");
      break;
    }
    if (find(name)) {
      broken("a name given twice");
      break;
    }
    Value value;
    bool ok = false;
    if (startsWith(line, equals + 1, kNumberTag)) {
      ok = parseNumber(line.substr(equals + 1 + sizeof(kNumberTag) - 1), value.number);
      if (!ok) broken("not a 32-bit number");
    } else if (startsWith(line, equals + 1, kTextTag)) {
      value.isNumber = false;
      ok = unescape(line.substr(equals + 1 + sizeof(kTextTag) - 1), value.text);
      if (!ok) broken("a backslash other than \\\\, \\n or \\r");
    } else {
      broken("the type is neither dword: nor sz:");
    }
    if (ok) values.emplace_back(std::move(name), std::move(value));
  }
  if (!damaged.empty()) values.clear();
  return damaged.empty();
}

std::string SettingsFile::format(const std::string& comment) const {
  std::string out = "# " + comment + "\n";
  for (const auto& entry : values) {
    out += entry.first;
    out += '=';
    if (entry.second.isNumber)
      out += kNumberTag + std::to_string(entry.second.number);
    else
      out += kTextTag + escape(entry.second.text);
    out += '\n';
  }
  return out;
}

const SettingsFile::Value* SettingsFile::find(const std::string& name) const {
  for (const auto& entry : values)
    if (entry.first == name) return &entry.second;
  return nullptr;
}

SettingsFile::Value& SettingsFile::slot(const std::string& name) {
  for (auto& entry : values)
    if (entry.first == name) return entry.second;
  values.emplace_back(name, Value());
  return values.back().second;
}

void SettingsFile::setNumber(const std::string& name, int32_t number) {
  Value& value = slot(name);
  value.isNumber = true;
  value.number = number;
  value.text.clear();
}

void SettingsFile::setText(const std::string& name, const std::string& text) {
  Value& value = slot(name);
  value.isNumber = false;
  value.number = 0;
  value.text = text;
}

}  // namespace platform
