// Preferences and user folders: the settings file under $XDG_CONFIG_HOME, its atomic
// replacement and damage handling, the folder root rules, skin folders and script files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "MIDITestSupport.h"
#include "framework/CFString.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"
#include "framework/UserFolders.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

namespace miditest {
namespace {

const CFString* name(const char* text) { return CFString::constant(text); }

class SettingsTest : public ::testing::Test {
protected:
  TempFolder temp;
  ScopedEnv config{"XDG_CONFIG_HOME", temp.path().c_str()};
  std::string file() const { return temp.path() + "/Halvercast/com.halvercastlabs.Quorvella.conf"; }
  std::vector<std::string> folderEntries() const {
    std::vector<std::string> names;
    std::string listing = temp.path() + "/Halvercast";
    for (const auto& n : platform::readableFiles(listing, "")) names.push_back(n);
    return names;
  }
};

TEST_F(SettingsTest, AbsentValuesGiveTheDefaults) {
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), kDefaultOSCBasePort), 7000);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceFloatingTooltip), 0), 0);
  std::string skin = "unchanged";
  EXPECT_FALSE(Settings::readText(name(kPreferenceSkin), skin));
  EXPECT_EQ(skin, "unchanged");
  EXPECT_FALSE(entryExists(file()));  // reading creates nothing
}

TEST_F(SettingsTest, WrittenNumbersReadBackAndKeepTheOtherValues) {
  Settings::writeNumber(name(kPreferenceOSCBasePort), 9000);
  Settings::writeNumber(name(kPreferenceEyeCandy), 0);
  Settings::writeNumber(name(kPreferenceOSCBasePort), -2147483647 - 1);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), -2147483647 - 1);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceEyeCandy), 1), 0);
  EXPECT_EQ(Settings::location(), file());
  EXPECT_EQ(readFile(file()),
            "# Preferences of Software/Halvercast/com.halvercastlabs.Quorvella\n"
            "OSC Base Port=dword:-2147483648\n"
            "Enable eye candy=dword:0\n");
  // Replaced through a temporary file: nothing but the file and the writers' lock file is
  // left in the folder.
  EXPECT_EQ(folderEntries(), (std::vector<std::string>{"com.halvercastlabs.Quorvella.conf",
                                                       "com.halvercastlabs.Quorvella.conf.lock"}));
}

TEST_F(SettingsTest, TextValuesAndTheirLimits) {
  makeFolders(temp.path() + "/Halvercast");
  std::string longest(255, 's');
  writeFile(file(), "Skin=sz:My \\\\ Skin\\n2\nLong=sz:" + longest + "\nTooLong=sz:" +
                        longest + "x\nOSC Base Port=dword:7001\n");
  std::string text = "before";
  EXPECT_TRUE(Settings::readText(name(kPreferenceSkin), text));
  EXPECT_EQ(text, "My \\ Skin\n2");
  EXPECT_TRUE(Settings::readText(CFString::constant("Long"), text));
  EXPECT_EQ(text, longest);
  // 256 characters and the terminator do not fit the 256-byte buffer.
  text = "before";
  EXPECT_FALSE(Settings::readText(CFString::constant("TooLong"), text));
  EXPECT_EQ(text, "before");
  // Other kinds are read as their stored bytes: 7001 is 59 1B 00 00.
  EXPECT_TRUE(Settings::readText(name(kPreferenceOSCBasePort), text));
  EXPECT_EQ(text, "Y\x1b");
}

TEST_F(SettingsTest, NumbersOfAnotherKindCountWhenTheyFitFourBytes) {
  makeFolders(temp.path() + "/Halvercast");
  writeFile(file(), "Short=sz:ab\nLonger=sz:abcd\nEmpty=sz:\n");
  EXPECT_EQ(Settings::readNumber(CFString::constant("Short"), 5), 0x6261);
  EXPECT_EQ(Settings::readNumber(CFString::constant("Longer"), 5), 5);
  EXPECT_EQ(Settings::readNumber(CFString::constant("Empty"), 5), 0);
}

TEST_F(SettingsTest, ADamagedFileReadsAsAbsentAndIsKeptAsideOnTheNextWrite) {
  makeFolders(temp.path() + "/Halvercast");
  const char* damaged[] = {
      "OSC Base Port=dword:9000",                        // cut off: no final newline
      "OSC Base Port=dword:90x0\n",                      // not a number
      "OSC Base Port=dword:4294967296\n",                // beyond 32 bits
      "OSC Base Port=9000\n",                            // no type
      "OSC Base Port=dword:9000\nOSC Base Port=dword:1\n",  // given twice
      "OSC Base Port=dword:9000\ngarbage\n",
      "Skin=sz:bad escape \\q\nOSC Base Port=dword:9000\n",
  };
  for (const char* content : damaged) {
    writeFile(file(), content);
    EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 7000) << content;
  }
  writeFile(file(), std::string("OSC Base Port=dword:9000\n\0\n", 27));
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 7000);
  writeFile(file(), "OSC Base Port=dword:9000\n" + std::string(70000, '#') + "\n");
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 7000);

  writeFile(file(), "OSC Base Port=dword:9000\ngarbage\n");
  Settings::writeNumber(name(kPreferenceEyeCandy), 0);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceEyeCandy), 1), 0);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 7000);
  EXPECT_EQ(readFile(file() + ".damaged"), "OSC Base Port=dword:9000\ngarbage\n");
}

