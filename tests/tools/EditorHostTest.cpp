// The host's editor mode against a fixture plug-in whose editor draws with GL through the
// platform layer: parent window and rectangle, first frame, a mouse gesture reported back
// as begin edit / automate / end edit, many openings, two editors at once, and a parent
// destroyed by someone else.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <png.h>

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "render/SoundFile.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "vsthost/EditorHost.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"

namespace {

constexpr int32_t kFirstFrame = 1002;  // the fixture's callback after its first frame

using testsupport::Pixel;

class EditorHostTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(displayReady) << testsupport::XvfbDisplay::shared().error();
    ASSERT_TRUE(driver.ok());
    ASSERT_EQ(library.open(QUORVELLA_FIXTURE_EDITOR_PATH), "");
  }

  static bool sawFirstFrame(vsthost::HostedEffect& effect) {
    for (const auto& c : effect.callbacks())
      if (c.opcode == kFirstFrame) return true;
    return false;
  }
  // Idles the way a host does until the editor has drawn once. The limit only guards
  // against a broken editor; a working one is far quicker.
  static bool idleUntilDrawn(vsthost::EditorHost& host, vsthost::HostedEffect& effect) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!sawFirstFrame(effect)) {
      if (!host.idle() || std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  uintptr_t editorWindow(vsthost::EditorHost& host) {
    auto kids = driver.children(host.window());
    return kids.size() == 1 ? kids[0] : 0;
  }

  bool displayReady = testsupport::XvfbDisplay::shared().ok();
  testsupport::XTestDriver driver;
  vsthost::PluginLibrary library;
};

TEST_F(EditorHostTest, ParentOfTheEditorsRectangleShowsItsPictureAndGoesAtClose) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("editor under test", error)) << error;
  EXPECT_EQ(host.width(), 160);
  EXPECT_EQ(host.height(), 100);
  ASSERT_EQ(driver.findWindow("editor under test"), host.window());
  uintptr_t child = editorWindow(host);
  ASSERT_NE(child, 0u);
  ASSERT_TRUE(idleUntilDrawn(host, effect));
  testsupport::Image picture;
  ASSERT_TRUE(driver.screenshot(child, picture));
  EXPECT_EQ(picture.width, 160);
  EXPECT_EQ(picture.count(Pixel{51, 102, 204}, 0, 0, 160, 100, 2), 160 * 100);
  host.close();
  EXPECT_EQ(driver.findWindow("editor under test"), 0u);
  int w, h;
  EXPECT_FALSE(driver.windowSize(child, w, h));
}

TEST_F(EditorHostTest, DragInTheEditorReachesTheHostAsOneEditGesture) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("drag", error)) << error;
  ASSERT_TRUE(idleUntilDrawn(host, effect));
  uintptr_t child = editorWindow(host);
  effect.clearCallbacks();
  driver.movePointer(child, 80, 60);
  driver.pressButton(1);
  driver.movePointer(child, 80, 10);
  driver.releaseButton(1);
  host.idle();
  std::vector<int32_t> opcodes;
  float last = -1.0f;
  for (const auto& c : effect.callbacks()) {
    if (c.opcode == kFirstFrame) continue;
    opcodes.push_back(c.opcode);
    EXPECT_EQ(c.index, 1);
    if (c.opcode == audioMasterAutomate) last = c.opt;
  }
  ASSERT_GE(opcodes.size(), 3u);
  EXPECT_EQ(opcodes.front(), audioMasterBeginEdit);
  EXPECT_EQ(opcodes.back(), audioMasterEndEdit);
  for (size_t i = 1; i + 1 < opcodes.size(); ++i) EXPECT_EQ(opcodes[i], audioMasterAutomate);
  EXPECT_FLOAT_EQ(last, 0.75f);
}

TEST_F(EditorHostTest, FiftyOpeningsLeaveNoWindowBehind) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  for (int round = 0; round < 50; ++round) {
    std::string error;
    ASSERT_TRUE(host.open("again", error)) << error;
    ASSERT_TRUE(idleUntilDrawn(host, effect)) << "round " << round;
    effect.clearCallbacks();
    host.close();
  }
  EXPECT_EQ(driver.findWindow("again"), 0u);
}

