#include "gui/text/Font.h"

#include <GL/gl.h>
#include <FTGL/ftgl.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <map>

#include "gui/text/FileBytes.h"
#include "platform/FileSystem.h"
#include "platform/FontFiles.h"
#include "platform/MessageBox.h"
#include "platform/Mutex.h"
#include "platform/ScopedLock.h"
#include "platform/SystemFont.h"

namespace HC {

namespace {

// Made on first use and never destroyed: editors of several plug-in instances may still be
// tearing down while the library's static objects go away.
platform::Mutex& glyphLock() {
  static platform::Mutex* lock = new platform::Mutex;
  return *lock;
}

// Glyph bitmaps larger than this come only from broken fonts.
constexpr unsigned kMaxBitmapSide = 4096;

}  // namespace

// A glyph's bitmap and metrics, made once for the face and never changed after: every font
// that shares the face places it in an atlas of its own. FTGL's own texture glyphs keep
// their texture coordinates private, and the static text needs them as vertices, so the
// glyphs are made here.
class Font::Glyph : public FTGlyph {
public:
  explicit Glyph(FT_GlyphSlot slot) : FTGlyph(slot) {
    advanceY = float(slot->advance.y) / 64.0f;
    penAdvance = FTPoint(Advance(), advanceY);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
      return;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.buffer == nullptr) return;
    if (bitmap.width > kMaxBitmapSide || bitmap.rows > kMaxBitmapSide) return;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return;
    left = slot->bitmap_left;
    top = slot->bitmap_top;
    width = int(bitmap.width);
    height = int(bitmap.rows);
    pixels.resize(size_t(width) * size_t(height));
    int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
    for (int row = 0; row < height; ++row) {
      // A negative pitch stores the rows bottom first.
      const unsigned char* src = bitmap.buffer + size_t(bitmap.pitch < 0 ? height - 1 - row : row) *
                                                     size_t(pitch);
      unsigned char* dst = &pixels[size_t(row) * size_t(width)];
      for (int col = 0; col < width; ++col)
        dst[col] = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY
                       ? src[col]
                       : ((src[col >> 3] >> (7 - (col & 7))) & 1 ? 255 : 0);
    }
  }

  // Drawing goes through Font, which batches the quads; FTGL's own render path is unused.
  const FTPoint& Render(const FTPoint&, int) override { return penAdvance; }

  int left = 0;
  int top = 0;
  int width = 0;   // 0 for a glyph with nothing to show (a space)
  int height = 0;
  float advanceY = 0;
  std::vector<unsigned char> pixels;  // rows top first; every font sharing the face copies them

private:
  FTPoint penAdvance;
};

// FTGL's texture font at one size, its glyphs made by Glyph, each at most once. Shared by
// every font of the process made from the same file at the same size (see faces()); all
// use is under the glyph lock.
// The face is made from a copy of the file in memory, not from the file: FreeType maps a
// file it opens, and a kept face whose file is rewritten (a skin being edited) would read
// beyond the end of the new one.
struct FontBytes {
  std::vector<unsigned char> bytes;
};

class Font::Face : private FontBytes, public FTTextureFont {
public:
  explicit Face(std::vector<unsigned char>&& file)
      : FontBytes{std::move(file)}, FTTextureFont(bytes.data(), bytes.size()) {}
  FT_Face ftFace = nullptr;  // FTGL's face, known from the first glyph made
  bool madeFrom(const std::vector<unsigned char>& file) const { return file == bytes; }

  // The glyph of c, made now if it was not yet; null for a character the font lacks.
  Glyph* glyph(unsigned char c) {
    if (state[c] != kUnknown) return glyphs[c];
    wchar_t single[2] = {wchar_t(c), 0};
    made = nullptr;
    Advance(single, 1);
    glyphs[c] = made;
    made = nullptr;
    state[c] = glyphs[c] != nullptr ? kPresent : kMissing;
    return glyphs[c];
  }

protected:
  FTGlyph* MakeGlyph(FT_GlyphSlot slot) override {
    ftFace = slot->face;
    made = new Glyph(slot);
    return made;
  }

private:
  Glyph* made = nullptr;
  unsigned char state[256] = {};
  Glyph* glyphs[256] = {};  // owned by FTGL's glyph list
};

namespace {

// Faces by file and pixel size. Faces in use are found through the weak entries; the few
// used last stay alive after their fonts go, so that reopening an editor (or opening
// another instance's) neither reads the font files nor renders the glyphs again. Bounded:
// kKeptFaces faces beyond those in use. Used under the glyph lock only.
constexpr size_t kKeptFaces = 4;
struct Faces {
  std::map<std::pair<std::string, unsigned>, std::weak_ptr<void>> all;
  std::deque<std::shared_ptr<void>> kept;
};
Faces& faces() {
  static Faces* shared = new Faces;  // never destroyed, like the lock
  return *shared;
}

}  // namespace