TEST_F(SettingsTest, CommentsAndBlankLinesAreFineAndLinksStayLinks) {
  makeFolders(temp.path() + "/Halvercast");
  makeFolders(temp.path() + "/dotfiles");
  std::string target = temp.path() + "/dotfiles/quorvella.conf";
  writeFile(target, "# mine\n\nOSC Base Port=dword:8000\n");
  ASSERT_EQ(symlink(target.c_str(), file().c_str()), 0);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 8000);
  Settings::writeNumber(name(kPreferenceFloatingTooltip), 1);
  struct stat info;
  ASSERT_EQ(lstat(file().c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 8000);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceFloatingTooltip), 0), 1);
}

TEST_F(SettingsTest, LocationFollowsTheEnvironment) {
  {
    ScopedEnv noConfig("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(Settings::location(), "/home/someone/.config/Halvercast/com.halvercastlabs.Quorvella.conf");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");  // ignored, as XDG asks
    EXPECT_EQ(Settings::location(), "/home/someone/.config/Halvercast/com.halvercastlabs.Quorvella.conf");
  }
  {
    ScopedEnv noConfig("XDG_CONFIG_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(Settings::location(), "");
    EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 7000);
    Settings::writeNumber(name(kPreferenceOSCBasePort), 1);  // nowhere to go: nothing happens
  }
  platform::SettingsStore invalid({"Software", "..", "x"});
  EXPECT_FALSE(invalid.writeNumber("Value", 1));
  platform::SettingsStore store({"Software", "Halvercast", "com.halvercastlabs.Quorvella"});
  EXPECT_FALSE(store.writeNumber("bad=name", 1));
  EXPECT_FALSE(store.writeNumber("# comment", 1));
}

TEST_F(SettingsTest, AnUnreadableFileIsNeverReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  makeFolders(temp.path() + "/Halvercast");
  writeFile(file(), "OSC Base Port=dword:8000\n");
  chmod(file().c_str(), 0);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 7000);
  Settings::writeNumber(name(kPreferenceEyeCandy), 0);
  chmod(file().c_str(), 0600);
  EXPECT_EQ(readFile(file()), "OSC Base Port=dword:8000\n");
}

// The preferences as every instance finds them, in a private user's settings folder.
class SettingsPathTest : public ::testing::Test {
protected:
  UserEnvironment env{UserEnvironment::Folders::scriptsAndSettings};
  platform::SettingsStore store{{"Software", "Halvercast", "com.halvercastlabs.Quorvella"}};
  std::string file() const { return env.settingsFolder() + "/com.halvercastlabs.Quorvella.conf"; }

