#include "vsthost/PluginLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace vsthost {

std::string PluginLibrary::open(const std::string& path) {
  handle_.reset();
  entry_ = nullptr;
  entryName_.clear();
  path_ = path;

  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return "plug-in '" + path + "' not found";
  if (S_ISDIR(info.st_mode)) return "plug-in '" + path + "' is a directory";

  // dlopen searches the library path for names without a slash; a host loads the file.
  std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  ::dlerror();
  int flags = RTLD_NOW | RTLD_LOCAL;
#if defined(__SANITIZE_ADDRESS__)
  // The leak checker reports at exit; a plug-in unloaded by then leaves its allocations
  // without a name, so under the checker plug-ins stay mapped after they are closed.
  flags |= RTLD_NODELETE;
#endif
  void* raw = ::dlopen(file.c_str(), flags);
  if (raw == nullptr) {
    const char* why = ::dlerror();
    return "cannot load plug-in '" + path + "': " + (why != nullptr ? why : "unknown error");
  }
  std::shared_ptr<void> handle(raw, [](void* h) { ::dlclose(h); });

  for (const char* name : {"VSTPluginMain", "main"}) {
    if (void* symbol = ::dlsym(raw, name)) {
      // POSIX guarantees data and function pointers convert for dlsym results.
      entry_ = reinterpret_cast<VstPluginMainProc>(symbol);
      entryName_ = name;
      break;
    }
  }
  if (entry_ == nullptr) return "plug-in '" + path + "' exports neither VSTPluginMain nor main";
  handle_ = std::move(handle);
  return {};
}

}  // namespace vsthost
