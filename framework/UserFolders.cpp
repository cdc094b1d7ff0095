#include "framework/UserFolders.h"

#include "platform/FileSystem.h"
#include "platform/PlatformInfo.h"

namespace {

// "<sep>Halvercast<sep>Quorvella<sep><leaf><sep>"
std::string productFolder(const char* leaf) {
  const std::string sep(1, platform::kPathSeparator);
  return UserFolders::root() + sep + "Halvercast" + sep + "Quorvella" + sep + leaf + sep;
}

}  // namespace

std::string UserFolders::root() { return platform::userFolderRoot(); }

std::string UserFolders::skinsFolder() { return productFolder("Skins"); }

std::string UserFolders::scriptsFolder() { return productFolder("Scripts"); }

std::string UserFolders::skinFolder(const std::string& name) {
  std::string path = skinsFolder() + name;
  if (!platform::isReadable(path)) path += ".bundle";
  return platform::isReadable(path) ? path : std::string();
}

std::vector<std::string> UserFolders::scriptFiles() {
  std::string folder = scriptsFolder();
  std::vector<std::string> paths;
  for (const std::string& name : platform::readableFiles(folder, ".lua")) paths.push_back(folder + name);
  return paths;
}
