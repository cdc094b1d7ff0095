#include "framework/Settings.h"

#include "framework/CFString.h"
#include "platform/SettingsStore.h"

namespace {
platform::SettingsStore productStore() {
  return platform::SettingsStore({"Software", "Halvercast", "com.halvercastlabs.Quorvella"});
}
}  // namespace

int32_t Settings::readNumber(const CFString* name, int32_t defaultValue) {
  int32_t value = defaultValue;
  if (!name || !productStore().readNumber(name->text(), value)) return defaultValue;
  return value;
}

void Settings::writeNumber(const CFString* name, int32_t value) {
  if (name) productStore().writeNumber(name->text(), value);
}

bool Settings::readText(const CFString* name, std::string& out) {
  std::string text;
  if (!name || !productStore().readText(name->text(), text)) return false;
  out = text;
  return true;
}

std::string Settings::location() { return productStore().location(); }

std::string Settings::damage() { return productStore().damage(); }
