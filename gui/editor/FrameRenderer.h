// What the render thread does for one opening of the editor: GL set-up (context, entry
// points, textures, glyphs, element layout, the labels layer), the labels pass, one frame
// (the lit 3D pass, the background, the 2D overlay), and GL teardown.
//
// A frame draws only when its picture would differ from the last one drawn (FrameState),
// after a labels pass, or when the window system lost the picture; with "Enable constant
// redraw" on it also draws at least every kRefreshFrames frames, which repairs a picture
// lost without notice. While the window is not viewable nothing is drawn, and the first
// frame after it is shown again draws.
//
// When only meter values changed and the surface presents regions, the frame draws the
// same passes clipped (scissor) to the areas the meter drawers report, now and at the last
// frame drawn, and shows just those: the rest of the back buffer already holds the same
// pixels.
//
// The labels layer is a 1024 x 512 texture. Where the GL offers framebuffer objects it is
// drawn through one; otherwise (or when told not to use them) it is drawn into an
// off-screen surface of the window system and copied into the texture.
//
// Threads: constructed and destroyed on the user-interface thread while no render thread
// runs; every Client operation runs on the render thread. The manager must outlive it.
#pragma once

#include <memory>
#include <vector>

#include "gui/editor/RenderTask.h"
#include "gui/elements/BoundingBox.h"
#include "gui/elements/FrameState.h"

class HvcAuBase;

namespace platform {
class GLSurface;
class OffscreenGLSurface;
}  // namespace platform

namespace HC {

class Manager;

class FrameRenderer : public RenderTask::Client {
public:
  FrameRenderer(Manager* manager, HvcAuBase* effect, const RenderTask::Timing* timing,
                bool framebufferAllowed);
  ~FrameRenderer() override;
  FrameRenderer(const FrameRenderer&) = delete;
  FrameRenderer& operator=(const FrameRenderer&) = delete;

  void setUp() override;
  bool frame() override;
  void labels() override;
  void tearDown() override;
  bool hidden() const override { return windowHidden; }

  // Render thread: whether meter-only frames draw just the meters' areas, and how many have.
  bool drawsRegions() const;
  uint32_t regionFrames() const { return regionFrameCount; }
  // Render thread: how many constant-redraw refreshes showed the back buffer again instead
  // of drawing (only where frames are shown in parts).
  uint32_t reshownFrames() const { return reshownFrameCount; }

  // Frames between refreshes of an unchanged picture with constant redraw on (about a
  // second).
  static constexpr int kRefreshFrames = 30;
  // After set-up: whether the labels layer goes through a framebuffer object.
  bool usesFramebuffer() const { return framebufferInUse; }

private:
  void setUpOnce();
  void createLabelsTarget();
  void drawLabels();
  void lit3DPass();
  void drawPicture();
  // The meter drawers' areas now, in order (empty boxes for drawers that report none).
  void collectMeterAreas(std::vector<BoundingBox>& out);
  bool drawMeterRegions();
  void presentWhole();

  Manager* manager;
  HvcAuBase* effect;
  const RenderTask::Timing* timing;
  bool framebufferAllowed;
  bool framebufferInUse = false;
  bool entryPoints = false;  // GL entry points beyond 1.1 were loaded
  bool drawing = false;      // the window's context works
  bool windowHidden = false;
  bool labelsRedrawn = false;
  int framesSinceDrawn = 0;
  uint32_t regionFrameCount = 0;
  uint32_t reshownFrameCount = 0;
  FrameState current, shown;  // the frame's state, and that of the last frame drawn
  std::vector<BoundingBox> meterAreas, shownMeterAreas;  // now, and at the last frame drawn
  struct Region {
    int x0, y0, x1, y1;  // window pixels, GL's rows (bottom first)
  };
  std::vector<Region> regions;  // a region frame's, kept for its storage
  std::unique_ptr<platform::GLSurface> surface;
  std::unique_ptr<platform::OffscreenGLSurface> offscreen;
  std::vector<unsigned char> labelPixels;  // the off-screen copy, 1024 x 512 RGB
};

}  // namespace HC
