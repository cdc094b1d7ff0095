#include "support/UserEnvironment.h"

#include "platform/PlatformInfo.h"
#include "support/TestFiles.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

namespace {
// Private to the user, as the plug-in makes its own folders.
constexpr mode_t kFolderMode = 0700;
#ifdef _WIN32
// The plug-in's preferences key, emptied before each new set of values.
const char* clearedPreferencesKey() {
  const char* key = "Software\\Halvercast\\com.halvercastlabs.Quorvella";
  RegDeleteTreeA(HKEY_CURRENT_USER, key);
  return key;
}
#endif
}  // namespace

UserEnvironment::UserEnvironment(Folders folders)
    : data("XDG_DATA_HOME", dataHome().c_str()),
      config("XDG_CONFIG_HOME", configHome().c_str()),
      appData("APPDATA", dataHome().c_str()) {
  makeFolders(scriptsFolder(), kFolderMode);
  if (folders == Folders::scriptsAndSettings) makeFolders(settingsFolder(), kFolderMode);
}

std::string UserEnvironment::scriptsFolder() const {
  const std::string sep(1, platform::kPathSeparator);
  return dataHome() + sep + "Halvercast" + sep + "Quorvella" + sep + "Scripts" + sep;
}

void UserEnvironment::addScript(const std::string& name, const std::string& text) const {
  writeFile(scriptsFolder() + name, text);
}

void UserEnvironment::setBasePort(int32_t port) const { setNumbers({{"OSC Base Port", port}}); }

void UserEnvironment::setNumbers(const std::vector<std::pair<std::string, int32_t>>& values) const {
#ifdef _WIN32
  const char* key = clearedPreferencesKey();
  for (const auto& value : values) {
    DWORD number = static_cast<DWORD>(value.second);
    RegSetKeyValueA(HKEY_CURRENT_USER, key, value.first.c_str(), REG_DWORD, &number, sizeof number);
  }
#else
  std::string text;
  for (const auto& value : values)
    text += value.first + "=dword:" + std::to_string(value.second) + "\n";
  makeFolders(settingsFolder(), kFolderMode);
  writeFile(settingsFolder() + "/com.halvercastlabs.Quorvella.conf", text);
#endif
}

void UserEnvironment::setText(const std::string& name, const std::string& text) const {
#ifdef _WIN32
  const char* key = clearedPreferencesKey();
  RegSetKeyValueA(HKEY_CURRENT_USER, key, name.c_str(), REG_SZ, text.c_str(),
                  static_cast<DWORD>(text.size() + 1));
#else
  makeFolders(settingsFolder(), kFolderMode);
  writeFile(settingsFolder() + "/com.halvercastlabs.Quorvella.conf", name + "=sz:" + text + "\n");
#endif
}

}  // namespace testsupport
