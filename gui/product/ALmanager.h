// The product's GUI manager: it paints a tiled background texture under the labels layer
// and, with shader support and eye candy on, shades the whole window per pixel by the hover
// light (GL light 1) through the tile's normal map. Label text in the layer stays unlit.
//
// Threads: as Manager. setBackgroundTexture runs on the user-interface thread before the
// render thread starts; the GL hooks run on the render thread.
#pragma once

#include "gui/elements/Manager.h"

namespace HC {

class ALmanager : public Manager {
 public:
  ALmanager(Editor* editor, HvcAuBase* effect);
  ~ALmanager() override;

  // Textures registered with this manager; normalMap may be null. The texture is loaded
  // by the labels pass itself (it is marked to be skipped by the automatic load).
  void setBackgroundTexture(Texture* texture, Texture* normalMap);

  void initGL() override;
  void teardownGL() override;
  // The labels layer over the window, lit when eye candy is on.
  void drawBackground() override;
  // The tiled background under the labels, and a translucent strip over the banner area.
  void drawLabelsBackground() override;

  unsigned program() const { return programName; }
  Texture* getBackgroundTexture() const { return backgroundTexture; }
  Texture* getBackgroundNormalMap() const { return backgroundNormalMap; }

 private:
  Texture* backgroundTexture = nullptr;
  Texture* backgroundNormalMap = nullptr;
  unsigned programName = 0;
  int texLocation = -1, normalMapLocation = -1, viewportHLocation = -1;
};

}  // namespace HC
