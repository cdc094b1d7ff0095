// A texture font for one text role (main, labels, text fields). Metrics are the displayed
// ones: glyphs are rendered at twice the point size and drawn at half scale.
//
// This header declares only what the element framework uses; the font implementation
// (FTGL texture fonts, glyph preparation, loading) provides the rest behind the same
// names. The operations are virtual so that tests can measure text without FreeType.
//
// Threads: metrics from any thread once loaded; drawing on the render thread with its GL
// context current.
#pragma once

namespace HC {

class Font {
 public:
  virtual ~Font() = default;

  virtual float lineHeight() const = 0;
  // Negative: below the baseline.
  virtual float descender() const = 0;
  // Width of the text, kerning included.
  virtual float advance(const char* text) const = 0;
  // Immediate-mode quads from the baseline start (x, y), in the caller's colour.
  virtual void drawText(const char* text, float x, float y) const = 0;
  // The same quads as 4 vertices of 5 floats (s, t, x, y, 0) per glyph; returns the number
  // of vertices written (characters without a glyph write none).
  virtual int fillTextQuads(const char* text, float* destination, float x, float y) const = 0;
  virtual unsigned glyphTexture() const = 0;

 protected:
  Font() = default;
};

}  // namespace HC
