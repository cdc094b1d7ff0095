// Windows backend of the settings store: registry values under HKEY_CURRENT_USER, one key
// level per name of the key path. The registry keeps every value by itself and replaces it
// atomically, so threads and processes need no locking of their own.
#include "platform/SettingsStore.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

constexpr DWORD kTextBufferSize = 256;  // a text and its terminating zero must fit

// The keys opened along a key path, each below the one before; closed together, innermost
// first.
class OpenKeys {
public:
  explicit OpenKeys(size_t depth) { keys.reserve(depth); }  // no allocation while keys are open
  ~OpenKeys() {
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) RegCloseKey(*key);
  }
  OpenKeys(const OpenKeys&) = delete;
  OpenKeys& operator=(const OpenKeys&) = delete;

  HKEY last() const { return keys.empty() ? HKEY_CURRENT_USER : keys.back(); }

  bool create(const std::string& name) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(last(), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return false;
    keys.push_back(key);
    return true;
  }

  bool open(const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(last(), name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    keys.push_back(key);
    return true;
  }

private:
  std::vector<HKEY> keys;
};

// Reads a value into buffer (size: its capacity in, the stored size out). The levels above
// the last are created for writing on the way, so a first read makes them; a level that
// cannot be created (a read-only branch) is opened for reading instead, so its values stay
// readable. The last level is only opened. False when the value is absent or does not fit.
bool query(const std::vector<std::string>& keyPath, const std::string& name, BYTE* buffer, DWORD& size) {
  if (keyPath.empty()) return false;
  OpenKeys keys(keyPath.size());
  for (size_t i = 0; i + 1 < keyPath.size(); ++i)
    if (!keys.create(keyPath[i]) && !keys.open(keyPath[i])) return false;
  if (!keys.open(keyPath.back())) return false;
  // The stored type is not looked at: whatever fits the buffer is read.
  return RegQueryValueExA(keys.last(), name.c_str(), nullptr, nullptr, buffer, &size) == ERROR_SUCCESS;
}

}  // namespace

SettingsStore::SettingsStore(std::vector<std::string> keyPath) : keyPath(std::move(keyPath)) {}

std::string SettingsStore::damage() const { return std::string(); }

std::string SettingsStore::location() const {
  if (keyPath.empty()) return std::string();
  std::string text = "HKEY_CURRENT_USER";
  for (const std::string& level : keyPath) text += "\\" + level;
  return text;
}

bool SettingsStore::readNumber(const std::string& name, int32_t& value) const {
  BYTE bytes[4] = {0, 0, 0, 0};
  DWORD size = sizeof bytes;
  if (!query(keyPath, name, bytes, size)) return false;
  // Shorter values keep the zero bytes above them.
  uint32_t u = 0;
  for (size_t i = 0; i < sizeof bytes; ++i) u |= static_cast<uint32_t>(bytes[i]) << (8 * i);
  value = static_cast<int32_t>(u);
  return true;
}

bool SettingsStore::readText(const std::string& name, std::string& text) const {
  BYTE buffer[kTextBufferSize];
  DWORD size = sizeof buffer;
  if (!query(keyPath, name, buffer, size)) return false;
  // Stored texts need not end with a zero byte.
  buffer[size < kTextBufferSize - 1 ? size : kTextBufferSize - 1] = 0;
  text = reinterpret_cast<const char*>(buffer);
  return true;
}

bool SettingsStore::writeNumber(const std::string& name, int32_t value) const {
  if (keyPath.empty()) return false;
  OpenKeys keys(keyPath.size());
  for (const std::string& level : keyPath)
    if (!keys.create(level)) return false;
  DWORD data = static_cast<DWORD>(value);
  return RegSetValueExA(keys.last(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                        sizeof data) == ERROR_SUCCESS;
}

}  // namespace platform