TEST_F(EditorHostTest, TwoInstancesShowTheirEditorsAtOnce) {
  vsthost::HostedEffect a(library), b(library);
  vsthost::EditorHost hostA(a), hostB(b);
  std::string error;
  ASSERT_TRUE(hostA.open("first", error)) << error;
  // Parents open at the screen's origin; the first moves aside before the second comes,
  // so neither ever hides the other.
  driver.moveWindow(hostA.window(), 400, 300);
  ASSERT_TRUE(hostB.open("second", error)) << error;
  ASSERT_TRUE(idleUntilDrawn(hostA, a));
  ASSERT_TRUE(idleUntilDrawn(hostB, b));
  uintptr_t childA = editorWindow(hostA), childB = editorWindow(hostB);
  ASSERT_NE(childA, childB);
  for (uintptr_t child : {childA, childB}) {
    testsupport::Image picture;
    ASSERT_TRUE(driver.screenshot(child, picture));
    EXPECT_EQ(picture.count(Pixel{51, 102, 204}, 0, 0, 160, 100, 2), 160 * 100);
  }
  hostB.close();
  EXPECT_TRUE(hostA.idle());
  EXPECT_EQ(editorWindow(hostA), childA);
}

TEST_F(EditorHostTest, ParentDestroyedByAnotherClientEndsTheRunCleanly) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("doomed", error)) << error;
  ASSERT_TRUE(idleUntilDrawn(host, effect));
  driver.destroyWindow(host.window());
  int idles = 0;
  host.run(20, [&] { return ++idles < 1000; });
  EXPECT_LT(idles, 1000) << "the run went on after its window was gone";
  EXPECT_FALSE(host.isOpen());
}

TEST_F(EditorHostTest, PluginWithoutEditorIsRefused) {
  vsthost::PluginLibrary plain;
  ASSERT_EQ(plain.open(QUORVELLA_FIXTURE_PATH), "");
  vsthost::HostedEffect effect(plain);
  vsthost::EditorHost host(effect);
  std::string error;
  EXPECT_FALSE(host.open("none", error));
  EXPECT_EQ(error, "the plug-in has no editor");
  EXPECT_EQ(host.window(), 0u);
}

}  // namespace

// quorvella-render --editor, as a user runs it: the window appears with the editor in it,
// the input loops, and closing the window ends the program successfully.
namespace {

void writeLoop(const std::string& path) {
  render::SoundFile file;
  ASSERT_EQ(file.openWrite(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100), "");
  std::vector<float> samples(2 * 4410, 0.25f);
  ASSERT_EQ(file.write(samples.data(), 4410), "");
  ASSERT_EQ(file.close(), "");
}

}  // namespace

