// An editor whose whole layout comes from its layout script (LayoutScript): no subclass is
// needed to show a skin or a built-in layout. Each opening makes a plain Manager, then asks
// the script for its fonts, window size and createUI; script buttons and the factories are
// the framework's.
//
// prepareLayout() belongs right after construction, as the effect's constructor would call
// it: it sets up the state, runs the layout chunk and reads the window size that getRect
// reports before the first opening.
//
// Threads: as Editor (everything on the host's user-interface thread).
#pragma once

#include <string>

#include "gui/editor/Editor.h"
#include "gui/script/LayoutScript.h"

namespace HC {

class ScriptedEditor : public Editor {
public:
  // builtIn: the layout used without a skin, instead of the "gui.lua" resource (empty:
  // the resource).
  explicit ScriptedEditor(HvcAuBase* effect, std::string builtIn = {});

  void prepareLayout();
  void buildInterface(float, float) override;
  bool builtInLayout(std::string& text) override;

  // Buttons offered to the script's button() (name to callback and id), for the next
  // openings.
  LayoutScript::ButtonLookup& buttonTable() { return buttons; }

private:
  std::string builtIn;
  LayoutScript::ButtonLookup buttons;
};

}  // namespace HC
