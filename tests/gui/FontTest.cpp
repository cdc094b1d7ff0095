// Texture fonts: choosing among candidates, displayed (halved) metrics, the quads that text
// becomes, drawing through GL, fonts that are damaged, and faces shared between fonts.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <atomic>
#include <random>
#include <thread>

#include "GLTestContext.h"
#include "PNGTestImages.h"
#include "gui/text/Font.h"
#include "platform/FontFiles.h"
#include "support/StreamCapture.h"
#include "support/TempFolder.h"

namespace {

using Candidates = std::vector<std::pair<std::string, float>>;

std::unique_ptr<HC::Font> load(const Candidates& candidates) {
  return std::unique_ptr<HC::Font>(HC::Font::load(candidates));
}

struct Quad {
  float s0, t0, s1, t1, x0, y0, x1, y1;
};

std::vector<Quad> quads(const HC::Font& font, const char* text, float x, float y) {
  std::vector<float> v(std::strlen(text) * 4 * 5 + 5, -12345.0f);
  int n = font.fillTextQuads(text, v.data(), x, y);
  EXPECT_EQ(n, int(std::strlen(text)) * 4);
  EXPECT_EQ(v[size_t(n) * 5], -12345.0f);  // nothing written past the count
  std::vector<Quad> out;
  for (int q = 0; q < n / 4; ++q) {
    const float* p = &v[size_t(q) * 20];
    // Corner order: (s0,t0) at (x0,y0), (s0,t1) at (x0,y1), (s1,t1) at (x1,y1), (s1,t0) at (x1,y0).
    EXPECT_EQ(p[0], p[5]);
    EXPECT_EQ(p[11], p[6]);
    EXPECT_EQ(p[15], p[10]);
    EXPECT_EQ(p[16], p[1]);
    EXPECT_EQ(p[2], p[7]);
    EXPECT_EQ(p[13], p[8]);
    EXPECT_EQ(p[17], p[12]);
    EXPECT_EQ(p[18], p[3]);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(p[k * 5 + 4], 0.0f);
    out.push_back({p[0], p[1], p[10], p[11], p[2], p[3], p[12], p[13]});
  }
  return out;
}

const char* kSans = "LiberationSans-Regular.ttf";

}  // namespace

TEST(Font, FirstUsableCandidateWinsAndMissingOnesAreSkippedSilently) {
  testsupport::TempFolder folder("quorvella-font");
  std::string bogus = folder.file("bogus.ttf");
  std::ofstream(bogus) << "this is not a font";
  {
    testsupport::StreamCapture err(2);
    auto font = load({{folder.file("missing.ttf"), 12}, {"NoSuchFontQuorvella.ttf", 12}, {kSans, 12}});
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->path(), platform::findFontFile(kSans));
    EXPECT_EQ(err.stop(), "");
  }
  {
    testsupport::StreamCapture err(2);
    EXPECT_EQ(load({{folder.file("missing.ttf"), 12}, {"NoSuchFontQuorvella.ttf", 10}}), nullptr);
    EXPECT_EQ(load({}), nullptr);
    EXPECT_EQ(err.stop(), "");
  }
  // A file that is there but no font, or a size no font can have: reported, then the next.
  for (const Candidates& list :
       {Candidates{{bogus, 12}, {kSans, 11}}, Candidates{{kSans, 0}, {kSans, 11}},
        Candidates{{kSans, NAN}, {kSans, 11}}, Candidates{{kSans, 1e9f}, {kSans, 11}}}) {
    testsupport::StreamCapture err(2);
    auto font = load(list);
    EXPECT_NE(font, nullptr);
    EXPECT_EQ(err.stop(), "Unable to load font: Error\n");
  }
  // The file's own path is taken as it is.
  std::string path = platform::findFontFile("DejaVuSans.ttf");
  auto direct = load({{path, 9}});
  ASSERT_NE(direct, nullptr);
  EXPECT_EQ(direct->path(), path);
}

TEST(Font, MetricsAreHalfThoseOfTheGlyphsRenderedAtTwiceTheSize) {
  auto small = load({{kSans, 10}});
  auto large = load({{kSans, 20}});
  ASSERT_TRUE(small && large);
  // Liberation Sans: line height about 1.15 em, descender about -0.21 em.
  // The loaded metrics are whole pixels at twice the size.
  EXPECT_NEAR(small->lineHeight(), 11.5f, 1.0f);
  EXPECT_NEAR(small->descender(), -2.1f, 0.5f);
  EXPECT_EQ(small->descender() * 2, std::round(small->descender() * 2));
  EXPECT_NEAR(large->lineHeight(), 2 * small->lineHeight(), 0.6f);
  EXPECT_NEAR(large->advance("Quorvella"), 2 * small->advance("Quorvella"), 1.0f);
  // Capital H is about 0.73 em tall: 14.6 displayed pixels at 20 points, drawn from a
  // bitmap twice that height.
  std::vector<Quad> h = quads(*large, "H", 0, 0);
  EXPECT_NEAR(h[0].y0 - h[0].y1, 14.6f, 1.0f);
  EXPECT_EQ(small->advance(""), 0.0f);
  EXPECT_EQ(small->advance(nullptr), 0.0f);
}