TEST(RenderEditorModeTest, ShowsTheEditorUntilItsWindowIsClosed) {
  ASSERT_TRUE(testsupport::XvfbDisplay::shared().ok());
  testsupport::XTestDriver driver;
  testsupport::TempFolder folder;
  const std::string input = folder.file("loop.wav");
  ASSERT_NO_FATAL_FAILURE(writeLoop(input));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(QUORVELLA_RENDER_PATH, QUORVELLA_RENDER_PATH, "--plugin",
          QUORVELLA_FIXTURE_EDITOR_PATH, "--editor", input.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // The window's appearance is awaited; the limit only guards against a broken tool.
  const std::string title = "quorvella-render: Fixture Delay";
  uintptr_t window = 0;
  for (int tries = 0; tries < 3000 && window == 0; ++tries) {
    window = driver.findWindow(title);
    if (window == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  int status = -1;
  if (window == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "no editor window appeared";
  }
  int width = 0, height = 0;
  EXPECT_TRUE(driver.windowSize(window, width, height));
  EXPECT_EQ(width, 160);
  EXPECT_EQ(height, 100);
  driver.destroyWindow(window);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// --show-edits: each edit callback of a drag comes out on stdout at once, while the drag
// goes on; closing the window (as a window manager's close button does) ends the program.
TEST(RenderEditorModeTest, ShowEditsPrintsEachEditOfADragAsItHappens) {
  using Clock = std::chrono::steady_clock;
  ASSERT_TRUE(testsupport::XvfbDisplay::shared().ok());
  testsupport::XTestDriver driver;
  testsupport::TempFolder folder;
  const std::string input = folder.file("loop.wav");
  ASSERT_NO_FATAL_FAILURE(writeLoop(input));
  toolstest::ChildProcess tool;
  std::string error;
  ASSERT_TRUE(tool.start({QUORVELLA_RENDER_PATH, "--plugin", QUORVELLA_FIXTURE_EDITOR_PATH,
                          "--editor", "--show-edits", input},
                         {}, folder.file("stderr"), error))
      << error;
  // The editor takes the pointer once it shows its first frame; the limit only guards
  // against a broken tool.
  uintptr_t window = 0, child = 0;
  const auto limit = Clock::now() + std::chrono::seconds(60);
  while (Clock::now() < limit) {
    window = driver.findWindow("quorvella-render: Fixture Delay");
    auto kids = window != 0 ? driver.children(window) : std::vector<uintptr_t>{};
    testsupport::Image picture;
    if (kids.size() == 1 && driver.screenshot(kids[0], picture) &&
        picture.count(Pixel{51, 102, 204}, 0, 0, 160, 100, 2) == 160 * 100) {
      child = kids[0];
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(child, 0u) << testsupport::readFile(folder.file("stderr"));

  // Each line is read before the next move: it was printed while the button was still down.
  std::vector<std::string> lines;
  auto next = [&] {
    std::string line;
    if (tool.readLine(line, Clock::now() + std::chrono::seconds(60))) lines.push_back(line);
  };
  driver.movePointer(child, 80, 60);
  driver.pressButton(1);
  next();
  driver.movePointer(child, 80, 40);
  next();
  driver.movePointer(child, 80, 10);
  next();
  driver.releaseButton(1);
  next();
  EXPECT_EQ(lines, (std::vector<std::string>{"begin edit 1", "automate 1 0.6", "automate 1 0.75",
                                             "end edit 1"}));

  driver.closeWindow(window);
  int status = -1;
  ASSERT_TRUE(tool.waitUntil(Clock::now() + std::chrono::seconds(60), status));
  EXPECT_EQ(status, 0) << testsupport::readFile(folder.file("stderr"));
  std::string rest;
  EXPECT_FALSE(tool.readLine(rest, Clock::now() + std::chrono::seconds(60))) << rest;
}

// --picture: the first frame the editor draws, saved as a PNG file the size of its window,
// and the tool ends by itself.
TEST(RenderEditorModeTest, PictureSavesTheEditorsDrawingAndEnds) {
  using Clock = std::chrono::steady_clock;
  ASSERT_TRUE(testsupport::XvfbDisplay::shared().ok());
  testsupport::TempFolder folder;
  const std::string input = folder.file("loop.wav");
  const std::string png = folder.file("editor.png");
  ASSERT_NO_FATAL_FAILURE(writeLoop(input));
  toolstest::ChildProcess tool;
  std::string error;
  ASSERT_TRUE(tool.start({QUORVELLA_RENDER_PATH, "--plugin", QUORVELLA_FIXTURE_EDITOR_PATH,
                          "--editor", "--picture", png, input},
                         {}, folder.file("stderr"), error))
      << error;
  int status = -1;
  ASSERT_TRUE(tool.waitUntil(Clock::now() + std::chrono::seconds(120), status));
  ASSERT_EQ(status, 0) << testsupport::readFile(folder.file("stderr"));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str())) << image.message;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
  EXPECT_EQ(image.width, 160u);
  EXPECT_EQ(image.height, 100u);
  size_t blue = 0;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3)
    if (std::abs(rgb[i] - 51) <= 2 && std::abs(rgb[i + 1] - 102) <= 2 && std::abs(rgb[i + 2] - 204) <= 2)
      ++blue;
  EXPECT_EQ(blue, 160u * 100u);
}
