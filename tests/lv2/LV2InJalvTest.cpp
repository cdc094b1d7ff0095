// Debian's jalv.gtk3, a third party's LV2 host, on a private JACK server (dummy driver) and
// a private Xvfb: it loads the bundle's plug-in, embeds the editor (the UI binary, through
// suil's X11-in-GTK wrapper) in its window, and the editor draws the whole layout with its
// text; closing jalv's window ends jalv cleanly, with the editor and the plug-in torn down.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "standalone/PrivateJackServer.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/UserEnvironment.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/ProductPicture.h"
#include "tools/ChildProcess.h"

using toolstest::ChildProcess;

namespace {

constexpr int kGuardSeconds = 60;  // only a broken host or editor comes near it

ChildProcess::Clock::time_point deadline() {
  return ChildProcess::Clock::now() + std::chrono::seconds(kGuardSeconds);
}

// Every window under `window`, depth first: jalv's GTK window holds suil's wrapper, which
// holds the editor's own X11 window.
void collect(testsupport::XTestDriver& x, uintptr_t window, std::vector<uintptr_t>& out) {
  for (uintptr_t child : x.children(window)) {
    out.push_back(child);
    collect(x, child, out);
  }
}

// A window of the editor's size whose picture shows the complete layout, or 0.
uintptr_t editorShowingTheLayout(testsupport::XTestDriver& x, testsupport::Image& picture) {
  std::vector<uintptr_t> windows;
  collect(x, x.rootWindow(), windows);
  for (uintptr_t w : windows) {
    int width = 0, height = 0;
    if (!x.windowSize(w, width, height)) continue;
    if (width != producttest::kWidth || height != producttest::kHeight) continue;
    if (x.screenshot(w, picture) && producttest::probeLayout(picture).complete()) return w;
  }
  return 0;
}

TEST(LV2InJalv, JalvGtk3EmbedsTheEditorWhichDrawsTheLayoutAndClosesCleanly) {
  ASSERT_EQ(::access("/usr/bin/jalv.gtk3", X_OK), 0) << "jalv.gtk3 is not installed (jalv)";
  testsupport::XvfbDisplay display;
  ASSERT_TRUE(display.ok()) << display.error();
  standalonetest::PrivateJackServer server(48000, 256);
  ASSERT_TRUE(server.ok()) << server.error();
  testsupport::UserEnvironment user;

  // Only the bundle under test: nothing the machine has installed can stand in for it.
  testsupport::TempFolder lv2("quorvella-jalv");
  ASSERT_EQ(::symlink(QUORVELLA_LV2_BUNDLE_DIR, lv2.file("quorvella.lv2").c_str()), 0);
  const std::string errors = user.dataHome() + "/jalv.stderr";
  ChildProcess jalv;
  std::string error;
  const auto start = ChildProcess::Clock::now();
  ASSERT_TRUE(jalv.start({"jalv.gtk3", "--jack-name", "QuorvellaJalv",
                          "https://halvercast.example/quorvella/lv2"},
                         {{"DISPLAY", display.name()},
                          {"LIBGL_ALWAYS_SOFTWARE", "1"},
                          {"LV2_PATH", lv2.path()},
                          {"JACK_DEFAULT_SERVER", server.name()},
                          {"JACK_NO_START_SERVER", "1"},
                          {"NO_AT_BRIDGE", "1"}},
                         errors, error))
      << error;

  testsupport::ScopedEnv displayVariable("DISPLAY", display.name().c_str());
  testsupport::XTestDriver x;
  ASSERT_TRUE(x.ok());
  testsupport::Image picture;
  uintptr_t editor = 0;
  const auto end = deadline();
  while (!(editor = editorShowingTheLayout(x, picture)) && ChildProcess::Clock::now() < end) {
    ASSERT_TRUE(jalv.running()) << testsupport::readFile(errors);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(editor, 0u) << "no complete editor in jalv's window\n" << testsupport::readFile(errors);
  const double ms =
      std::chrono::duration<double, std::milli>(ChildProcess::Clock::now() - start).count();
  // A figure for the record, not a limit: jalv's own start and the machine are in it.
  RecordProperty("jalv_start_to_complete_editor_ms", std::to_string(ms));
  std::printf("jalv.gtk3 start to the first complete editor frame: %.0f ms\n", ms);
  EXPECT_TRUE(producttest::probeText(picture).complete())
      << "banner ink " << producttest::probeText(picture).bannerInk << ", fields with text "
      << producttest::probeText(picture).fieldsWithText;

  // jalv names its window after the plug-in; closing it quits jalv, which frees the UI
  // and then the plug-in.
  const uintptr_t window = x.findWindow("Quorvella");
  ASSERT_NE(window, 0u);
  x.closeWindow(window);
  int status = -1;
  EXPECT_TRUE(jalv.waitUntil(deadline(), status)) << "jalv did not end";
  EXPECT_EQ(status, 0) << testsupport::readFile(errors);
}

}  // namespace
