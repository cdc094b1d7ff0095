// Whole-file reading and atomic replacement of small files of our own (settings, the
// standalone application's state): a reader never sees half a file, and a crash while
// writing leaves the old content.
//
// Threads: any; the functions share nothing. Concurrent writers of one path each leave a
// complete file, the last rename winning.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

class SmallFile {
public:
  enum class ReadResult { kRead, kMissing, kFailed };

  // Reads the regular file at path, up to maxSize + 1 bytes (so that a caller sees an
  // oversized file as too long). Devices, pipes and folders are never opened for reading.
  static ReadResult read(const std::string& path, size_t maxSize, std::string& content);
  // Writes content to a temporary file beside path, syncs it and renames it over path, so
  // the file holds either the old or the new content whatever happens in between; then
  // syncs the folder so that the rename lasts. mode is the new file's permission bits.
  static bool replace(const std::string& path, const std::string& content, unsigned mode);
  // Creates folder and its missing parents (mode 0700); true when it is a folder afterwards.
  static bool makeFolders(const std::string& folder);
};

}  // namespace platform
