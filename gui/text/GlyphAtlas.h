// One 8-bit alpha page holding the bitmaps of a font's glyphs, filled shelf by shelf, and
// the GL texture made from it.
//
// Threading: no locking of its own; its font serialises every use (see Font.h). upload()
// and releaseGL() need the render thread's GL context.
#pragma once

#include <cstdint>
#include <vector>

namespace HC {

class GlyphAtlas {
public:
  // Empty space kept around every bitmap, so that linear filtering at half scale never
  // picks up a neighbour's edge.
  static constexpr int kPadding = 2;
  // The largest page made; every GL implementation in use takes textures of this size.
  static constexpr int kMaxSide = 2048;

  struct Size {
    int width;
    int height;
  };

  // The smallest power-of-two page, no larger than kMaxSide, that takes every bitmap in
  // the given order and leaves a third of it free for glyphs made later; kMaxSide square
  // when none does.
  static Size chooseSize(const std::vector<Size>& bitmaps);

  // Starts an empty page of that size (all alpha 0).
  void reset(int width, int height);
  bool allocated() const { return pageWidth > 0; }
  int width() const { return pageWidth; }
  int height() const { return pageHeight; }
  const std::vector<unsigned char>& pixels() const { return page; }

  // Finds room for a width x height bitmap; false (x, y unchanged) when the page is full.
  bool place(int width, int height, int& x, int& y);
  // Copies rows of alpha values (rows top first) to (x, y) and marks the page for upload.
  void copy(int x, int y, const unsigned char* rows, int width, int height);

  // The GL texture of the page (0 until upload); uploads the page when it changed since.
  unsigned upload();
  unsigned textureName() const { return texture; }
  void releaseGL();

private:
  int pageWidth = 0;
  int pageHeight = 0;
  int shelfX = 0;
  int shelfY = 0;
  int shelfHeight = 0;
  std::vector<unsigned char> page;
  bool changed = false;
  unsigned texture = 0;
};

}  // namespace HC
