#include "support/XvfbDisplay.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace testsupport {

namespace {
// How long a server may take to come up on a loaded machine before the test fails.
constexpr int kStartLimitMs = 60000;
}  // namespace

XvfbDisplay::XvfbDisplay() { start(); }

XvfbDisplay::XvfbDisplay(External, const std::string& name) : name_(name) {}

XvfbDisplay::~XvfbDisplay() { stop(); }

XvfbDisplay& XvfbDisplay::shared() {
  static std::unique_ptr<XvfbDisplay> display = [] {
    const char* given = std::getenv("DISPLAY");
    if (given != nullptr && *given != '\0')
      return std::unique_ptr<XvfbDisplay>(new XvfbDisplay(External{}, given));
    std::unique_ptr<XvfbDisplay> own(new XvfbDisplay());
    if (own->ok()) {
      setenv("DISPLAY", own->name().c_str(), 1);
      setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    }
    return own;
  }();
  return *display;
}

void XvfbDisplay::start() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  pid_t parent = getpid();
  pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    error_ = "fork failed";
    return;
  }
  if (child == 0) {
    // The server goes when the test goes, however it ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    int writeEnd = dup(fds[1]);  // without close-on-exec
    int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) {
      dup2(quiet, 1);
      dup2(quiet, 2);
    }
    std::string fd = std::to_string(writeEnd);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x2400x24", "-nolisten",
           "tcp", "+extension", "GLX", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  server_ = child;
  // The server writes its display number once it accepts connections.
  std::string number;
  pollfd wait{fds[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos) {
    if (poll(&wait, 1, kStartLimitMs) <= 0) break;
    char buffer[32];
    ssize_t got = read(fds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    number.append(buffer, static_cast<size_t>(got));
  }
  close(fds[0]);
  if (number.empty() || number.find('\n') == std::string::npos) {
    error_ = "Xvfb did not start (is the xvfb package installed?)";
    stop();
    return;
  }
  std::string name = ":" + number.substr(0, number.find('\n'));
  Display* probe = XOpenDisplay(name.c_str());
  if (probe == nullptr) {
    error_ = "Xvfb started on " + name + " but refuses connections";
    stop();
    return;
  }
  XCloseDisplay(probe);
  name_ = name;
}

void XvfbDisplay::stop() {
  if (server_ > 0) {
    kill(server_, SIGTERM);
    int status = 0;
    waitpid(server_, &status, 0);
    server_ = -1;
    name_.clear();
  }
}

}  // namespace testsupport
