// A texture font: glyph bitmaps rendered by FreeType (through FTGL's texture font) at twice
// the requested size into one GL texture, drawn at half scale so that text keeps its point
// size with smooth edges. Text is taken byte by byte, each byte a Latin-1 character.
//
// Threading: load() runs on the user-interface thread; prepareGlyphs(), drawText() and
// releaseGL() on the render thread with its GL context current. lineHeight() and
// descender() are fixed at load and safe from any thread. Glyph creation (and therefore
// prepareGlyphs, advance, drawText and fillTextQuads) and font creation and destruction
// take one process-wide lock, because every font of the process shares FreeType's library
// object, and fonts of one file and size share one face with its glyph bitmaps (each font
// keeps its own atlas and GL texture). The few faces used last outlive their fonts, so
// that the next opening of an editor finds them ready. The owner frees the font after the
// render thread has ended and has called releaseGL().
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/text/GlyphAtlas.h"

namespace HC {

class Font {
public:
  // Largest point size accepted; larger glyphs would not fit the glyph texture.
  static constexpr float kMaxPointSize = 256.0f;

  // The first usable font of the candidates, (file name, point size) pairs in order, or
  // null. A file name is used as it is when that file is readable, else looked up among the
  // system's font files (platform::findFontFile), else asked of the system by the face it
  // stands for (platform::SystemFont::named); a candidate found nowhere is skipped
  // silently. A font that cannot be used (or a point size that is not a number in
  // (0, kMaxPointSize]) shows the message box "Unable to load font" before the next
  // candidate is tried. When no candidate gives a font, the system's interface font
  // (platform::SystemFont::interfaceDefault, Windows only) at the first usable size.
  static Font* load(const std::vector<std::pair<std::string, float>>& candidates);

  virtual ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Makes the glyphs of the characters 32 to 126 and uploads the glyph texture.
  virtual void prepareGlyphs();

  // Displayed metrics, in window pixels: half of the loaded font's.
  virtual float lineHeight() const { return shownLineHeight; }
  virtual float descender() const { return shownDescender; }  // negative: below the baseline
  // Width of text: the advances of its characters that have a glyph, each with the
  // kerning toward the following character.
  virtual float advance(const char* text) const;

  // Draws text in immediate mode with its baseline starting at (x, y) (rounded down to
  // whole pixels), in the current colour, with texturing, alpha test and blending on
  // only while drawing.
  virtual void drawText(const char* text, float x, float y) const;
  // Writes the quads that drawText would draw, for interleaved arrays: per character four
  // vertices of five floats (s, t, x, y, 0). A character without a glyph gets four
  // vertices of zero area, so exactly 4 x strlen(text) vertices are written (the caller
  // allots that many); returns that count.
  virtual int fillTextQuads(const char* text, float* destination, float x, float y) const;
  // The glyph texture's GL name; 0 until prepareGlyphs() or drawing has uploaded it.
  virtual unsigned glyphTexture() const;
  // Deletes the glyph texture (render thread, at GL teardown).
  virtual void releaseGL();

  // The path the font was made from; for a font the system handed over by face name, that
  // name followed by " (system font)".
  const std::string& path() const { return fontPath; }

protected:
  // For fonts that measure and draw without FreeType (test doubles).
  Font();

private:
  class Glyph;
  class Face;
  // Where a glyph sits in this font's atlas.
  struct Place {
    bool shown = false;  // false: nothing to draw (no bitmap, or no room in the atlas)
    float s0 = 0, t0 = 0, s1 = 0, t1 = 0;
  };

  // A font from a font file's bytes at a point size; null when either is unusable.
  // `source` names where the bytes came from (path()).
  static Font* fromBytes(const std::string& source, std::vector<unsigned char>&& bytes,
                         float points);
  // The process's face for the file at path (its bytes given) at that size, made when none
  // made from the same bytes is alive; null when the bytes are not a usable font. The
  // caller holds the process-wide lock.
  static std::shared_ptr<Face> sharedFace(const std::string& path, std::vector<unsigned char>&& file,
                                          unsigned pixels);

  // All below: the caller holds the process-wide lock.
  Glyph* glyphFor(unsigned char c) const;
  // The pen's move after c (which has a glyph) when next follows, kerning included, in
  // loaded units.
  void penStep(unsigned char c, unsigned char next, float& dx, float& dy) const;
  void ensureAtlas() const;
  void placeInAtlas(unsigned char c) const;
  template <typename Emit>
  void layout(const char* text, float x, float y, Emit emit) const;

  std::string fontPath;
  std::shared_ptr<Face> face;
  float shownLineHeight = 0;
  float shownDescender = 0;
  // Glyphs are made on demand, so the const drawing and measuring calls change these.
  mutable GlyphAtlas atlas;
  enum : unsigned char { kUnknown, kPresent, kMissing };
  mutable unsigned char glyphState[256] = {};
  mutable Glyph* glyphs[256] = {};  // owned by the face
  mutable Place places[256];
};

}  // namespace HC
