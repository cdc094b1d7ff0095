// The main of every test program: each run gets a private, empty user (HOME and the XDG data
// and config folders in a fresh temporary folder; on Windows APPDATA there too and an empty
// HKEY_CURRENT_USER of its own), so that a developer's own midi.lua, skins or preferences,
// or another test program running beside this one, can never change what a test sees. Tests
// that need particular scripts or settings set up a UserEnvironment of their own on top of
// this one. Message boxes go to standard error as "caption: text" lines instead of waiting
// for a click that never comes, and on Windows the debug output (the scripts' print) goes
// to standard error too, where it goes on Linux.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/MessageBox.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#ifdef _WIN32
#include <windows.h>

#include "support/PrivateRegistry.h"
#endif

namespace {
void messageToStandardError(const char* text, const char* caption) {
  std::string line = std::string(caption) + ": " + text + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

#ifdef _WIN32
// OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the text; a vectored handler sees it
// before the system's own, wherever in the process (the plug-in's DLL too) it was written.
LONG CALLBACK debugOutputToStandardError(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD* record = exception->ExceptionRecord;
  if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
    const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    std::fwrite(text, 1, std::strlen(text), stderr);
    std::fflush(stderr);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}
#endif
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  platform::setMessageBoxHook(messageToStandardError);
  testsupport::TempFolder home("quorvella-home");
  testsupport::ScopedEnv homeVariable("HOME", home.path().c_str());
  testsupport::ScopedEnv data("XDG_DATA_HOME", home.file("data").c_str());
  testsupport::ScopedEnv config("XDG_CONFIG_HOME", home.file("config").c_str());
  testsupport::ScopedEnv appData("APPDATA", home.file("appdata").c_str());
#ifdef _WIN32
  testsupport::PrivateUserRegistry registry;
  AddVectoredExceptionHandler(0, debugOutputToStandardError);
#endif
  return RUN_ALL_TESTS();
}
