#include "EditorProcess.h"

#include "support/TestFiles.h"

namespace winetest {

namespace {

// How long a closed host may take to end, and Wine's own processes after it (the server
// lingers a few seconds by design). Only a hung program reaches these.
constexpr auto kEndGuard = std::chrono::seconds(60);
constexpr auto kWineGuard = std::chrono::seconds(60);

}  // namespace

EditorProcess::~EditorProcess() { stop(nullptr, 0); }

bool EditorProcess::start(const EditorCommand& command, const std::string& display,
                          std::string& error) {
  command_ = command;
  auto environment = command.environment;
  environment.emplace_back("DISPLAY", display);
  if (!child_.start(command.arguments, environment, folder_.file("stderr"), error)) return false;
  started_ = true;
  return true;
}

bool EditorProcess::nextLine(std::string& line, Clock::time_point deadline) {
  if (!child_.readLine(line, deadline)) return false;
  lines_.push_back(line);
  return true;
}

int EditorProcess::stop(testsupport::XTestDriver* driver, uintptr_t hostWindow) {
  if (!started_ || stopped_) return status_;
  stopped_ = true;
  int status = -1;
  if (driver != nullptr && hostWindow != 0 && child_.running()) {
    driver->closeWindow(hostWindow);
    if (!child_.waitUntil(Clock::now() + kEndGuard, status)) status = -1;
  } else if (!child_.waitUntil(Clock::now(), status)) {
    status = -1;  // a test that gave up on it: nothing to wait for
  }
  // Whatever the program started in its process group goes with it (nothing, normally).
  child_.kill();
  status_ = status;
  if (!command_.winePrefix.empty()) endWine();
  return status_;
}

void EditorProcess::endWine() {
  // The server ends by itself once the prefix's last program has gone, and takes Wine's
  // helper processes (services, the desktop) with it.
  if (wineserver("-w", Clock::now() + kWineGuard)) return;
  wineKilled_ = true;
  wineserver("-k", Clock::now() + kWineGuard);
}

bool EditorProcess::wineserver(const std::string& argument, Clock::time_point deadline) {
  toolstest::ChildProcess server;
  std::string error;
  if (!server.start({"wineserver", argument}, {{"WINEPREFIX", command_.winePrefix}},
                    folder_.file("wineserver"), error))
    return false;
  int status = -1;
  if (server.waitUntil(deadline, status)) return status == 0;
  server.kill();
  return false;
}

std::string EditorProcess::errors() const {
  return testsupport::readFile(folder_.file("stderr")) +
         testsupport::readFile(folder_.file("wineserver"));
}

}  // namespace winetest
