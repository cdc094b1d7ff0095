// Where the plug-in sends its editor's edits: the LV2 UI that shows the editor, which turns
// them into port writes for the host (framed by touch where the host offers it).
//
// Threading: every call on the host's UI thread (the editor's idle, inside which controls
// are dragged).
#pragma once

#include <cstdint>

namespace lv2face {

class LV2EditSink {
 public:
  // A gesture on the parameter begins; the edits until endEdit belong to it.
  virtual void beginEdit(int32_t index) = 0;
  // The editor set the parameter to plainValue (the product holds it already).
  virtual void edited(int32_t index, float plainValue) = 0;
  virtual void endEdit(int32_t index) = 0;

 protected:
  ~LV2EditSink() = default;
};

}  // namespace lv2face
