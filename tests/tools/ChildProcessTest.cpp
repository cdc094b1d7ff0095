// The tests' child processes: output read line by line as it comes, waits that end at their
// deadline, and a stop that takes what the program started with it.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "ToolTestSupport.h"

namespace {

using Clock = toolstest::ChildProcess::Clock;
using toolstest::ChildProcess;

Clock::time_point in(int seconds) { return Clock::now() + std::chrono::seconds(seconds); }

TEST(ChildProcessTest, ReadsLinesAsTheyComeWithTheirEnvironmentAndExitStatus) {
  ChildProcess child;
  std::string error;
  // The second line comes only after the first was read back: nothing waits for the end.
  toolstest::TempFolder dir;
  const std::string go = dir.file("go");
  ASSERT_TRUE(child.start({"sh", "-c",
                           "printf 'first\\r\\n'; while [ ! -e \"$GO\" ]; do sleep 0.01; done; "
                           "echo \"$WORD\"; echo oops >&2; exit 3"},
                          {{"WORD", "second"}, {"GO", go}}, dir.file("err"), error))
      << error;
  std::string line;
  ASSERT_TRUE(child.readLine(line, in(60)));
  EXPECT_EQ(line, "first");
  EXPECT_TRUE(child.running());
  ASSERT_TRUE(toolstest::writeFile(go, ""));
  ASSERT_TRUE(child.readLine(line, in(60)));
  EXPECT_EQ(line, "second");
  int status = -1;
  ASSERT_TRUE(child.waitUntil(in(60), status));
  EXPECT_EQ(status, 3);
  EXPECT_FALSE(child.readLine(line, in(60)));  // the output has ended
  EXPECT_EQ(toolstest::readFile(dir.file("err")), "oops\n");
}

TEST(ChildProcessTest, WaitsEndAtTheDeadlineAndKillTakesTheWholeGroup) {
  ChildProcess child;
  std::string error;
  // A program that hangs after starting a helper of its own, which reports its pid.
  ASSERT_TRUE(child.start({"sh", "-c", "sleep 600 & echo $!; wait"}, {}, "", error)) << error;
  std::string line;
  ASSERT_TRUE(child.readLine(line, in(60)));
  const pid_t helper = std::stoi(line);
  EXPECT_FALSE(child.readLine(line, Clock::now() + std::chrono::milliseconds(50)));
  int status = -1;
  EXPECT_FALSE(child.waitUntil(Clock::now() + std::chrono::milliseconds(50), status));
  EXPECT_EQ(kill(helper, 0), 0);
  child.kill();
  EXPECT_FALSE(child.running());
  // The helper was killed with the group; only its reaping (by init) may still be pending.
  bool gone = false;
  for (auto limit = in(60); !gone && Clock::now() < limit;) {
    std::string state = toolstest::readFile("/proc/" + std::to_string(helper) + "/stat");
    gone = state.empty() || state.find(") Z") != std::string::npos;
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(gone) << "the helper outlived its program";
}

TEST(ChildProcessTest, MissingProgramExitsWith127) {
  ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.start({"/nonexistent/quorvella-program"}, {}, "", error)) << error;
  int status = -1;
  ASSERT_TRUE(child.waitUntil(in(60), status));
  EXPECT_EQ(status, 127);
  EXPECT_FALSE(child.start({"sh"}, {}, "", error));
  EXPECT_EQ(error, "already started");
}

}  // namespace
