// Windows backend of the file-system queries, with the ANSI functions throughout: the paths
// built here go on to the C library's fopen (Lua's file functions among its users), which
// takes ANSI paths as well.
#include "platform/FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace platform {

namespace {

bool endsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  size_t start = text.size() - tail.size();
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[start + i])) !=
        std::tolower(static_cast<unsigned char>(tail[i])))
      return false;
  return true;
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// "C:\..." or "\\server\...".
bool isAbsolute(const std::string& path) {
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      isSeparator(path[2]))
    return true;
  return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

}  // namespace

std::string environment(const char* name) {
  if (!name) return std::string();
  // The variable may change between the two calls: ask again until it fits.
  std::string value(256, '\0');
  for (;;) {
    DWORD length = GetEnvironmentVariableA(name, &value[0], static_cast<DWORD>(value.size()));
    if (length == 0) return std::string();
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.assign(length, '\0');
  }
}

std::string xdgBaseFolder(const char* variable, const char* homeFallback) {
  std::string value = environment(variable);
  if (!value.empty() && isAbsolute(value)) return value;
  // The user's profile folder stands in for the home folder, with Windows separators.
  std::string home = environment("USERPROFILE");
  if (home.empty()) return std::string();
  std::string tail = homeFallback ? homeFallback : "";
  std::replace(tail.begin(), tail.end(), '/', '\\');
  return home + tail;
}

std::string userFolderRoot() {
  std::string appData = environment("APPDATA");
  if (!appData.empty()) return appData;
  // Systems without the variable keep each user's application data in the profile.
  std::string user = environment("USERNAME");
  if (!user.empty()) return "C:\\Documents and Settings\\" + user + "\\Application Data";
  return std::string();
}

bool isReadable(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  // Opening for reading is the test: attributes alone say nothing about access rights.
  // FILE_FLAG_BACKUP_SEMANTICS lets folders be opened too (reading a folder lists it).
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // Devices and pipes answer to names too (a skin folder called "COM1"); they are no files.
  bool onDisk = GetFileType(file) == FILE_TYPE_DISK;
  CloseHandle(file);
  return onDisk;
}

std::vector<std::string> readableFiles(const std::string& folder, const std::string& extension) {
  std::vector<std::string> names;
  std::string prefix = folder;
  if (!prefix.empty() && !isSeparator(prefix.back())) prefix += '\\';
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((prefix + "*" + extension).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = entry.cFileName;
    // The pattern also matches the short 8.3 names: "*.lua" finds "backup.lua~" through
    // "BACKUP~1.LUA". Only the real name counts.
    if (!endsWithNoCase(name, extension)) continue;
    if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
    if (!isReadable(prefix + name)) continue;
    names.push_back(std::move(name));
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform
