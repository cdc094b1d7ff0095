#include "support/StreamCapture.h"

#include <stdlib.h>
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#endif

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "support/TestFiles.h"

namespace testsupport {

StreamCapture::StreamCapture(int fd) : fd(fd) {
  std::string pattern = temporaryFolder() + "/quorvella-capture-XXXXXX";
  int target = ::mkstemp(pattern.data());
#ifdef _WIN32
  // mkstemp there opens the file for its caller alone; text() must open it again to read.
  if (target >= 0) {
    ::close(target);
    target = ::_sopen(pattern.c_str(), _O_RDWR | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  }
#endif
  if (target < 0) throw std::runtime_error("cannot make a capture file " + pattern);
  file = pattern;
  std::fflush(fd == 1 ? stdout : stderr);
  saved = ::dup(fd);
  ::dup2(target, fd);
  ::close(target);
}

StreamCapture::~StreamCapture() {
  if (saved < 0) return;
  std::string rest = stop();
  ssize_t ignored = ::write(fd, rest.data(), rest.size());
  (void)ignored;
}

std::string StreamCapture::text() const {
  if (saved < 0) return captured;
  std::fflush(fd == 1 ? stdout : stderr);
  return readFile(file);
}

std::string StreamCapture::stop() {
  if (saved >= 0) {
    captured = text();
    ::dup2(saved, fd);
    ::close(saved);
    saved = -1;
    ::unlink(file.c_str());
  }
  return captured;
}

bool StreamCapture::waitFor(const std::string& needle, int timeoutMs) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (text().find(needle) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

size_t StreamCapture::count(const std::string& needle) const {
  std::string all = text();
  size_t n = 0;
  for (size_t at = all.find(needle); at != std::string::npos;
       at = all.find(needle, at + needle.size()))
    ++n;
  return n;
}

}  // namespace testsupport
