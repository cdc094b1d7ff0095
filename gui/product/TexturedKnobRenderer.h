// Draws every knob of the editor in one batch: each knob is a quad cut from one cell of the
// knob atlas, rotated to its value. With shader support and eye candy on, a per-pixel light
// (GL light 1, the hover light) shades the face through the atlas's normal map, which turns
// with the knob; otherwise the same quads are drawn plain.
//
// Threads: entries are added on the user-interface thread before the render thread starts
// (the entry list never grows afterwards). setAngle and setEntryVisible may run on the
// user-interface thread while the render thread draws: they store atomics, and the render
// thread recomputes a changed entry's vertices before it draws them. Everything else runs on
// the render thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <vector>

#include "gui/elements/Effect.h"

namespace HC {

class Texture;

class TexturedKnobRenderer : public Effect {
 public:
  // cellX, cellY, cellSize: the knob face's square in the atlas, in pixels. normalMap may be
  // null. The textures belong to the manager.
  TexturedKnobRenderer(Manager* manager, Texture* atlas, Texture* normalMap, float cellX,
                       float cellY, float cellSize);
  ~TexturedKnobRenderer() override;

  // A new entry at angle 0, visible, with no size yet; returns its index.
  int32_t addEntry();
  // Radians, 0 pointing along +x, counter-clockwise.
  void setAngle(int32_t entry, float angle);
  // Window pixels; render thread (the knob's layout).
  void setEntryGeometry(int32_t entry, float centreX, float centreY, float radius);
  void setEntryVisible(int32_t entry, bool visible);

  void initGL() override;
  void teardownGL() override;
  void draw() override;

  // Recomputes the vertices of entries whose angle changed (draw does this first).
  void updateVertices();

  // Eight floats per vertex: s, t; normal x, y, z; position x, y, z. Four vertices per entry,
  // empty before initGL.
  static constexpr int kFloatsPerVertex = 8;
  const std::vector<float>& vertices() const { return vertexData; }
  int32_t entryCount() const { return static_cast<int32_t>(entries.size()); }
  float angle(int32_t entry) const;
  unsigned program() const { return programName; }

 private:
  struct Entry {
    float centreX = 0.0f, centreY = 0.0f, radius = 0.0f;
    std::atomic<float> angle{0.0f};
    std::atomic<bool> visible{true};
    std::atomic<bool> dirty{true};
  };
  struct Corner {
    float fx, fy, s, t;
  };

  bool valid(int32_t entry) const { return entry >= 0 && entry < entryCount(); }
  void writeVertices(int32_t entry);

  Texture* atlas;
  Texture* normalMap;
  float cellX, cellY, cellSize;
  std::deque<Entry> entries;
  Corner corners[4] = {};
  std::vector<float> vertexData;
  unsigned programName = 0;
  int texLocation = -1, normalMapLocation = -1;
};

}  // namespace HC
