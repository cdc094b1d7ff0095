// The picture of a plug-in's editor as quorvella-render --picture saves it: the editor's
// window read back from the X server and written as an RGB PNG file. An all-black window
// (the host window's own background) is not taken: the editor has not drawn yet, and a
// picture of it would only mislead whoever looks at it.
//
// Threading: the thread that owns the EditorHost. Linux (X11) only.
#pragma once

#include <string>

#include "vsthost/EditorHost.h"

namespace render {

class EditorPicture {
 public:
  enum class Result { saved, notDrawnYet, failed };

  // Reads the window; saves it to path unless it is all black. On failure error says why.
  static Result save(vsthost::EditorHost& editor, const std::string& path, std::string& error);
};

}  // namespace render
