// The main of every test program: each run gets a private, empty user (HOME and the XDG data
// and config folders in a fresh temporary folder, and APPDATA on Windows), so that a
// developer's own midi.lua, skins or preferences can never change what a test sees. Tests
// that need particular scripts or settings set up a UserEnvironment of their own on top of
// this one. Message boxes go to standard error as "caption: text" lines instead of waiting
// for a click that never comes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/MessageBox.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace {
void messageToStandardError(const char* text, const char* caption) {
  std::string line = std::string(caption) + ": " + text + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  platform::setMessageBoxHook(messageToStandardError);
  testsupport::TempFolder home("quorvella-home");
  testsupport::ScopedEnv homeVariable("HOME", home.path().c_str());
  testsupport::ScopedEnv data("XDG_DATA_HOME", home.file("data").c_str());
  testsupport::ScopedEnv config("XDG_CONFIG_HOME", home.file("config").c_str());
  testsupport::ScopedEnv appData("APPDATA", home.file("appdata").c_str());
  return RUN_ALL_TESTS();
}
