// Renders one audio file through a fresh instance of a loaded plug-in, the way a host
// would: effOpen, sample rate, block size, program and parameters, mainsChanged(1),
// processing in blocks (then --tail seconds of silence), mainsChanged(0), effClose.
//
// The output is written to "<output>.part" and renamed when complete, so a failed run
// never leaves a truncated file under the output's name, and an output that is the
// input itself is refused before anything is written.
#pragma once

#include <cstdint>
#include <string>

#include "render/RenderOptions.h"
#include "vsthost/PluginLibrary.h"

namespace render {

struct RenderSummary {
  int64_t frames = 0;       // frames written, tail included
  double seconds = 0.0;     // frames / sample rate
  double realTime = 0.0;    // audio seconds per second of wall-clock time
  std::string program;      // "N 'name'" or "-"
  int64_t nonFinite = 0;    // NaN or infinite samples from the plug-in, written as 0
  int64_t clipped = 0;      // samples beyond +-1 clipped by an integer output format
};

class FileRenderer {
 public:
  FileRenderer(const vsthost::PluginLibrary& library, const RenderOptions& options)
      : library_(library), options_(options) {}

  // Returns 0 on success; otherwise sets `error` and returns the exit status: 1 for
  // files and plug-in failures, 2 for program and parameter errors.
  int render(const std::string& input, const std::string& output, RenderSummary& summary,
             std::string& error);

 private:
  const vsthost::PluginLibrary& library_;
  const RenderOptions& options_;
};

}  // namespace render
