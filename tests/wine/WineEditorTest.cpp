// The product's editor through the real boundary, seen from outside the host's process: the
// host tool runs as a program of its own on a private Xvfb with --editor --show-edits, and
// the test finds its windows, checks the editor's picture, drags a knob and opens the Prefs
// dialog through XTEST, and reads on the tool's standard output what the host was told.
//
// Each Windows build named at configuration runs its quorvella-render.exe and quorvella.dll
// under Wine (tools/wine/run) in a Wine prefix of its own; the Linux tool and plug-in run the
// same checks as the control, so that a failure under Wine is told from one of the harness.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "EditorProcess.h"
#include "ToolTestSupport.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/XTestDriver.h"
#include "support/XvfbDisplay.h"
#include "tests/gui/ProductPicture.h"

namespace {

using Clock = std::chrono::steady_clock;
using producttest::kHeight;
using producttest::kWidth;
using testsupport::Image;
using winetest::EditorCommand;
using winetest::EditorProcess;

// Only a broken program reaches these. Wine makes a new prefix on its first use (about half
// a minute, more on a loaded machine) before the program starts, and draws GL in software.
constexpr auto kWindowGuard = std::chrono::seconds(300);
constexpr auto kGuard = std::chrono::seconds(60);
// Longer than the whole check takes; the tool ends itself after this even if the test dies.
constexpr const char* kLiveSeconds = "120";
const std::string kTitle = "quorvella-render: Quorvella";

// Places of the built-in layout, in pixels of the editor's picture (rows top first): the
// Prefs button (115 x 30 at (432, 20) from the bottom left) and a point of the Mix group.
constexpr int kPrefsX = 432 + 57, kPrefsY = kHeight - 1 - 35;
constexpr int kMixX = 700, kMixY = kHeight - 1 - 100;
// The drag: up in steps of this many pixels, five of them (50 pixels in all).
constexpr int kDragStep = 10, kDragSteps = 5;

struct Target {
  std::string name;   // the test's name: "linux", or the Windows build folder's name
  std::string build;  // the Windows build folder; empty for the Linux control
};

std::vector<std::string> split(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream in(list);
  std::string item;
  while (std::getline(in, item, '|'))
    if (!item.empty()) out.push_back(item);
  return out;
}

std::vector<Target> targets() {
  std::vector<Target> out{{"linux", ""}};
  for (const std::string& build : split(QUORVELLA_WINDOWS_BUILDS)) {
    std::string name = build.substr(build.find_last_of('/') + 1);
    for (char& c : name)
      if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    out.push_back({name, build});
  }
  return out;
}

// "win32" or "win64" from the machine named in a Windows program's PE header; empty for a
// file that is no Windows program of either.
std::string windowsArch(const std::string& program) {
  std::ifstream in(program, std::ios::binary);
  unsigned char header[64] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[0] != 'M' ||
      header[1] != 'Z')
    return "";
  const uint32_t pe = header[60] | header[61] << 8 | header[62] << 16 |
                      static_cast<uint32_t>(header[63]) << 24;
  unsigned char signature[6] = {};
  if (!in.seekg(pe) || !in.read(reinterpret_cast<char*>(signature), sizeof signature) ||
      signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0)
    return "";
  const int machine = signature[4] | signature[5] << 8;
  return machine == 0x14c ? "win32" : machine == 0x8664 ? "win64" : "";
}

// Which fonts a Wine prefix has in its fonts folder.
enum class PrefixFonts {
  kStandIns,  // stand-ins named as the layout names its fonts (tools/wine/run)
  kNone,      // none of ours, as in the prefix a host makes
};