std::shared_ptr<Font::Face> Font::sharedFace(const std::string& path, std::vector<unsigned char>&& file,
                                             unsigned pixels) {
  Faces& f = faces();
  auto key = std::make_pair(path, pixels);
  std::shared_ptr<Face> face = std::static_pointer_cast<Face>(f.all[key].lock());
  // A file changed since: a face of its own (the old one stays with the fonts using it).
  if (face && !face->madeFrom(file)) face.reset();
  if (!face) {
    face = std::make_shared<Face>(std::move(file));
    if (face->Error() != 0 || !face->FaceSize(pixels, 72) || face->Error() != 0) {
      f.all.erase(key);
      return nullptr;
    }
    f.all[key] = face;
    for (auto it = f.all.begin(); it != f.all.end();)
      it = it->second.expired() ? f.all.erase(it) : std::next(it);
  }
  for (auto it = f.kept.begin(); it != f.kept.end(); ++it)
    if (it->get() == face.get()) {
      f.kept.erase(it);
      break;
    }
  f.kept.push_front(face);
  if (f.kept.size() > kKeptFaces) f.kept.pop_back();
  return face;
}

namespace {

bool usableSize(float points) {
  return std::isfinite(points) && points > 0 && points <= Font::kMaxPointSize;
}

// How a font that the system handed over by face name is told apart from a file's path.
std::string systemFontSource(const platform::SystemFont& font) {
  return font.faceName() + " (system font)";
}

}  // namespace

Font* Font::fromBytes(const std::string& source, std::vector<unsigned char>&& bytes,
                      float points) {
  if (bytes.empty() || !usableSize(points)) return nullptr;
  std::unique_ptr<Font> font(new Font);
  {
    platform::ScopedLock lock(glyphLock());
    font->face = sharedFace(source, std::move(bytes), unsigned(std::lround(2.0f * points)));
  }
  if (!font->face) return nullptr;
  font->fontPath = source;
  font->shownLineHeight = font->face->LineHeight() / 2.0f;
  font->shownDescender = font->face->Descender() / 2.0f;
  return font.release();
}

Font* Font::load(const std::vector<std::pair<std::string, float>>& candidates) {
  for (const auto& candidate : candidates) {
    const std::string& name = candidate.first;
    std::string source = platform::isReadable(name) ? name : platform::findFontFile(name);
    std::vector<unsigned char> bytes;
    if (source.empty()) {
      platform::SystemFont system = platform::SystemFont::named(name);
      if (!system.found()) continue;
      source = systemFontSource(system);
      bytes = std::move(system.data());
    } else if (!FileBytes::read(source, bytes)) {
      bytes.clear();  // unusable: reported below
    }
    if (Font* font = fromBytes(source, std::move(bytes), candidate.second)) return font;
    platform::messageBox("Error", "Unable to load font");
  }
  // None of the layout's fonts: the system's interface font at the first usable size asked
  // for, so that text shows wherever the system has a font.
  for (const auto& candidate : candidates) {
    if (!usableSize(candidate.second)) continue;
    platform::SystemFont system = platform::SystemFont::interfaceDefault();
    if (!system.found()) return nullptr;
    std::string source = systemFontSource(system);
    if (Font* font = fromBytes(source, std::move(system.data()), candidate.second)) return font;
    platform::messageBox("Error", "Unable to load font");
    return nullptr;
  }
  return nullptr;
}

Font::Font() = default;

Font::~Font() {
  // FreeType's faces come and go under the same lock as glyph creation.
  platform::ScopedLock lock(glyphLock());
  face.reset();
}

Font::Glyph* Font::glyphFor(unsigned char c) const {
  if (c == 0 || glyphState[c] == kMissing) return nullptr;
  if (glyphState[c] == kPresent) return glyphs[c];
  Glyph* glyph = face->glyph(c);
  glyphState[c] = glyph != nullptr ? kPresent : kMissing;
  glyphs[c] = glyph;
  if (glyph != nullptr && atlas.allocated()) placeInAtlas(c);
  return glyph;
}

void Font::penStep(unsigned char c, unsigned char next, float& dx, float& dy) const {
  const Glyph* glyph = glyphs[c];
  dx = glyph->Advance();
  dy = glyph->advanceY;
  // The kerning comes from FreeType directly: FTGL fills its table of kerning pairs before
  // the face has a size, which leaves the pairs of the first 128 glyphs at zero.
  FT_Face ft = face->ftFace;
  if (next == 0 || ft == nullptr || !FT_HAS_KERNING(ft)) return;
  FT_Vector kerning = {0, 0};
  if (FT_Get_Kerning(ft, FT_Get_Char_Index(ft, c), FT_Get_Char_Index(ft, next), FT_KERNING_UNFITTED,
                     &kerning) != 0)
    return;
  dx += float(kerning.x) / 64.0f;
  dy += float(kerning.y) / 64.0f;
}

