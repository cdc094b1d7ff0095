// The per-user folders of the product: skins and MIDI scripts below the user folder root
// ($XDG_DATA_HOME, else ~/.local/share on Linux). Nothing is cached: every call looks at
// the environment and the file system again.
#pragma once

#include <string>
#include <vector>

class UserFolders {
public:
  // The root, without a trailing separator; the empty text when it cannot be found (the
  // folders below are then looked up from the file-system root).
  static std::string root();
  // root + "/Halvercast/Quorvella/Skins/" (with the platform's separator).
  static std::string skinsFolder();
  // root + "/Halvercast/Quorvella/Scripts/".
  static std::string scriptsFolder();
  // The readable skin folder named name, else name + ".bundle", else the empty text.
  static std::string skinFolder(const std::string& name);
  // Full paths of the readable "*.lua" files in the scripts folder, sorted by file name so
  // that scripts always run in the same order. Empty when the folder is missing.
  static std::vector<std::string> scriptFiles();
};
