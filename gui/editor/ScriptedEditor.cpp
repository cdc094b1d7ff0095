#include "gui/editor/ScriptedEditor.h"

#include <utility>

#include "gui/elements/Manager.h"

namespace HC {

ScriptedEditor::ScriptedEditor(HvcAuBase* effect, std::string builtIn)
    : Editor(effect), builtIn(std::move(builtIn)) {}

void ScriptedEditor::prepareLayout() {
  getLuaState();
  int32_t width = 0, height = 0;
  layoutScript()->windowSize(width, height);
  setInitialSize(width, height);
}

void ScriptedEditor::buildInterface(float, float) {
  auto* manager = new Manager(this, getHvcEffect());
  setManager(manager);
  getLuaState();
  LayoutScript& script = *layoutScript();
  script.loadFonts(*manager);
  script.applyWindowSize(*manager);
  script.createUI(&buttons);
}

bool ScriptedEditor::builtInLayout(std::string& text) {
  if (builtIn.empty()) return Editor::builtInLayout(text);
  text = builtIn;
  return true;
}

}  // namespace HC
