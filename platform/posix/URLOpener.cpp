#include "platform/URLOpener.h"

#include <cerrno>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace platform {

void openURL(const std::string& url) {
  // A short-lived shell starts xdg-open in the background and exits at once, so the caller
  // never waits for a browser and no child is left unreaped. The address is passed as an
  // argument, never as part of the command text, so nothing in it is run by the shell.
  const char* argv[] = {"sh", "-c", "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &", "sh",
                        url.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace platform
