// What the system-font lookups share on every platform: the face a layout's file name
// stands for, and a font of a collection made a file of its own from its tables, the way
// Windows hands them out (checked here against a collection built from the installed
// Liberation Sans and DejaVu Sans, and read back through FreeType).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

#include "gui/text/FileBytes.h"
#include "gui/text/Font.h"
#include "platform/FontFileFace.h"
#include "platform/FontFiles.h"
#include "platform/StandaloneFont.h"
#include "support/TempFolder.h"

namespace {

using Bytes = std::vector<unsigned char>;
using platform::FontFileFace;
using platform::StandaloneFont;

uint32_t get32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = (unsigned char)(v >> (24 - 8 * i));
}

struct Table {
  uint32_t tag, offset, length;
};

// The table directory of the font whose header starts at `at`.
std::vector<Table> tablesOf(const Bytes& file, size_t at) {
  std::vector<Table> out;
  const unsigned count = unsigned(file[at + 4]) << 8 | file[at + 5];
  for (unsigned i = 0; i < count; ++i) {
    size_t entry = at + 12 + 16 * i;
    out.push_back({get32(file, entry), get32(file, entry + 8), get32(file, entry + 12)});
  }
  return out;
}

// The fonts as one collection, laid out as .ttc files are: the "ttcf" header with the
// offset of each font's header, the headers with their directories, then the tables, every
// offset counted from the start of the collection.
Bytes collectionOf(const std::vector<Bytes>& fonts) {
  Bytes out(12 + 4 * fonts.size(), 0);
  put32(out, 0, 0x74746366);  // "ttcf"
  put32(out, 4, 0x00010000);
  put32(out, 8, uint32_t(fonts.size()));
  std::vector<size_t> headers;
  for (size_t f = 0; f < fonts.size(); ++f) {
    headers.push_back(out.size());
    put32(out, 12 + 4 * f, uint32_t(out.size()));
    size_t directory = 12 + 16 * tablesOf(fonts[f], 0).size();
    out.insert(out.end(), fonts[f].begin(), fonts[f].begin() + long(directory));
  }
  for (size_t f = 0; f < fonts.size(); ++f) {
    std::vector<Table> tables = tablesOf(fonts[f], 0);
    for (size_t i = 0; i < tables.size(); ++i) {
      put32(out, headers[f] + 12 + 16 * i + 8, uint32_t(out.size()));
      out.insert(out.end(), fonts[f].begin() + tables[i].offset,
                 fonts[f].begin() + tables[i].offset + tables[i].length);
      while (out.size() % 4) out.push_back(0);
    }
  }
  return out;
}

// What GetFontData gives for font `index` of a collection: tag 0 reads on from the font's
// own header, any other tag from that table of the font.
StandaloneFont::TableReader collectionReader(const Bytes& ttc, size_t index) {
  return [&ttc, index](uint32_t tag, uint32_t offset, unsigned char* out, uint32_t size) {
    size_t start = get32(ttc, 12 + 4 * index);
    size_t length = ttc.size() - start;
    if (tag != 0) {
      bool found = false;
      for (const Table& t : tablesOf(ttc, start))
        if (t.tag == tag) {
          start = t.offset;
          length = t.length;
          found = true;
        }
      if (!found) return false;
    }
    if (size_t(offset) + size > length) return false;
    std::memcpy(out, &ttc[start + offset], size);
    return true;
  };
}

Bytes fileBytes(const std::string& path) {
  Bytes out;
  EXPECT_TRUE(HC::FileBytes::read(path, out)) << path;
  return out;
}

}  // namespace

