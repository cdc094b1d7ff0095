#include "gui/product/ALmanager.h"

#include "gui/Texture.h"

namespace HC {

ALmanager::ALmanager(Editor* editor, HvcAuBase* effect) : Manager(editor, effect) {}

void ALmanager::setBackgroundTexture(Texture* texture, Texture* normalMap) {
  background = texture;
  normal = normalMap;
  if (texture) texture->skipAutoLoad = true;
}

}  // namespace HC
