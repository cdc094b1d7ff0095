// The host tool showing the product's editor as a process of its own, watched from the test:
// quorvella-render with the Linux plug-in, or a Windows build's quorvella-render.exe with its
// DLL under Wine (tools/wine/run), on a display the test gives. Its standard output (the
// --show-edits lines) is read as it comes; its standard error is kept for failure messages.
//
// stop() ends it the way a user does, by closing the host's window, and makes sure that
// nothing is left behind: a process that does not end within the guard is killed with its
// process group, and for Wine the prefix's wineserver is waited for (and killed with
// `wineserver -k` when it does not go), so that no Wine process outlives the test.
//
// Threading: one thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "support/TempFolder.h"
#include "support/XTestDriver.h"

namespace winetest {

struct EditorCommand {
  std::string name;  // "linux", "win32" or "win64"
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> environment;
  std::string winePrefix;  // the Wine prefix it runs in; empty for a Linux program
};

class EditorProcess {
 public:
  using Clock = std::chrono::steady_clock;

  EditorProcess() = default;
  ~EditorProcess();  // stop() with no window to close
  EditorProcess(const EditorProcess&) = delete;
  EditorProcess& operator=(const EditorProcess&) = delete;

  // Starts the command with DISPLAY set to `display`.
  bool start(const EditorCommand& command, const std::string& display, std::string& error);

  // The next line of standard output (line ends removed); false when none came before the
  // deadline or the output ended. Every line read is also kept in lines().
  bool nextLine(std::string& line, Clock::time_point deadline);
  const std::vector<std::string>& lines() const { return lines_; }
  bool running() { return child_.running(); }

  // Asks the host's window to close and waits for the program to end; kills it when it
  // does not within the guard, or at once when there is no window to close (0). Returns
  // its exit status, or -1 when it had to be killed. Safe to call twice (the second call
  // returns the first's answer).
  int stop(testsupport::XTestDriver* driver, uintptr_t hostWindow);
  // True when stop() found Wine processes of the prefix still running after the program
  // ended and had to kill them.
  bool wineKilled() const { return wineKilled_; }

  // What the program wrote on standard error so far.
  std::string errors() const;

 private:
  // Waits for the prefix's wineserver to end, killing it (and so every process of the
  // prefix) when it does not within the guard.
  void endWine();
  // Runs `wineserver ARGUMENT` for the prefix; true when it finished within the guard.
  bool wineserver(const std::string& argument, Clock::time_point deadline);

  testsupport::TempFolder folder_{"quorvella-editor-process"};
  toolstest::ChildProcess child_;
  EditorCommand command_;
  std::vector<std::string> lines_;
  bool started_ = false;
  bool stopped_ = false;
  bool wineKilled_ = false;
  int status_ = -1;
};

}  // namespace winetest
