#include "faces/vst2/Vst2Editor.h"

#include "faces/vst2/Vst2Effect.h"
#include "framework/HvcAuBase.h"
#include "framework/HvcEditor.h"

Vst2Editor::Vst2Editor(Vst2Effect* effect) : AEffEditor(effect) {}

HvcEditor* Vst2Editor::productEditor() const {
  return static_cast<Vst2Effect*>(effect)->getProduct().getEditor();
}

bool Vst2Editor::getRect(ERect** out) {
  HvcEditor* editor = productEditor();
  EditorRect* shown = nullptr;
  const bool answer = editor && editor->getRect(&shown);
  if (!shown) {
    *out = nullptr;
    return answer;
  }
  rect = {shown->top, shown->left, shown->bottom, shown->right};
  *out = &rect;
  return answer;
}

bool Vst2Editor::open(void* parent) {
  HvcEditor* editor = productEditor();
  return editor ? editor->open(parent) : false;
}

void Vst2Editor::close() {
  if (HvcEditor* editor = productEditor()) editor->close();
}

bool Vst2Editor::isOpen() {
  HvcEditor* editor = productEditor();
  return editor && editor->isOpen();
}

void Vst2Editor::idle() {
  if (HvcEditor* editor = productEditor()) editor->idle();
}
