// File-system and environment queries the program needs: environment variables, the
// per-user folder root, access tests and directory listings.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The value of an environment variable, or the empty text when it is not set.
std::string environment(const char* name);

// A per-user base folder by the XDG base-directory rules: the variable's value when it is
// an absolute path, else $HOME followed by homeFallback (such as "/.config"), else the
// empty text.
std::string xdgBaseFolder(const char* variable, const char* homeFallback);

// Root of the per-user application data, without a trailing separator: on Linux
// $XDG_DATA_HOME, else $HOME/.local/share, else the empty text.
std::string userFolderRoot();

// The access test for reading: true when path (a file or a folder) exists and may be read.
bool isReadable(const std::string& path);

// Names (not paths) of the regular files in folder whose names end with extension (for
// example ".lua") and that can be read, sorted by name. A missing or unreadable folder
// gives an empty list.
std::vector<std::string> readableFiles(const std::string& folder, const std::string& extension);

}  // namespace platform