// The command line that shows the editor of `target` while `input` loops through it.
bool commandFor(const Target& target, const std::string& input, EditorCommand& command,
                std::string& error, PrefixFonts fonts) {
  const std::vector<std::string> session{"--editor", "--live", kLiveSeconds, "--show-edits",
                                         input};
  command = EditorCommand{};
  command.name = target.name;
  if (target.build.empty()) {
    command.arguments = {QUORVELLA_RENDER_PATH, "--plugin", QUORVELLA_PLUGIN_PATH};
    // In a sanitizer build the tool would fail its exit for what fontconfig and the GL
    // driver keep for the life of a process; the editor tests that run in-process check
    // the editor's own memory with those left out.
    const char* given = std::getenv("ASAN_OPTIONS");
    command.environment = {
        {"ASAN_OPTIONS", std::string(given != nullptr ? given : "") + ":detect_leaks=0"}};
  } else {
    const std::string program = target.build + "/quorvella-render.exe";
    const std::string plugin = target.build + "/quorvella.dll";
    const std::string arch = windowsArch(program);
    if (arch.empty() || windowsArch(plugin) != arch) {
      error = "no Windows build of quorvella-render.exe and quorvella.dll in " + target.build +
              " (make windows)";
      return false;
    }
    // A prefix of this test's own: no other suite's settings, and stopping its server
    // stops nobody else's programs.
    const bool bare = fonts == PrefixFonts::kNone;
    command.winePrefix = std::string(QUORVELLA_WINE_PREFIXES) + "/wine-prefix-" + arch +
                         (bare ? "-no-font-files" : "");
    command.environment = {{"QUORVELLA_WINEPREFIX", command.winePrefix}};
    command.arguments = {std::string(QUORVELLA_SOURCE_DIR) + "/tools/wine/run", arch};
    if (bare) command.arguments.push_back("--no-font-files");
    command.arguments.insert(command.arguments.end(), {program, "--plugin", plugin});
  }
  command.arguments.insert(command.arguments.end(), session.begin(), session.end());
  return true;
}

