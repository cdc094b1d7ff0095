// Finding layouts' font names among the installed fonts (Debian's fonts-liberation and
// fonts-dejavu-core are installed by tools/install-deps.sh).
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <thread>
#include <vector>

#include "platform/FontFiles.h"

namespace {

std::string baseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool readable(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

}  // namespace

TEST(FontFiles, WindowsFontNamesFindTheFamilyOrASimilarFont) {
  std::string arial = platform::findFontFile("arial.ttf");
  ASSERT_TRUE(readable(arial)) << arial;
  // Arial itself or its metric-compatible substitute.
  std::string name = baseName(arial);
  EXPECT_TRUE(name.rfind("Arial", 0) == 0 || name.rfind("arial", 0) == 0 ||
              name.rfind("LiberationSans-Regular", 0) == 0)
      << arial;
  EXPECT_NE(platform::findFontFile("ARIALBD.TTF"), arial);  // the bold face
  std::string tahoma = platform::findFontFile("tahoma.ttf");
  EXPECT_TRUE(readable(tahoma)) << tahoma;
  // A folder in the name (as a Windows layout might give it) does not matter.
  EXPECT_EQ(platform::findFontFile("c:\\windows\\fonts\\arial.ttf"), arial);
  EXPECT_EQ(platform::findFontFile("/nowhere/arial.ttf"), arial);
}

TEST(FontFiles, InstalledFileNamesAndFamiliesAreFound) {
  std::string byFile = platform::findFontFile("DejaVuSans.ttf");
  EXPECT_EQ(baseName(byFile), "DejaVuSans.ttf");
  EXPECT_EQ(platform::findFontFile("dejavusans.TTF"), byFile);
  std::string byFamily = platform::findFontFile("Liberation Mono.ttf");
  EXPECT_NE(baseName(byFamily).find("LiberationMono"), std::string::npos) << byFamily;
}

TEST(FontFiles, UnknownNamesFindNothingRatherThanADefault) {
  for (const char* name : {"NoSuchFontQuorvella.ttf", "", "fonts/", "x", ".ttf"})
    EXPECT_EQ(platform::findFontFile(name), "") << "'" << name << "'";
}

// Names asked again (as every opening of an editor does), from several threads at once,
// find what they found the first time; a name found nowhere stays unfound.
TEST(FontFiles, AskedAgainFromSeveralThreadsTheAnswersHold) {
  const std::vector<std::string> names = {"arial.ttf", "TAHOMA.TTF", "DejaVuSans.ttf",
                                          "NoSuchFontQuorvella.ttf"};
  std::map<std::string, std::string> first;
  for (const std::string& name : names) first[name] = platform::findFontFile(name);
  EXPECT_NE(first["arial.ttf"], "");
  EXPECT_EQ(first["NoSuchFontQuorvella.ttf"], "");
  std::vector<std::map<std::string, std::string>> later(4);
  std::vector<std::thread> threads;
  for (auto& answers : later)
    threads.emplace_back([&names, &answers] {
      for (int round = 0; round < 3; ++round)
        for (const std::string& name : names) answers[name] = platform::findFontFile(name);
    });
  for (std::thread& t : threads) t.join();
  for (const auto& answers : later) EXPECT_EQ(answers, first);
}