  // Runs op on a thread. Should it block on the FIFO at path, the FIFO is opened from here
  // after a while, which lets op go on: the test then fails instead of hanging.
  static bool returnsWithoutHelp(const std::string& path, const std::function<void()>& op) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      op();
      done = true;
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    bool inTime = done;
    while (!done) {
      for (int mode : {O_WRONLY, O_RDONLY}) {
        int fd = ::open(path.c_str(), mode | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    return inTime;
  }
};

TEST_F(SettingsPathTest, AFIFOInPlaceOfTheFileNeitherBlocksNorIsReplaced) {
  ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
  int32_t number = 0;
  std::string text = "unchanged";
  bool wrote = true;
  EXPECT_TRUE(returnsWithoutHelp(file(), [&] { number = Settings::readNumber(name(kPreferenceOSCBasePort), 7000); }));
  EXPECT_EQ(number, 7000);
  EXPECT_TRUE(returnsWithoutHelp(file(), [&] { Settings::readText(name(kPreferenceSkin), text); }));
  EXPECT_EQ(text, "unchanged");
  EXPECT_TRUE(returnsWithoutHelp(file(), [&] { wrote = store.writeNumber("OSC Base Port", 9000); }));
  EXPECT_FALSE(wrote);
  struct stat info;
  ASSERT_EQ(::lstat(file().c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(SettingsPathTest, AFIFOInPlaceOfTheLockFileLeavesWritesWorking) {
  std::string lock = file() + ".lock";
  ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);
  bool wrote = false;
  EXPECT_TRUE(returnsWithoutHelp(lock, [&] { wrote = store.writeNumber("OSC Base Port", 9000); }));
  EXPECT_TRUE(wrote);
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 9000);
}

TEST_F(SettingsPathTest, AWriterThatNeverGetsTheLockWritesNothing) {
  ASSERT_TRUE(store.writeNumber("OSC Base Port", 8000));
  const std::string before = readFile(file());
  // Another writer holds the lock from before this write starts until after it has given
  // up (an open file of its own excludes us as another process's would).
  const int holder = ::open((file() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_FALSE(store.writeNumber("OSC Base Port", 9000));
  EXPECT_EQ(readFile(file()), before);
  ::close(holder);
  // Once it lets go, the same write goes through.
  EXPECT_TRUE(store.writeNumber("OSC Base Port", 9000));
  EXPECT_EQ(Settings::readNumber(name(kPreferenceOSCBasePort), 7000), 9000);
}

TEST_F(SettingsPathTest, TwoProcessesWritingAtOnceLoseNoValue) {
  constexpr int kValuesEach = 200;
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = ::fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      ::close(start[1]);
      char go;
      while (::read(start[0], &go, 1) < 0 && errno == EINTR) {
      }
      int failed = 0;
      for (int i = 0; i < kValuesEach; ++i)
        if (!store.writeNumber("P" + std::to_string(p) + " " + std::to_string(i), p * 1000 + i)) ++failed;
      ::_exit(failed == 0 ? 0 : 1);
    }
  }
  // Closing the pipe starts both at the same moment.
  ::close(start[0]);
  ::close(start[1]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write was refused";
  }
  int missing = 0;
  for (int p = 0; p < 2; ++p) {
    for (int i = 0; i < kValuesEach; ++i) {
      int32_t value = -1;
      if (!store.readNumber("P" + std::to_string(p) + " " + std::to_string(i), value) || value != p * 1000 + i)
        ++missing;
    }
  }
  EXPECT_EQ(missing, 0);
}

class UserFoldersTest : public ::testing::Test {
protected:
  TempFolder temp;
  ScopedEnv data{"XDG_DATA_HOME", temp.path().c_str()};
};

TEST_F(UserFoldersTest, RootAndFolders) {
  EXPECT_EQ(UserFolders::root(), temp.path());
  EXPECT_EQ(UserFolders::skinsFolder(), temp.path() + "/Halvercast/Quorvella/Skins/");
  EXPECT_EQ(UserFolders::scriptsFolder(), temp.path() + "/Halvercast/Quorvella/Scripts/");
  {
    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(UserFolders::root(), "/home/someone/.local/share");
    ScopedEnv emptyData("XDG_DATA_HOME", "");
    EXPECT_EQ(UserFolders::root(), "/home/someone/.local/share");
  }
  {
    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(UserFolders::root(), "");
    EXPECT_EQ(UserFolders::scriptsFolder(), "/Halvercast/Quorvella/Scripts/");
  }
}

TEST_F(UserFoldersTest, SkinFolderWithAndWithoutBundle) {
  std::string skins = temp.path() + "/Halvercast/Quorvella/Skins/";
  makeFolders(skins + "Plain");
  makeFolders(skins + "Packed.bundle");
  makeFolders(skins + "Both");
  makeFolders(skins + "Both.bundle");
  EXPECT_EQ(UserFolders::skinFolder("Plain"), skins + "Plain");
  EXPECT_EQ(UserFolders::skinFolder("Packed"), skins + "Packed.bundle");
  EXPECT_EQ(UserFolders::skinFolder("Both"), skins + "Both");
  EXPECT_EQ(UserFolders::skinFolder("Missing"), "");
}

TEST_F(UserFoldersTest, ScriptFilesAreTheReadableLuaFilesSortedByName) {
  EXPECT_TRUE(UserFolders::scriptFiles().empty());  // no folder yet
  std::string scripts = temp.path() + "/Halvercast/Quorvella/Scripts/";
  makeFolders(scripts);
  for (const char* n : {"b.lua", "a.lua", "C.lua", "notes.txt", "x.lua.bak", "lua"})
    writeFile(scripts + n, "-- script\n");
  makeFolders(scripts + "folder.lua");
  ASSERT_EQ(symlink("/nonexistent", (scripts + "dangling.lua").c_str()), 0);
  ASSERT_EQ(symlink((scripts + "a.lua").c_str(), (scripts + "linked.lua").c_str()), 0);
  std::vector<std::string> expected = {scripts + "C.lua", scripts + "a.lua", scripts + "b.lua",
                                       scripts + "linked.lua"};
  EXPECT_EQ(UserFolders::scriptFiles(), expected);
  if (geteuid() != 0) {
    chmod((scripts + "b.lua").c_str(), 0);
    expected.erase(expected.begin() + 2);
    EXPECT_EQ(UserFolders::scriptFiles(), expected);
  }
}

}  // namespace
}  // namespace miditest
