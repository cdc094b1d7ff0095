// A private user for the object's lifetime: XDG_DATA_HOME and XDG_CONFIG_HOME (and APPDATA,
// the root of the user folders on Windows) point into a temporary folder, with the plug-in's
// scripts folder already made. On Windows the preferences are registry values in an empty
// HKEY_CURRENT_USER of its own (PrivateUserRegistry), not a file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#ifdef _WIN32
#include "support/PrivateRegistry.h"
#endif

namespace testsupport {

class UserEnvironment {
 public:
  // Which of the plug-in's folders exist from the start. The settings folder is otherwise
  // left for the plug-in (or setBasePort()) to make, as on a first run.
  enum class Folders { scripts, scriptsAndSettings };

  explicit UserEnvironment(Folders folders = Folders::scripts);

  std::string dataHome() const { return temp.path() + "/data"; }
  std::string configHome() const { return temp.path() + "/config"; }
  std::string settingsFolder() const { return configHome() + "/Halvercast"; }
  // As the plug-in writes it, with the system's separator after the data folder.
  std::string scriptsFolder() const;

  void addScript(const std::string& name, const std::string& text) const;
  // Replaces the preferences file with one holding the "OSC Base Port" preference alone.
  void setBasePort(int32_t port) const;
  // Replaces the preferences file (on Windows the registry values) with these 32-bit
  // numbers, by value name.
  void setNumbers(const std::vector<std::pair<std::string, int32_t>>& values) const;
  // Replaces the preferences with one text value (such as "Skin").
  void setText(const std::string& name, const std::string& text) const;

 private:
  TempFolder temp{"quorvella-user"};
  ScopedEnv data;
  ScopedEnv config;
  ScopedEnv appData;
#ifdef _WIN32
  PrivateUserRegistry registry;
#endif
};

}  // namespace testsupport