// Polls `done` until it holds or the guard expires.
bool pollUntil(Clock::duration guard, const std::function<bool()>& done) {
  const auto limit = Clock::now() + guard;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Windows of the editor's size among `top`'s descendants (not `top` itself), breadth first,
// leaving out `skip` and its descendants.
uintptr_t editorSized(testsupport::XTestDriver& driver, uintptr_t top, uintptr_t skip) {
  std::vector<uintptr_t> queue = driver.children(top);
  for (size_t i = 0; i < queue.size(); ++i) {
    if (queue[i] == skip) continue;
    int width = 0, height = 0;
    if (driver.windowSize(queue[i], width, height) && width == kWidth && height == kHeight)
      return queue[i];
    for (uintptr_t child : driver.children(queue[i])) queue.push_back(child);
  }
  return 0;
}

// Where the editor is on the display. On Linux its window is a child of the host's window
// and both takes the pointer and shows the picture. Wine makes X windows only for top-level
// windows: the editor's child window is a part of the host's X window, which holds the
// host's client area (and the frame that Wine draws itself where no window manager does:
// equal borders left, right and below, the caption above), and its GL drawing goes to an X
// window of its own that Wine keeps off the screen under a hidden parent and is meant to
// copy into the host's window.
struct EditorWindows {
  uintptr_t input = 0;  // where the pointer goes: the editor's (0, 0) is at (x, y) of it
  int x = 0, y = 0;
  uintptr_t picture = 0;  // what the editor drew
};

EditorWindows findEditor(testsupport::XTestDriver& driver, uintptr_t host) {
  EditorWindows found;
  found.input = found.picture = editorSized(driver, host, 0);
  if (found.input != 0) return found;
  int width = 0, height = 0;
  if (driver.windowSize(host, width, height) && width >= kWidth && height >= kHeight) {
    found.input = host;
    found.x = (width - kWidth) / 2;
    found.y = height - kHeight - found.x;
  }
  found.picture = editorSized(driver, driver.rootWindow(), host);
  return found;
}

// The pointer to (x, y) of the editor.
void pointAt(testsupport::XTestDriver& driver, const EditorWindows& editor, int x, int y) {
  driver.movePointer(editor.input, editor.x + x, editor.y + y);
}

bool isWithin(testsupport::XTestDriver& driver, uintptr_t window, uintptr_t top) {
  if (window == top) return true;
  for (uintptr_t child : driver.children(top))
    if (isWithin(driver, window, child)) return true;
  return false;
}

struct Edit {
  std::string kind;  // "begin", "automate", "end", or "" for a line that is none of them
  int index = -1;
  double value = 0.0;
};

Edit parseEdit(const std::string& line) {
  Edit e;
  char word[16] = {};
  int index = 0;
  double value = 0.0;
  char extra = 0;
  if (std::sscanf(line.c_str(), "automate %d %lf %c", &index, &value, &extra) == 2)
    e = {"automate", index, value};
  else if (std::sscanf(line.c_str(), "%15s edit %d %c", word, &index, &extra) == 2 &&
           (std::string(word) == "begin" || std::string(word) == "end"))
    e = {word, index, 0.0};
  return e;
}

// Reads the tool's output until a line of `kind` comes; false at the guard.
bool readUntil(EditorProcess& editor, const std::string& kind) {
  const auto limit = Clock::now() + kGuard;
  std::string line;
  while (editor.nextLine(line, limit))
    if (parseEdit(line).kind == kind) return true;
  return false;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += "  " + l + "\n";
  return out;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }

// Each test shows the editor of its target on a private display, as far as the host's
// window: the input made, the program started, its window found.
class ShownEditor : public testing::TestWithParam<Target> {
 protected:
  // Fatal failures end the calling test (ASSERT_NO_FATAL_FAILURE).
  void show(PrefixFonts fonts) {
    const std::string input = folder.file("in.wav");
    auto made = toolstest::run(toolstest::quote(QUORVELLA_DEMO_INPUT_PATH) + " " +
                               toolstest::quote(input));
    ASSERT_EQ(made.status, 0) << made.err;
    std::string error;
    ASSERT_TRUE(commandFor(GetParam(), input, command, error, fonts)) << error;

    ASSERT_TRUE(display.ok()) << display.error();
    displayVariable.reset(new testsupport::ScopedEnv("DISPLAY", display.name().c_str()));
    driver.reset(new testsupport::XTestDriver);
    ASSERT_TRUE(driver->ok());
    driver->movePointer(driver->rootWindow(), 1270, 2300);  // nothing hovered

    started = Clock::now();
    ASSERT_TRUE(editor.start(command, display.name(), error)) << error;
    pollUntil(kWindowGuard, [&] {
      host = driver->findWindow(kTitle);
      return host != 0 || !editor.running();
    });
    ASSERT_NE(host, 0u) << "no window '" << kTitle << "' appeared\n" << editor.errors();
    windowShown = Clock::now();
  }

  testsupport::TempFolder folder{"quorvella-wine-editor"};
  EditorCommand command;
  testsupport::XvfbDisplay display;
  std::unique_ptr<testsupport::ScopedEnv> displayVariable;
  std::unique_ptr<testsupport::XTestDriver> driver;
  // After the display: the program and Wine are gone before the server is.
  EditorProcess editor;
  uintptr_t host = 0;
  Clock::time_point started, windowShown;
};

class EditorAcrossTheBoundary : public ShownEditor {};

TEST_P(EditorAcrossTheBoundary, DrawsTheLayoutReportsAKnobDragAndOpensThePrefsDialog) {
  ASSERT_NO_FATAL_FAILURE(show(PrefixFonts::kStandIns));
  testsupport::XTestDriver& driver = *this->driver;

  // The whole layout, as the Linux editor tests see it.
  Image picture;
  producttest::LayoutProbes last;
  EditorWindows editorWindows;
  auto showsLayout = [&] {
    editorWindows = findEditor(driver, host);
    if (editorWindows.input == 0 || editorWindows.picture == 0 ||
        !driver.screenshot(editorWindows.picture, picture))
      return false;
    last = producttest::probeLayout(picture);
    return last.complete();
  };
  ASSERT_TRUE(pollUntil(kGuard, showsLayout))
      << (editorWindows.picture == 0 ? "no window of the editor's size; " : "") << "tile "
      << last.plum << ", field plates " << last.plates << ", meters " << last.meters << "\n"
      << editor.errors();
  const auto firstFrame = Clock::now();
  const EditorWindows view = editorWindows;
  std::printf("[   time   ] %s: host window %.2f s after the start, first complete frame %.2f s "
              "after the window\n",
              command.name.c_str(), seconds(windowShown - started),
              seconds(firstFrame - windowShown));
  RecordProperty("first_frame_ms", static_cast<int>(seconds(firstFrame - windowShown) * 1000.0));
  // Whether the frame also reached the screen where the editor is. Wine 8.0 does not copy
  // a child window's GL drawing into its top-level window here (the child's device context
  // has no X drawable to copy to; the host's window shows the child's background), for any
  // child GL window, a minimal one too. Reported rather than checked: it is Wine's.
  if (view.picture != view.input) {
    Image screen;
    const bool onScreen =
        driver.screenshot(view.input, screen) && producttest::probeLayout(screen).complete();
    std::printf("[  screen  ] %s: the host's window %s the editor's frame\n",
                command.name.c_str(), onScreen ? "shows" : "does not show");
    RecordProperty("frame_on_screen", onScreen ? "yes" : "no");
  }

  // A knob dragged up by 50 pixels: the knob above the first field. Each step waits until
  // the host has seen its automation, so that no two moves can be merged into one.
  const auto fields = producttest::fieldCorners(picture);
  ASSERT_EQ(fields.size(), 40u);
  const int knobX = fields[0].first + 18, knobY = fields[0].second - 2 - 18;
  const size_t before = editor.lines().size();
  pointAt(driver, view, knobX, knobY);
  driver.pressButton();
  int stepsSeen = 0;
  while (stepsSeen < kDragSteps) {
    pointAt(driver, view, knobX, knobY - (stepsSeen + 1) * kDragStep);
    if (!readUntil(editor, "automate")) break;
    ++stepsSeen;
  }
  driver.releaseButton();
  EXPECT_EQ(stepsSeen, kDragSteps) << "a step of the drag reached the host as no automation";
  EXPECT_TRUE(readUntil(editor, "end"));
  std::vector<Edit> edits;
  for (size_t i = before; i < editor.lines().size(); ++i)
    edits.push_back(parseEdit(editor.lines()[i]));
  const std::string shown = joined({editor.lines().begin() + before, editor.lines().end()});
  ASSERT_GE(edits.size(), 3u) << shown;
  const int index = edits.front().index;
  EXPECT_EQ(edits.front().kind, "begin") << shown;
  EXPECT_EQ(edits.back().kind, "end") << shown;
  EXPECT_EQ(edits.back().index, index) << shown;
  std::vector<double> values;
  for (size_t i = 1; i + 1 < edits.size(); ++i) {
    EXPECT_EQ(edits[i].kind, "automate") << shown;
    EXPECT_EQ(edits[i].index, index) << shown;
    values.push_back(edits[i].value);
  }
  ASSERT_GE(values.size(), 2u) << shown;
  // Up raises the value; 10 pixels are a twentieth of the range.
  EXPECT_GT(values.back(), values.front()) << shown;
  for (double v : values) EXPECT_TRUE(v >= 0.0 && v <= 1.0) << shown;

  // Prefs: the About dialog as a top-level window of its own, over the host's, with the
  // keyboard focus; Escape closes it. On Linux the dialog takes the focus itself. Wine,
  // with no window manager on the display, moves the X focus to its active window itself,
  // but that races with the click's activation of the host's window (about one run in six
  // leaves the focus on the host's window): for Wine the test gives the focus to the dialog
  // as a window manager gives it to a new transient window.
  pointAt(driver, view, kPrefsX, kPrefsY);
  driver.pressButton();
  driver.releaseButton();
  uintptr_t dialog = 0;
  ASSERT_TRUE(pollUntil(kGuard, [&] { return (dialog = driver.findWindow("About")) != 0; }))
      << "no window titled About\n" << editor.errors();
  EXPECT_EQ(driver.transientFor(dialog), host);
  const bool wine = !command.winePrefix.empty();
  bool focused = pollUntil(kGuard, [&] {
    if (wine) driver.focus(dialog);
    uintptr_t f = driver.focusedWindow();
    return f != 0 && isWithin(driver, f, dialog);
  });
  EXPECT_TRUE(focused) << "the dialog never had the keyboard focus; it is on window "
                       << driver.focusedWindow() << " (host " << host << ", dialog " << dialog
                       << ")";
  if (!focused) driver.focus(dialog);  // so that a broken dialog still ends
  driver.typeText("\x1b");
  EXPECT_TRUE(pollUntil(kGuard, [&] { return driver.findWindow("About") == 0; }))
      << "Escape left the dialog open";

  // The editor still draws: the pointer over the Mix group changes its picture.
  ASSERT_TRUE(pollUntil(kGuard, showsLayout)) << "the layout went after the dialog";
  const Image still = picture;
  pointAt(driver, view, kMixX, kMixY);
  EXPECT_TRUE(pollUntil(kGuard, [&] { return showsLayout() && picture.rgb != still.rgb; }))
      << "the editor stopped drawing after the dialog";

  // Closing the host's window ends the program successfully, and nothing of it stays.
  EXPECT_EQ(editor.stop(&driver, host), 0) << editor.errors();
  EXPECT_FALSE(editor.wineKilled()) << "Wine's processes did not end with the program";
}

INSTANTIATE_TEST_SUITE_P(Hosts, EditorAcrossTheBoundary, testing::ValuesIn(targets()),
                         [](const testing::TestParamInfo<Target>& info) {
                           return info.param.name;
                         });

// A host's Wine prefix (LMMS's VST server makes one like it) has none of the font files
// that the layout names: the editor asks Windows for the faces, else takes its interface
// font, and shows its banner and its values as on Linux (the control, which runs as in the
// test above).
class EditorInAHostsPrefix : public ShownEditor {};

TEST_P(EditorInAHostsPrefix, ShowsTheBannerAndTheValuesWithoutTheLayoutsFontFiles) {
  ASSERT_NO_FATAL_FAILURE(show(PrefixFonts::kNone));
  testsupport::XTestDriver& driver = *this->driver;

  // The frame that has the whole layout has its text too: fonts are loaded before the
  // first frame. Polled until both show, so that a frame caught half drawn does not count.
  Image picture;
  producttest::LayoutProbes layout;
  producttest::TextProbes text;
  EXPECT_TRUE(pollUntil(kGuard, [&] {
    EditorWindows windows = findEditor(driver, host);
    if (windows.picture == 0 || !driver.screenshot(windows.picture, picture)) return false;
    layout = producttest::probeLayout(picture);
    text = producttest::probeText(picture);
    return layout.complete() && text.complete();
  })) << "tile " << layout.plum << ", field plates " << layout.plates << ", meters "
      << layout.meters << "; banner ink " << text.bannerInk << ", fields with text "
      << text.fieldsWithText << "\n" << editor.errors();
  EXPECT_EQ(editor.stop(&driver, host), 0) << editor.errors();
  EXPECT_FALSE(editor.wineKilled()) << "Wine's processes did not end with the program";
}

INSTANTIATE_TEST_SUITE_P(Hosts, EditorInAHostsPrefix, testing::ValuesIn(targets()),
                         [](const testing::TestParamInfo<Target>& info) {
                           return info.param.name;
                         });

}  // namespace