TEST(Font, QuadsFollowThePenWithKerningAndHaveOwnTexturePlaces) {
  auto font = load({{kSans, 16}});
  ASSERT_NE(font, nullptr);
  const char* text = "Hello, AVA! 10.5 dB";
  std::vector<Quad> q = quads(*font, text, 20.7f, 30.2f);
  // The first glyph starts at the whole pixel below the start plus half its bearing.
  EXPECT_GE(q[0].x0, 20.0f);
  EXPECT_LT(q[0].x0, 22.0f);
  EXPECT_GT(q[0].y0, 30.0f);  // above the baseline
  float advance = font->advance(text);
  float previous = -1;
  for (size_t i = 0; i < q.size(); ++i) {
    SCOPED_TRACE(i);
    if (text[i] == ' ') {
      EXPECT_EQ(q[i].x0, q[i].x1);  // nothing to show
      continue;
    }
    EXPECT_GT(q[i].x1, q[i].x0);
    EXPECT_GT(q[i].y0, q[i].y1);
    EXPECT_GT(q[i].x0, previous);
    previous = q[i].x0;
    EXPECT_LE(q[i].x1, 20.0f + advance + 1.0f);
    for (float c : {q[i].s0, q[i].t0, q[i].s1, q[i].t1}) {
      EXPECT_GE(c, 0.0f);
      EXPECT_LE(c, 1.0f);
    }
    // Different characters never share texture space.
    for (size_t j = 0; j < i; ++j) {
      if (text[j] == text[i] || text[j] == ' ') continue;
      EXPECT_TRUE(q[j].s1 <= q[i].s0 || q[i].s1 <= q[j].s0 || q[j].t1 <= q[i].t0 ||
                    q[i].t1 <= q[j].t0)
            << text[j] << " and " << text[i];
    }
  }
  // "AV" kerns closer than the two letters measured apart (Liberation Sans kerns the pair).
  EXPECT_LT(font->advance("AV"), font->advance("A") + font->advance("V") - 0.5f);
  // Characters outside the printable range are made when first used (here the font's
  // replacement box for a control character) and have their vertices like any other.
  std::vector<Quad> other = quads(*font, "A\x01\xe9" "B", 0, 0);
  EXPECT_GT(other[2].x1, other[2].x0);  // e acute
  EXPECT_GT(other[3].x0, other[2].x0);
}

TEST(Font, DrawsTextAtHalfScaleWhereTheQuadsSay) {
  testsupport::GLTestContext gl(128, 64);
  ASSERT_TRUE(gl.ok());
  auto font = load({{kSans, 12}});
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->glyphTexture(), 0u);
  font->prepareGlyphs();
  unsigned texture = font->glyphTexture();
  ASSERT_NE(texture, 0u);
  EXPECT_TRUE(glIsTexture(texture));
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 128, 0, 64, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  auto litBox = [&](int box[4]) {
    std::vector<unsigned char> rgb = gl.readRGB();
    box[0] = box[1] = 1000;
    box[2] = box[3] = -1;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 128; ++x)
        if (rgb[size_t(y * 128 + x) * 3 + 1] > 128) {
          box[0] = std::min(box[0], x);
          box[1] = std::min(box[1], y);
          box[2] = std::max(box[2], x);
          box[3] = std::max(box[3], y);
        }
  };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(0, 1, 0, 1);
    font->drawText("HH", 10.6f, 20.3f);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    int box[4];
    litBox(box);
    std::vector<Quad> q = quads(*font, "HH", 10.6f, 20.3f);
    EXPECT_NEAR(box[0], q[0].x0, 1.5f);
    EXPECT_NEAR(box[2] + 1, q[1].x1, 1.5f);
    EXPECT_NEAR(box[1], 20, 1.5f);  // "H" sits on the baseline
    EXPECT_NEAR(box[3] + 1, q[0].y0, 1.5f);
    // Releasing the texture at teardown; a later draw makes it again.
    font->releaseGL();
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(font->glyphTexture(), 0u);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(Font, DamagedFontFilesNeverCrash) {
  // Run under the address sanitizer by the sanitizer build.
  std::ifstream in(platform::findFontFile("DejaVuSans.ttf"), std::ios::binary);
  testsupport::Bytes original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(original.size(), 1000u);
  testsupport::TempFolder folder("quorvella-font");
  std::string path = folder.file("mutated.ttf");
  std::mt19937 random(77u);
  std::string printable;
  for (int c = 32; c <= 126; ++c) printable += char(c);
  std::vector<float> vertices(printable.size() * 20);
  int loaded = 0;
  for (int round = 0; round < 120; ++round) {
    testsupport::Bytes file = original;
    if (round % 3 == 0) {
      file.resize(random() % file.size());
    } else {
      // Damage the tables' directory and the glyph data alike.
      for (int e = 0; e < 20; ++e) file[random() % (round % 3 == 1 ? 400 : file.size())] = (unsigned char)random();
    }
    ASSERT_TRUE(testsupport::writeBytes(path, file));
    testsupport::StreamCapture err(2);
    std::unique_ptr<HC::Font> font(HC::Font::load({{path, 12}}));
    err.stop();
    if (!font) continue;
    ++loaded;
    float width = font->advance(printable.c_str());
    EXPECT_TRUE(std::isfinite(width));
    EXPECT_EQ(font->fillTextQuads(printable.c_str(), vertices.data(), 0, 0), int(printable.size()) * 4);
  }
  EXPECT_GT(loaded, 0);
}

