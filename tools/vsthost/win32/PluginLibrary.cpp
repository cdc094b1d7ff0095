#include "vsthost/PluginLibrary.h"

#include <windows.h>

namespace vsthost {

namespace {

std::string lastErrorText() {
  DWORD code = GetLastError();
  char text[512] = {0};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' '))
    text[--length] = '\0';
  return length > 0 ? std::string(text) : "error " + std::to_string(code);
}

}  // namespace

std::string PluginLibrary::open(const std::string& path) {
  handle_.reset();
  entry_ = nullptr;
  entryName_.clear();
  path_ = path;

  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return "plug-in '" + path + "' not found";
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "plug-in '" + path + "' is a directory";

  // LoadLibrary searches the system's folders for a bare name; a host loads the file.
  std::string file = path.find_first_of("/\\") == std::string::npos ? ".\\" + path : path;
  HMODULE raw = LoadLibraryA(file.c_str());
  if (raw == nullptr) return "cannot load plug-in '" + path + "': " + lastErrorText();
  std::shared_ptr<void> handle(static_cast<void*>(raw),
                               [](void* h) { FreeLibrary(static_cast<HMODULE>(h)); });

  for (const char* name : {"VSTPluginMain", "main"}) {
    if (FARPROC symbol = GetProcAddress(raw, name)) {
      entry_ = reinterpret_cast<VstPluginMainProc>(reinterpret_cast<void (*)()>(symbol));
      entryName_ = name;
      break;
    }
  }
  if (entry_ == nullptr) return "plug-in '" + path + "' exports neither VSTPluginMain nor main";
  handle_ = std::move(handle);
  return {};
}

}  // namespace vsthost
