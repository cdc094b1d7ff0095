// The framework's editor base: the editor interface the host's editor opcodes reach, with
// nothing added. Concrete editors (HC::Editor and the product view) derive from it.
#pragma once

#include "host/AEffEditor.h"

class HvcEditor : public AEffEditor {
public:
  using AEffEditor::AEffEditor;
};
