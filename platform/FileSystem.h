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
// empty text. On Windows an absolute path is one with a drive ("C:\") or a server
// ("\\server"), and the user's profile folder (%USERPROFILE%) stands in for $HOME, with
// the fallback's slashes turned into backslashes. (Only the Linux settings store uses it.)
std::string xdgBaseFolder(const char* variable, const char* homeFallback);

// Root of the per-user application data, without a trailing separator:
// - Linux: $XDG_DATA_HOME, else $HOME/.local/share, else the empty text;
// - Windows: %APPDATA%, else "C:\Documents and Settings\" %USERNAME% "\Application Data",
//   else the empty text.
std::string userFolderRoot();

// The access test for reading: true when path (a file or a folder) exists and may be read.
// On Windows the test opens it for reading; a device or a pipe is never readable.
bool isReadable(const std::string& path);

// Names (not paths) of the regular files in folder whose names end with extension (for
// example ".lua") and that can be read, sorted by name (byte order). A missing or
// unreadable folder gives an empty list. Letter case counts on Linux; on Windows, where
// file names ignore it, it does not (and the short 8.3 names never match).
std::vector<std::string> readableFiles(const std::string& folder, const std::string& extension);

}  // namespace platform
