// A fresh folder under the system's temporary folder, removed with everything in it at
// destruction.
#pragma once

#include <string>

namespace testsupport {

class TempFolder {
 public:
  // The name starts with prefix; throws std::runtime_error when no folder can be made.
  explicit TempFolder(const std::string& prefix = "quorvella-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return root; }
  std::string file(const std::string& name) const { return root + "/" + name; }

 private:
  std::string root;
};

}  // namespace testsupport
