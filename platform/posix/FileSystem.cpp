#include "platform/FileSystem.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace platform {

namespace {
bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string xdgBaseFolder(const char* variable, const char* homeFallback) {
  // A relative XDG value is ignored, as the base-directory rules ask.
  std::string value = environment(variable);
  if (!value.empty() && value[0] == '/') return value;
  std::string home = environment("HOME");
  if (!home.empty()) return home + homeFallback;
  return std::string();
}

std::string userFolderRoot() { return xdgBaseFolder("XDG_DATA_HOME", "/.local/share"); }

bool isReadable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

std::vector<std::string> readableFiles(const std::string& folder, const std::string& extension) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (!endsWith(name, extension)) continue;
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    // stat follows links: a link to a readable file counts, a dangling one does not.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (!isReadable(path)) continue;
    names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform
