#include "support/TestFiles.h"

#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace testsupport {

std::string temporaryFolder() {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::temp_directory_path(error);
#ifdef _WIN32
  // Forward slashes and no separator at the end, so that paths built from it can go into
  // Lua string literals and messages as they are.
  if (error) return "C:/Windows/Temp";
  std::string text = folder.generic_string();
  while (text.size() > 3 && text.back() == '/') text.pop_back();
  return text;
#else
  return error ? std::string("/tmp") : folder.string();
#endif
}

void makeFolders(const std::string& path, mode_t mode) {
#ifdef _WIN32
  (void)mode;  // folders inherit their access rights
  for (size_t at = 1; at <= path.size(); ++at)
    if (at == path.size() || path[at] == '/' || path[at] == '\\') ::_mkdir(path.substr(0, at).c_str());
#else
  for (size_t at = 1; at <= path.size(); ++at)
    if (at == path.size() || path[at] == '/') ::mkdir(path.substr(0, at).c_str(), mode);
#endif
}

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return !out.fail();
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool fileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

bool entryExists(const std::string& path) {
#ifdef _WIN32
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
#else
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
#endif
}

}  // namespace testsupport
