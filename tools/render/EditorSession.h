// quorvella-render --editor and --live: one plug-in instance set up as the command line
// asks, its editor shown in a top-level window (vsthost::EditorHost) with --editor, and the
// input file looping through it at the pace of real time on a processing thread of its
// own, so that meters, displays and OSC notifications move, until the user closes the
// window or the --live time is up.
//
// The input is read into memory whole. Nothing is written or played.
#pragma once

#include <string>

#include "render/RenderOptions.h"
#include "vsthost/PluginLibrary.h"

namespace render {

class EditorSession {
 public:
  EditorSession(const vsthost::PluginLibrary& library, const RenderOptions& options)
      : library_(library), options_(options) {}

  // Returns 0 once the window was closed or the time is up; otherwise sets `error` and returns the exit
  // status (1 files, display or plug-in; 2 program and parameter errors).
  int run(std::string& error);

 private:
  const vsthost::PluginLibrary& library_;
  const RenderOptions& options_;
};

}  // namespace render
