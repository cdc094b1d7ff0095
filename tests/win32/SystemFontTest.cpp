// Fonts that Windows holds by face name, read through GDI, and the fonts that layouts get
// from them when their files are not in the fonts folder. Under Wine the faces are the
// machine's own fonts, which Wine lists but keeps outside the prefix (Debian's
// fonts-dejavu-core and fonts-liberation, installed by tools/install-deps.sh); the checks
// that compare bytes with those files are skipped where the files cannot be reached.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/text/FileBytes.h"
#include "gui/text/Font.h"
#include "platform/FontFiles.h"
#include "platform/SystemFont.h"
#include "support/StreamCapture.h"

namespace {

using Bytes = std::vector<unsigned char>;

const std::string kFonts = QUORVELLA_SYSTEM_FONTS;  // the machine's font folder, from here

Bytes fileBytes(const std::string& path) {
  Bytes out;
  HC::FileBytes::read(path, out);
  return out;
}

bool isFontFile(const Bytes& bytes) {
  if (bytes.size() < 12) return false;
  const uint32_t version = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 |
                           uint32_t(bytes[2]) << 8 | bytes[3];
  return version == 0x00010000 || version == 0x4F54544F /* OTTO */ || version == 0x74727565;
}

std::unique_ptr<HC::Font> load(const std::vector<std::pair<std::string, float>>& candidates) {
  return std::unique_ptr<HC::Font>(HC::Font::load(candidates));
}

}  // namespace

TEST(SystemFont, AFamilyIsReadByItsFaceWhereNoFileOfThatNameIs) {
  struct Case {
    const char* name;
    const char* face;
    const char* file;  // what the face is made from, under kFonts
  };
  const Case cases[] = {
      {"DejaVuSans-Bold.ttf", "DejaVu Sans Bold", "/dejavu/DejaVuSans-Bold.ttf"},
      {"c:\\skins\\LiberationSerif-Italic.ttf", "Liberation Serif Italic",
       "/liberation/LiberationSerif-Italic.ttf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::findFontFile(c.name), "") << "the prefix has a file of that name";
    platform::SystemFont font = platform::SystemFont::named(c.name);
    ASSERT_TRUE(font.found());
    EXPECT_EQ(font.faceName(), c.face);
    EXPECT_TRUE(isFontFile(font.data()));
    const Bytes file = fileBytes(kFonts + c.file);
    if (file.empty()) continue;  // not under Wine: Windows' own fonts differ
    EXPECT_TRUE(font.data() == file) << font.data().size() << " bytes, the file " << file.size();
  }
}

TEST(SystemFont, NamesOfNoInstalledFamilyFindNothingButTheInterfaceFontIsThere) {
  for (const char* name : {"NoSuchFontQuorvella.ttf", "Quorvella Sans-Bold.ttf", "fonts\\"}) {
    platform::SystemFont font = platform::SystemFont::named(name);
    EXPECT_FALSE(font.found()) << name;
    EXPECT_EQ(font.faceName(), "") << name;
  }
  platform::SystemFont font = platform::SystemFont::interfaceDefault();
  ASSERT_TRUE(font.found());
  EXPECT_TRUE(isFontFile(font.data()));
  // Asked for by its own face, the same font.
  platform::SystemFont again = platform::SystemFont::named(font.faceName() + ".ttf");
  ASSERT_TRUE(again.found()) << font.faceName();
  EXPECT_TRUE(again.data() == font.data());
}

// A layout's fonts as the editor loads them: a file where there is one, the face where
// there is none, and the interface font where the system has no face of any of them.
TEST(SystemFont, LayoutsGetTheirFaceElseTheInterfaceFontAndTextHasWidth) {
  testsupport::StreamCapture err(2);
  auto byFace = load({{"NoSuchFontQuorvella.ttf", 12}, {"DejaVuSans-Bold.ttf", 12}});
  ASSERT_NE(byFace, nullptr);
  EXPECT_EQ(byFace->path(), "DejaVu Sans Bold (system font)");
  EXPECT_GT(byFace->advance("Quorvella"), 20.0f);

  // None of the layout's fonts: the interface font, at the first usable size.
  auto fallback = load({{"NoSuchFontQuorvella.ttf", 0}, {"Quorvella Sans.ttf", 20}});
  ASSERT_NE(fallback, nullptr);
  platform::SystemFont system = platform::SystemFont::interfaceDefault();
  EXPECT_EQ(fallback->path(), system.faceName() + " (system font)");
  auto same = load({{system.faceName() + ".ttf", 20}});
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(fallback->advance("Quorvella"), same->advance("Quorvella"));
  EXPECT_GT(fallback->advance("Quorvella"), 30.0f);
  // No size that any font can have: nothing.
  EXPECT_EQ(load({{"NoSuchFontQuorvella.ttf", -1}}), nullptr);
  EXPECT_EQ(load({}), nullptr);
  EXPECT_EQ(err.stop(), "");
}
