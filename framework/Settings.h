// The product's per-user preferences, kept under the key path "Software", "Halvercast",
// "com.halvercastlabs.Quorvella" (a small file under $XDG_CONFIG_HOME on Linux). Value
// names are interned constant strings, e.g. CFString::constant(kPreferenceOSCBasePort) from
// framework/SettingsValueNames.h.
//
// Failures are silent, as preferences must never stop the effect: reading gives the
// default (numbers) or leaves the text unchanged, writing has no result. Any thread.
#pragma once

#include <cstdint>
#include <string>

class CFString;

class Settings {
public:
  // The stored number, or defaultValue when the value cannot be read.
  static int32_t readNumber(const CFString* name, int32_t defaultValue);
  // Stores a 32-bit number, creating the key path as needed.
  static void writeNumber(const CFString* name, int32_t value);
  // On success replaces out with the stored text (at most 255 characters) and answers
  // true; otherwise leaves out unchanged.
  static bool readText(const CFString* name, std::string& out);

  // Where the values are kept (for messages and tests).
  static std::string location();
  // Empty, or where the stored preferences are damaged and therefore all ignored (the
  // file's path and the line that broke it).
  static std::string damage();
};
