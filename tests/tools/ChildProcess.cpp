#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace toolstest {

namespace {

// How often waitUntil looks whether the process has ended.
constexpr auto kWaitStep = std::chrono::milliseconds(10);

int millisecondsUntil(ChildProcess::Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - ChildProcess::Clock::now());
  return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && running()) kill();
  if (output_ >= 0) close(output_);
}

bool ChildProcess::start(const std::vector<std::string>& arguments,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         const std::string& errorFile, std::string& error) {
  if (pid_ > 0 || arguments.empty()) {
    error = pid_ > 0 ? "already started" : "no program given";
    return false;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  // Everything the child needs is prepared before fork: it only calls async-signal-safe
  // functions (and execvp) afterwards.
  std::vector<std::string> settings;
  for (const auto& e : environment) settings.push_back(e.first + "=" + e.second);
  std::vector<char*> envp;
  for (char** v = environ; *v != nullptr; ++v) {
    const char* equals = std::strchr(*v, '=');
    const size_t nameLength = equals != nullptr ? static_cast<size_t>(equals - *v) : 0;
    bool replaced = std::any_of(environment.begin(), environment.end(), [&](const auto& e) {
      return e.first.size() == nameLength && e.first.compare(0, nameLength, *v, nameLength) == 0;
    });
    if (!replaced) envp.push_back(*v);
  }
  for (auto& s : settings) envp.push_back(const_cast<char*>(s.c_str()));
  envp.push_back(nullptr);
  std::vector<char*> argv;
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t parent = getpid();

  pid_t child = fork();
  if (child < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (child == 0) {
    setpgid(0, 0);
    // Goes with the test, however the test ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(fds[1], 1);
    int err = errorFile.empty() ? open("/dev/null", O_WRONLY)
                                : open(errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (err >= 0) dup2(err, 2);
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  setpgid(child, child);  // also here, so that kill() finds the group whoever runs first
  close(fds[1]);
  fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  pid_ = child;
  output_ = fds[0];
  return true;
}

bool ChildProcess::readLine(std::string& line, Clock::time_point deadline) {
  for (;;) {
    size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    if (outputEnded_ || output_ < 0) return false;
    pollfd ready{output_, POLLIN, 0};
    int waited = poll(&ready, 1, millisecondsUntil(deadline));
    if (waited < 0 && errno == EINTR) continue;
    if (waited <= 0) return false;
    char buffer[4096];
    ssize_t got = read(output_, buffer, sizeof buffer);
    if (got > 0) {
      pending_.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
      outputEnded_ = true;
    }
  }
}

bool ChildProcess::running() {
  if (pid_ <= 0) return false;
  if (status_ >= 0) return false;
  int raw = 0;
  pid_t done = waitpid(pid_, &raw, WNOHANG);
  if (done == 0) return true;
  if (done == pid_)
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
  else
    status_ = 128;  // not ours to wait for any more
  return false;
}

bool ChildProcess::waitUntil(Clock::time_point deadline, int& status) {
  for (;;) {
    if (!running()) {
      status = status_;
      return pid_ > 0;
    }
    if (Clock::now() >= deadline) return false;
    // Keep the pipe drained, so that a program writing on its way out never blocks.
    if (!outputEnded_ && output_ >= 0) {
      char buffer[4096];
      ssize_t got = read(output_, buffer, sizeof buffer);
      if (got > 0) pending_.append(buffer, static_cast<size_t>(got));
      if (got == 0) outputEnded_ = true;
    }
    std::this_thread::sleep_for(kWaitStep);
  }
}

void ChildProcess::kill() {
  if (pid_ <= 0) return;
  // The group first: what the program started must not outlive it.
  ::kill(-pid_, SIGKILL);
  if (status_ < 0) {
    ::kill(pid_, SIGKILL);
    int raw = 0;
    while (waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
  }
}

}  // namespace toolstest
