// Small file helpers for tests.
#pragma once

#include <sys/types.h>

#include <string>

namespace testsupport {

// The system's folder for temporary files: TMPDIR when set, else /tmp (on Windows the
// system's, written with forward slashes).
std::string temporaryFolder();
// Makes the folder and every missing parent; failures are left to the caller's checks.
void makeFolders(const std::string& path, mode_t mode = 0755);
// Replaces the file's contents with text; false when it cannot be written.
bool writeFile(const std::string& path, const std::string& text);
// The file's contents; empty when it cannot be read.
std::string readFile(const std::string& path);
// True when the path leads to a file or folder, following links.
bool fileExists(const std::string& path);
// True when anything is at the path itself, a dangling link included.
bool entryExists(const std::string& path);

}  // namespace testsupport
