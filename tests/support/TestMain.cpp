// The main of every test program: each run gets a private, empty user (HOME and the XDG data
// and config folders in a fresh temporary folder), so that a developer's own midi.lua,
// skins or preferences can never change what a test sees. Tests that need particular
// scripts or settings set up a UserEnvironment of their own on top of this one.
#include <gtest/gtest.h>

#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testsupport::TempFolder home("quorvella-home");
  testsupport::ScopedEnv homeVariable("HOME", home.path().c_str());
  testsupport::ScopedEnv data("XDG_DATA_HOME", home.file("data").c_str());
  testsupport::ScopedEnv config("XDG_CONFIG_HOME", home.file("config").c_str());
  return RUN_ALL_TESTS();
}
