// Environment, user folders, access tests, script listings and font files on Windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/UserFolders.h"
#include "platform/FileSystem.h"
#include "platform/FontFiles.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace {

using testsupport::ScopedEnv;
using testsupport::TempFolder;
using testsupport::makeFolders;
using testsupport::writeFile;

// Holds a file open without sharing, so nobody else can open it meanwhile.
class ExclusiveOpen {
public:
  explicit ExclusiveOpen(const std::string& path)
      : file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~ExclusiveOpen() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  bool held() const { return file != INVALID_HANDLE_VALUE; }

private:
  HANDLE file;
};

TEST(Win32FileSystem, UserFolderRootIsAppDataThenTheOldProfileFolderThenNothing) {
  {
    ScopedEnv appData("APPDATA", "C:\\Users\\alice\\AppData\\Roaming");
    EXPECT_EQ(platform::userFolderRoot(), "C:\\Users\\alice\\AppData\\Roaming");
    EXPECT_EQ(UserFolders::skinsFolder(), "C:\\Users\\alice\\AppData\\Roaming\\Halvercast\\Quorvella\\Skins\\");
    EXPECT_EQ(UserFolders::scriptsFolder(), "C:\\Users\\alice\\AppData\\Roaming\\Halvercast\\Quorvella\\Scripts\\");
  }
  ScopedEnv noAppData("APPDATA", nullptr);
  {
    ScopedEnv user("USERNAME", "bob");
    EXPECT_EQ(platform::userFolderRoot(), "C:\\Documents and Settings\\bob\\Application Data");
  }
  ScopedEnv noUser("USERNAME", nullptr);
  EXPECT_EQ(platform::userFolderRoot(), "");
  EXPECT_EQ(UserFolders::skinsFolder(), "\\Halvercast\\Quorvella\\Skins\\");
  // Values longer than a first guess are read whole.
  std::string longRoot = "C:\\" + std::string(5000, 'r');
  ScopedEnv longAppData("APPDATA", longRoot.c_str());
  EXPECT_EQ(platform::userFolderRoot(), longRoot);
}

// A private application-data folder with the product's folders below it.
class Win32UserFolderTest : public ::testing::Test {
protected:
  TempFolder temp{"quorvella-appdata"};
  ScopedEnv appData{"APPDATA", temp.path().c_str()};
};

TEST_F(Win32UserFolderTest, ScriptFilesAreTheReadableLuaFilesSortedByName) {
  EXPECT_TRUE(UserFolders::scriptFiles().empty());  // no folder yet
  std::string folder = UserFolders::scriptsFolder();
  makeFolders(folder + "folder.lua");
  for (const char* name : {"b.lua", "a.lua", "c.LUA", "notes.txt", "x.luac", "backup.lua~", "locked.lua"})
    ASSERT_TRUE(writeFile(folder + name, "-- script\n")) << name;
  std::vector<std::string> withoutLocked = {folder + "a.lua", folder + "b.lua", folder + "c.LUA"};
  {
    ExclusiveOpen locked(folder + "locked.lua");
    ASSERT_TRUE(locked.held());
    EXPECT_FALSE(platform::isReadable(folder + "locked.lua"));
    EXPECT_EQ(UserFolders::scriptFiles(), withoutLocked);
  }
  // Nothing is remembered: once it can be read it is listed.
  std::vector<std::string> all = {folder + "a.lua", folder + "b.lua", folder + "c.LUA", folder + "locked.lua"};
  EXPECT_EQ(UserFolders::scriptFiles(), all);
}

TEST_F(Win32UserFolderTest, SkinsAreFoundByNameElseWithBundle) {
  std::string skins = UserFolders::skinsFolder();
  makeFolders(skins + "Plain");
  makeFolders(skins + "Tideline.bundle");
  EXPECT_EQ(UserFolders::skinFolder("Plain"), skins + "Plain");
  EXPECT_EQ(UserFolders::skinFolder("Tideline"), skins + "Tideline.bundle");
  EXPECT_EQ(UserFolders::skinFolder("Missing"), "");
}

TEST_F(Win32UserFolderTest, FontFilesAreTheNameItselfElseInTheWindowsFontsFolder) {
  std::string windows = temp.path() + "\\windows";
  makeFolders(windows + "\\fonts\\folder.ttf");
  ASSERT_TRUE(writeFile(windows + "\\fonts\\face.ttf", "font"));
  std::string own = temp.path() + "\\own.ttf";
  ASSERT_TRUE(writeFile(own, "font"));
  ScopedEnv windowsFolder("WINDIR", windows.c_str());
  EXPECT_EQ(platform::findFontFile(own), own);
  EXPECT_EQ(platform::findFontFile("face.ttf"), windows + "\\fonts\\face.ttf");
  EXPECT_EQ(platform::findFontFile("nowhere\\face.ttf"), windows + "\\fonts\\face.ttf");
  EXPECT_EQ(platform::findFontFile("missing.ttf"), "");
  EXPECT_EQ(platform::findFontFile("folder.ttf"), "");  // a folder is no font
  EXPECT_EQ(platform::findFontFile(""), "");
}

}  // namespace
