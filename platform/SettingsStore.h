// Per-user preference values under one key path, e.g. {"Software", "Halvercast",
// "com.halvercastlabs.Quorvella"}. Values are 32-bit numbers or texts, found by name.
// - Windows: registry values under HKEY_CURRENT_USER, one key per level of the path. A read
//   creates the levels above the last one (never the last), as the product always has.
// - Linux: one settings file per key path (see posix/SettingsStore.cpp).
//
// Failures are silent: a value that cannot be read is absent, a write that cannot be done
// leaves the store as it was. Safe to use from several threads and processes at once:
// readers see the old or the new value, never a mix, and no write loses a value of another
// (the registry writes each value by itself; on Linux every write replaces the whole file
// atomically and writers take turns). On Linux, a store that is not a plain file (a FIFO, a
// device, a folder) reads as empty and is never written; no call waits on it; a write waits
// a few seconds at most for another writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class SettingsStore {
public:
  explicit SettingsStore(std::vector<std::string> keyPath);

  // The stored data read into a 4-byte number: a number as it is; a value of another kind
  // whose stored bytes fit in 4 bytes as those bytes (little-endian, zero-filled); false
  // when absent or longer.
  bool readNumber(const std::string& name, int32_t& value) const;
  // Stores a 32-bit number, creating the key path as needed. False when it was not stored.
  bool writeNumber(const std::string& name, int32_t value) const;
  // A text value (at most 255 characters; a longer one cannot be read). A number reads as
  // its stored bytes up to the first zero byte. False when absent or too long.
  bool readText(const std::string& name, std::string& text) const;

  // Where the values are kept, for messages and tests: the settings file on Linux,
  // "HKEY_CURRENT_USER\Software\..." on Windows. Empty for an empty key path.
  std::string location() const;

  // Why every stored value is being ignored, for the user to fix: on Linux, when the
  // settings file exists but is damaged, its path and the first line that broke it; empty
  // otherwise (always on Windows, where each registry value stands alone).
  std::string damage() const;

private:
  std::vector<std::string> keyPath;
};

}  // namespace platform