TEST(Font, FontsOfSeveralEditorsAreMadeAndMeasuredAtOnce) {
  // Every font shares FreeType's library object; the thread-sanitizer build checks that
  // creation, glyph making and destruction from several threads are serialised.
  std::string printable;
  for (int c = 32; c <= 126; ++c) printable += char(c);
  std::vector<float> expected;
  for (float size : {9.0f, 13.0f}) expected.push_back(load({{kSans, size}})->advance(printable.c_str()));
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 5; ++round) {
        auto font = load({{kSans, t % 2 ? 13.0f : 9.0f}});
        std::vector<float> v(printable.size() * 20);
        if (!font || font->fillTextQuads(printable.c_str(), v.data(), 0, 0) != int(v.size() / 5) ||
            font->advance(printable.c_str()) != expected[size_t(t % 2)])
          ++wrong;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

bool sameQuads(const std::vector<Quad>& a, const std::vector<Quad>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](const Quad& p, const Quad& q) {
           return std::memcmp(&p, &q, sizeof p) == 0;
         });
}

// Fonts of one file and size share a face, but each lays its glyphs out as a font of its
// own would: a character another font drew first takes no room in the next one's atlas.
TEST(Font, FontsSharingAFaceLayOutTheirTextAsAloneAndTheirFileMayChange) {
  std::ifstream sansIn(platform::findFontFile(kSans), std::ios::binary);
  testsupport::Bytes sans((std::istreambuf_iterator<char>(sansIn)), std::istreambuf_iterator<char>());
  std::ifstream otherIn(platform::findFontFile("DejaVuSans.ttf"), std::ios::binary);
  testsupport::Bytes other((std::istreambuf_iterator<char>(otherIn)), std::istreambuf_iterator<char>());
  ASSERT_GT(sans.size(), 1000u);
  ASSERT_GT(other.size(), 1000u);
  testsupport::TempFolder folder("quorvella-font");
  std::string shared = folder.file("shared.ttf"), alone = folder.file("alone.ttf");
  ASSERT_TRUE(testsupport::writeBytes(shared, sans));
  ASSERT_TRUE(testsupport::writeBytes(alone, sans));
  const char* text = "Cutoff 1000.0 Hz";
  const char accented[] = {'\xe9', '\xe8', 'A', 0};

  auto first = load({{shared, 11}});
  ASSERT_TRUE(first);
  quads(*first, accented, 0, 0);  // glyphs beyond the printable ones, in the first font only
  auto second = load({{shared, 11}});
  auto fresh = load({{alone, 11}});
  ASSERT_TRUE(second && fresh);
  EXPECT_TRUE(sameQuads(quads(*second, text, 3, 4), quads(*fresh, text, 3, 4)));
  EXPECT_EQ(second->advance(text), fresh->advance(text));
  EXPECT_EQ(first->advance(text), fresh->advance(text));

  // The file rewritten with another font while fonts made from it live: new fonts get the
  // new one, and the old fonts go on measuring as before.
  const float before = first->advance(text);
  ASSERT_TRUE(testsupport::writeBytes(shared, other));
  auto changed = load({{shared, 11}});
  ASSERT_TRUE(testsupport::writeBytes(alone, other));
  auto otherAlone = load({{alone, 11}});
  ASSERT_TRUE(changed && otherAlone);
  EXPECT_EQ(changed->advance(text), otherAlone->advance(text));
  EXPECT_NE(changed->advance(text), before);
  ASSERT_TRUE(testsupport::writeBytes(shared, testsupport::Bytes(sans.begin(), sans.begin() + 500)));
  EXPECT_EQ(first->advance(text), before);
  EXPECT_EQ(second->advance(accented), first->advance(accented));
}