void Font::placeInAtlas(unsigned char c) const {
  const Glyph& glyph = *glyphs[c];
  Place& place = places[c];
  place.shown = false;
  if (glyph.width == 0 || glyph.height == 0) return;
  int x = 0, y = 0;
  // No room left: the character keeps its advance but shows nothing.
  if (!atlas.place(glyph.width, glyph.height, x, y)) return;
  atlas.copy(x, y, glyph.pixels.data(), glyph.width, glyph.height);
  place.s0 = float(x) / float(atlas.width());
  place.t0 = float(y) / float(atlas.height());
  place.s1 = float(x + glyph.width) / float(atlas.width());
  place.t1 = float(y + glyph.height) / float(atlas.height());
  place.shown = true;
}

void Font::ensureAtlas() const {
  if (atlas.allocated()) return;
  std::vector<GlyphAtlas::Size> sizes;
  for (int c = 32; c <= 126; ++c) glyphFor((unsigned char)c);
  for (int c = 1; c < 256; ++c)
    if (glyphs[c] != nullptr) sizes.push_back({glyphs[c]->width, glyphs[c]->height});
  GlyphAtlas::Size size = GlyphAtlas::chooseSize(sizes);
  atlas.reset(size.width, size.height);
  for (int c = 1; c < 256; ++c)
    if (glyphs[c] != nullptr) placeInAtlas((unsigned char)c);
}

void Font::prepareGlyphs() {
  platform::ScopedLock lock(glyphLock());
  ensureAtlas();
  atlas.upload();
}

template <typename Emit>
void Font::layout(const char* text, float x, float y, Emit emit) const {
  float penX = std::floor(x);
  float penY = std::floor(y);
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    const Glyph* glyph = glyphFor(*p);
    if (glyph == nullptr || !places[*p].shown) {
      emit(nullptr, penX, penY, penX, penY);
    } else {
      float x0 = penX + float(glyph->left) / 2.0f;
      float y0 = penY + float(glyph->top) / 2.0f;
      emit(&places[*p], x0, y0, x0 + float(glyph->width) / 2.0f, y0 - float(glyph->height) / 2.0f);
    }
    if (glyph != nullptr) {
      float dx, dy;
      penStep(p[0], p[1], dx, dy);
      penX += dx / 2.0f;
      penY += dy / 2.0f;
    }
  }
}

float Font::advance(const char* text) const {
  if (text == nullptr) return 0;
  platform::ScopedLock lock(glyphLock());
  float sum = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (glyphFor(*p) == nullptr) continue;
    float dx, dy;
    penStep(p[0], p[1], dx, dy);
    sum += dx;
  }
  return sum / 2.0f;
}

void Font::drawText(const char* text, float x, float y) const {
  if (text == nullptr || *text == 0) return;
  platform::ScopedLock lock(glyphLock());
  ensureAtlas();
  unsigned texture = atlas.upload();
  if (texture == 0) return;
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glAlphaFunc(GL_GREATER, 0.0f);
  glEnable(GL_ALPHA_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  layout(text, x, y, [](const Place* g, float x0, float y0, float x1, float y1) {
    if (g == nullptr) return;
    glTexCoord2f(g->s0, g->t0);
    glVertex2f(x0, y0);
    glTexCoord2f(g->s0, g->t1);
    glVertex2f(x0, y1);
    glTexCoord2f(g->s1, g->t1);
    glVertex2f(x1, y1);
    glTexCoord2f(g->s1, g->t0);
    glVertex2f(x1, y0);
  });
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_BLEND);
}

int Font::fillTextQuads(const char* text, float* destination, float x, float y) const {
  if (text == nullptr || destination == nullptr) return 0;
  platform::ScopedLock lock(glyphLock());
  ensureAtlas();
  float* out = destination;
  layout(text, x, y, [&out](const Place* g, float x0, float y0, float x1, float y1) {
    float s0 = g ? g->s0 : 0, t0 = g ? g->t0 : 0, s1 = g ? g->s1 : 0, t1 = g ? g->t1 : 0;
    const float corners[4][4] = {{s0, t0, x0, y0}, {s0, t1, x0, y1}, {s1, t1, x1, y1}, {s1, t0, x1, y0}};
    for (const auto& c : corners) {
      *out++ = c[0];
      *out++ = c[1];
      *out++ = c[2];
      *out++ = c[3];
      *out++ = 0.0f;
    }
  });
  return int((out - destination) / 5);
}

unsigned Font::glyphTexture() const {
  platform::ScopedLock lock(glyphLock());
  return atlas.textureName();
}

void Font::releaseGL() {
  platform::ScopedLock lock(glyphLock());
  atlas.releaseGL();
}

}  // namespace HC
