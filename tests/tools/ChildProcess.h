// A program started by a test and watched while it runs: its standard output comes through
// a pipe and is read line by line as it is written, its standard error goes to a file (for
// the failure message), and it runs in a process group of its own, so that stopping it
// also stops whatever it started (Wine's processes, for example).
//
// Every wait is a poll against a deadline that the caller gives: a program that hangs
// makes the wait return false, never the test hang.
//
// Threading: one thread at a time.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace toolstest {

class ChildProcess {
 public:
  using Clock = std::chrono::steady_clock;

  ChildProcess() = default;
  ~ChildProcess();  // kill() when still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts arguments[0] (looked up in PATH when it has no slash) with the environment of
  // this process plus `environment`; standard error goes to errorFile (appended to, or
  // discarded when empty). False with a reason in `error` when it cannot be started; a
  // program that is not found exits with status 127 instead.
  bool start(const std::vector<std::string>& arguments,
             const std::vector<std::pair<std::string, std::string>>& environment,
             const std::string& errorFile, std::string& error);

  pid_t pid() const { return pid_; }

  // The next line of standard output, without its line end ("\n" or "\r\n"). False when
  // the output has ended or the deadline passed before a whole line came.
  bool readLine(std::string& line, Clock::time_point deadline);

  // Waits until the process has ended or the deadline passes; true once it has ended.
  // `status` is the exit status, or 128 + the signal that ended it.
  bool waitUntil(Clock::time_point deadline, int& status);
  bool running();

  // SIGKILL to the process group, then waits for the process.
  void kill();

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string pending_;
  bool outputEnded_ = false;
  int status_ = -1;
};

}  // namespace toolstest