TEST(FontFileFace, WindowsFilesGiveTheirFamilyAndOtherNamesTheirOwn) {
  struct Case {
    const char* name;
    const char* family;
    bool bold, italic, wellKnown;
  };
  const Case cases[] = {
      {"C:\\WINDOWS\\Fonts\\ARIALBI.TTF", "Arial", true, true, true},
      {"/nowhere/tahomabd.ttf", "Tahoma", true, false, true},
      {"DejaVuSans-Bold.ttf", "DejaVuSans", true, false, false},
      {"Liberation Mono-BoldItalic.otf", "Liberation Mono", true, true, false},
      {"Foo-Light.ttf", "Foo-Light", false, false, false},  // no style of ours
      {"-Bold.ttf", "-Bold", false, false, false},
      {"fonts/", "", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FontFileFace face = FontFileFace::forFile(c.name);
    EXPECT_EQ(face.family, c.family);
    EXPECT_EQ(face.bold, c.bold);
    EXPECT_EQ(face.italic, c.italic);
    EXPECT_EQ(face.wellKnown, c.wellKnown);
  }
  FontFileFace dejaVu = FontFileFace::forFile("DejaVuSans.ttf");
  EXPECT_TRUE(dejaVu.isFamily("DejaVu Sans"));
  EXPECT_TRUE(dejaVu.isFamily("dejavu_sans"));
  EXPECT_FALSE(dejaVu.isFamily("DejaVu Sans Mono"));
  EXPECT_FALSE(FontFileFace::forFile("fonts/").isFamily(""));
  // Through fontconfig the style part finds the style's file.
  std::string bold = platform::findFontFile("Liberation Sans-Bold.ttf");
  EXPECT_NE(bold.find("LiberationSans-Bold"), std::string::npos) << bold;
}

TEST(StandaloneFont, AFontOfACollectionBecomesAFileOfItsOwn) {
  const std::string paths[] = {platform::findFontFile("LiberationSans-Regular.ttf"),
                               platform::findFontFile("DejaVuSans.ttf")};
  const std::vector<Bytes> fonts = {fileBytes(paths[0]), fileBytes(paths[1])};
  ASSERT_FALSE(fonts[0].empty() || fonts[1].empty());
  const Bytes ttc = collectionOf(fonts);
  testsupport::TempFolder folder("quorvella-standalone-font");
  // The collection is one FreeType reads (its first font), so the reader reads a real one.
  {
    std::ofstream(folder.file("both.ttc"), std::ios::binary)
        .write(reinterpret_cast<const char*>(ttc.data()), std::streamsize(ttc.size()));
    std::unique_ptr<HC::Font> first(HC::Font::load({{folder.file("both.ttc"), 14}}));
    std::unique_ptr<HC::Font> original(HC::Font::load({{paths[0], 14}}));
    ASSERT_TRUE(first && original);
    EXPECT_EQ(first->advance("Quorvella AV 10.5"), original->advance("Quorvella AV 10.5"));
  }
  for (size_t f = 0; f < fonts.size(); ++f) {
    SCOPED_TRACE(paths[f]);
    Bytes alone;
    ASSERT_TRUE(StandaloneFont::assemble(collectionReader(ttc, f), alone));
    // FreeType reads it as the font it came from.
    const std::string file = folder.file("alone" + std::to_string(f) + ".ttf");
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(alone.data()), std::streamsize(alone.size()));
    std::unique_ptr<HC::Font> made(HC::Font::load({{file, 14}}));
    std::unique_ptr<HC::Font> original(HC::Font::load({{paths[f], 14}}));
    ASSERT_TRUE(made && original);
    EXPECT_EQ(made->advance("Quorvella AV 10.5"), original->advance("Quorvella AV 10.5"));
    EXPECT_EQ(made->lineHeight(), original->lineHeight());
    EXPECT_EQ(made->descender(), original->descender());
  }
}

TEST(StandaloneFont, DirectoriesThatAreNoFontOrTooLargeAreRefused) {
  const Bytes font = fileBytes(platform::findFontFile("DejaVuSans.ttf"));
  ASSERT_GT(font.size(), 12u);
  const size_t glyf = [&] {
    std::vector<Table> tables = tablesOf(font, 0);
    for (size_t i = 0; i < tables.size(); ++i)
      if (tables[i].tag == 0x676C7966) return i;
    return tables.size();
  }();
  ASSERT_LT(glyf, tablesOf(font, 0).size());
  // The directory in a collection damaged: the tables stay as they were.
  const Bytes intact = collectionOf({font});
  const size_t at = get32(intact, 12);
  auto damaged = [&](const std::function<void(Bytes&)>& change) {
    Bytes copy = intact;
    change(copy);
    return copy;
  };
  struct Case {
    const char* what;
    Bytes ttc;
  };
  const Case cases[] = {
      {"a version no font has", damaged([&](Bytes& b) { put32(b, at, 0x12345678); })},
      {"no tables", damaged([&](Bytes& b) { b[at + 4] = b[at + 5] = 0; })},
      {"too many tables", damaged([&](Bytes& b) { b[at + 4] = b[at + 5] = 0xFF; })},
      {"a table of 4 GiB",
       damaged([&](Bytes& b) { put32(b, at + 12 + 16 * glyf + 12, 0xFFFFFFF0u); })},
      {"tables beyond the limit together", damaged([&](Bytes& b) {
         for (size_t i = 0; i < 5; ++i)
           put32(b, at + 12 + 16 * i + 12, uint32_t(StandaloneFont::kMaxBytes / 4));
       })},
      {"a table of tag 0", damaged([&](Bytes& b) { put32(b, at + 12, 0); })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes out{1, 2, 3};
    // The directories above claim lengths their tables lack: a reader of the real file.
    const Bytes& ttc = c.ttc;
    auto read = [&](uint32_t tag, uint32_t offset, unsigned char* dst, uint32_t size) {
      if (tag == 0) return collectionReader(ttc, 0)(0, offset, dst, size);
      std::memset(dst, 0, size);
      return size < (1u << 20);  // no table of this font is larger
    };
    EXPECT_FALSE(StandaloneFont::assemble(read, out));
    EXPECT_TRUE(out.empty());
  }
  // A table the system does not give, and a header it does not give.
  StandaloneFont::TableReader whole = collectionReader(intact, 0);
  Bytes out;
  EXPECT_FALSE(StandaloneFont::assemble(
      [&](uint32_t tag, uint32_t offset, unsigned char* dst, uint32_t size) {
        return tag != 0x676C7966 && whole(tag, offset, dst, size);
      },
      out));
  EXPECT_FALSE(StandaloneFont::assemble(
      [](uint32_t, uint32_t, unsigned char*, uint32_t) { return false; }, out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(StandaloneFont::assemble(whole, out));
}
