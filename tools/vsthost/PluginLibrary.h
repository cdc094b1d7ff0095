// A VST 2.4 plug-in library opened the way a host opens it: dlopen with RTLD_NOW |
// RTLD_LOCAL on Linux, LoadLibrary on Windows, then the entry "VSTPluginMain", or "main"
// for older plug-ins.
//
// The library stays loaded while the PluginLibrary or any HostedEffect created from it is
// alive: it is unloaded only after every instance is closed and destroyed.
#pragma once

#include <memory>
#include <string>

#include "faces/vst2/AEffect.h"

namespace vsthost {

class PluginLibrary {
 public:
  PluginLibrary() = default;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the library at path (a path without '/' is taken relative to the working
  // directory, never searched for). Returns an empty string on success, otherwise a
  // one-line error naming the path: not found, not loadable (with the loader's text) or
  // no entry. A library opened before is released first.
  std::string open(const std::string& path);

  bool isOpen() const { return entry_ != nullptr; }
  const std::string& path() const { return path_; }
  // "VSTPluginMain" or "main", whichever was found.
  const std::string& entryName() const { return entryName_; }
  VstPluginMainProc entry() const { return entry_; }
  // Shared ownership of the loaded library; an instance holds it until it is destroyed.
  std::shared_ptr<void> handle() const { return handle_; }

 private:
  std::shared_ptr<void> handle_;
  VstPluginMainProc entry_ = nullptr;
  std::string path_;
  std::string entryName_;
};

}  // namespace vsthost
