#include "support/TempFolder.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#include "support/TestFiles.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

// Tests make files and folders unreadable on purpose: give every folder of the tree back
// to its owner so that it can be emptied. Links are not followed out of the tree.
void makeRemovable(const fs::path& folder) {
  std::error_code ignored;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code statusError;
    if (entry->symlink_status(statusError).type() == fs::file_type::directory)
      makeRemovable(entry->path());
  }
}

}  // namespace

TempFolder::TempFolder(const std::string& prefix) {
#ifdef _WIN32
  // No mkdtemp: fresh names until one can be made.
  std::random_device random;
  for (int attempt = 0; attempt < 100 && root.empty(); ++attempt) {
    std::string candidate = temporaryFolder() + "/" + prefix + "-" + std::to_string(random());
    std::error_code error;
    if (fs::create_directory(candidate, error)) root = candidate;
  }
  if (root.empty()) throw std::runtime_error("cannot make a temporary folder for " + prefix);
#else
  std::string pattern = temporaryFolder() + "/" + prefix + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder " + pattern);
  root = pattern;
#endif
}

TempFolder::~TempFolder() {
  makeRemovable(root);
  std::error_code error;
  fs::remove_all(root, error);
  if (error)
    std::fprintf(stderr, "could not remove %s: %s\n", root.c_str(), error.message().c_str());
}

}  // namespace testsupport
