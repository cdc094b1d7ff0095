// Windows backend of the font lookup: the name as a path of its own, else the system's fonts
// folder, where the fonts that layouts name (arial.ttf, tahoma.ttf) are installed.
#include "platform/FontFiles.h"

#include <windows.h>

#include "platform/FileSystem.h"

namespace platform {

namespace {

bool isReadableFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) && isReadable(path);
}

}  // namespace

std::string findFontFile(const std::string& name) {
  if (name.empty() || name.find('\0') != std::string::npos) return std::string();
  if (isReadableFile(name)) return name;
  size_t slash = name.find_last_of("/\\:");
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  if (file.empty()) return std::string();
  std::string windows = environment("WINDIR");
  if (windows.empty()) windows = "c:\\windows";
  std::string path = windows + "\\fonts\\" + file;
  return isReadableFile(path) ? path : std::string();
}

}  // namespace platform
