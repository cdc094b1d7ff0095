// Stand-in for the product's eye-candy manager while it is built elsewhere: a plain Manager
// that keeps the background textures the layout names. Replaced by the real class on merge.
//
// Threads: as Manager.
#pragma once

#include "gui/Manager.h"

namespace HC {

class Texture;

class ALmanager : public Manager {
 public:
  ALmanager(Editor* editor, HvcAuBase* effect);

  // The background tile and its normal map; the tile is drawn by this manager, so the
  // texture loader skips it.
  void setBackgroundTexture(Texture* texture, Texture* normalMap);
  Texture* backgroundTexture() const { return background; }
  Texture* backgroundNormalMap() const { return normal; }

  void initGL() override {}
  void teardownGL() override {}
  void drawBackground() override { Manager::drawBackground(); }
  void drawLabelsBackground() override {}

 private:
  Texture* background = nullptr;
  Texture* normal = nullptr;
};

}  // namespace HC
