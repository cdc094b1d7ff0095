// An HvcQuorvella created directly (no plug-in boundary) in a temporary user environment,
// with helpers to run Lua code in its MIDI script state and to send it event blocks.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "MIDITestSupport.h"
#include "effect/HvcQuorvella.h"
#include "midi/LuaMIDIHelper.h"
#include "support/RecordingHost.h"

namespace miditest {

// Script deadlines here read clocks of the test's own, which stand still unless a test
// makes them tick: only the work counts stop scripts, however fast or loaded the machine.
class ScriptTest : public ::testing::Test {
protected:
  ScriptTest();
  ~ScriptTest() override;
  // From now on every reading of the wall clock and of the thread's processor time moves
  // it on by this much (0: it stands still).
  static void tickClocks(int64_t wallStepNs, int64_t cpuStepNs);

  // The effect, created on first use (so tests can add user scripts first).
  HvcQuorvella& fx();
  HC::LuaMIDIHelper& helper() { return *fx().getMIDIHelper(); }
  // Runs code as a chunk under the script lock; its first result as text ("nil", "true",
  // numbers in Lua's %.14g form), or "error: <message>".
  std::string run(const std::string& code);
  int32_t send(EventBlock& block) { return fx().processEvents(block.list()); }
  // Display updates the host has been asked for so far.
  int displayUpdates() const { return host.count(RecordingHost::kUpdateDisplay); }
  float plain(int32_t index) { return fx().getPlainValue(index); }
  // The state's stack height (0 between entries).
  int stackHeight();

  UserEnvironment user;
  RecordingHost host;
  std::unique_ptr<HvcQuorvella> effect;
};

}  // namespace miditest
