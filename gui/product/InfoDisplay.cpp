#include "gui/product/InfoDisplay.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gui/elements/Manager.h"
#include "gui/text/Font.h"

namespace HC {

namespace {

const char* const kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                    "F#", "G ", "G#", "A ", "A#", "B "};

float floatAt(const uint32_t* meters, int byteOffset) {
  float value;
  std::memcpy(&value, reinterpret_cast<const unsigned char*>(meters) + byteOffset, sizeof value);
  return value;
}

}  // namespace

InfoDisplay::InfoDisplay(Manager* manager, float x, float y, float width, float height)
    : UIElement(manager) {
  box = BoundingBox::fromCorners(x, y, x + width, y + height);
}

float InfoDisplay::pitchOf(const uint32_t* meters, int channel) {
  return floatAt(meters, 8 + 4 * channel);
}

float InfoDisplay::envelopeOf(const uint32_t* meters, int channel) {
  return floatAt(meters, 24 + 4 * channel);
}

bool InfoDisplay::noPitchOf(const uint32_t* meters, int channel) {
  return reinterpret_cast<const unsigned char*>(meters)[32 + channel] != 0;
}

void InfoDisplay::pitchText(float hz, char (&line)[kLineBytes]) {
  line[0] = '\0';
  if (!(hz > 0.0f) || !std::isfinite(hz)) return;
  // 12 * log2(hz / 440) + 69, in the form whose rounding the display has always shown.
  float note = std::log(hz * 0.0022727272f) * 17.31234f + 69.0f;
  int n = static_cast<int>(note + 0.5f);
  int pitchClass = ((n % 12) + 12) % 12;
  std::snprintf(line, kLineBytes, "%6.1fHz  %s%d%+.0f", static_cast<double>(hz),
                kNoteNames[pitchClass], n / 12 - 1, static_cast<double>((note - n) * 100.0f));
}

bool InfoDisplay::refresh(const uint32_t* meters, int channel) {
  float hz = pitchOf(meters, channel);
  // Bitwise comparison: a NaN pitch must not recompute every frame.
  if (std::memcmp(&hz, &shownPitch[channel], sizeof hz) != 0) {
    shownPitch[channel] = hz;
    pitchText(hz, lines[channel]);
  }
  return envelopeOf(meters, channel) >= kSilentEnvelope;
}

bool InfoDisplay::meterArea(BoundingBox& area) {
  BoundingBox b = windowBox();
  const Font* font = manager->getMainFont();
  float lineHeight = font ? font->lineHeight() : 20.0f;
  float textWidth = 0.0f;
  for (int c = 0; c < 2; ++c) {
    refresh(manager->meterValues, c);
    if (font) textWidth = std::max(textWidth, font->advance(lines[c]));
  }
  // The lines start at the box's left edge and may run past its right one; the glyphs of
  // the lower line reach below the box by their descent.
  area.unite(BoundingBox::fromCorners(b.minX - 2, b.minY - lineHeight - 2,
                                      std::max(b.maxX, b.minX + textWidth) + 2,
                                      std::max(b.maxY, b.minY + 20.0f + lineHeight) + 2));
  return true;
}

void InfoDisplay::draw() {
  const Font* font = manager->getMainFont();
  if (!font) return;
  for (int c = 0; c < 2; ++c) {
    if (!refresh(manager->meterValues, c)) continue;
    if (noPitchOf(manager->meterValues, c))
      glColor3f(1.0f, 0.1f, 0.1f);
    else
      glColor3f(0.5f, 0.5f, 0.5f);
    font->drawText(lines[c], box.minX, box.minY + 20.0f * c);
  }
}

}  // namespace HC
