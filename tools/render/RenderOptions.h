// Command line of quorvella-render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

struct ParameterSetting {
  std::string parameter;  // name or index, as given
  std::string value;      // as given: plain, a display text, or normalised with an 'n' suffix
};

struct RenderOptions {
  std::string plugin;                    // empty: quorvella.so next to the executable
  std::string program;                   // empty: leave the plug-in's current program
  std::vector<ParameterSetting> parameters;
  bool normalisedValues = false;         // --norm: every --param value is normalised
  int32_t blockSize = 512;
  double sampleRate = 0.0;               // 0: the input file's rate
  double tailSeconds = 0.0;
  std::string output;                    // -o: one input, this output
  std::string outDir;                    // --out-dir: every input to DIR/<input file name>
  std::vector<std::string> inputs;
  bool help = false;
  bool list = false;                     // programs and parameters, human-readable
  bool listPrograms = false;             // "index<TAB>name" per program, for scripts
  bool editor = false;                   // --editor: show the editor while INPUT loops
  double liveSeconds = 0.0;              // --live: loop INPUT in real time this long
  bool showEdits = false;                // --show-edits: print the plug-in's edit callbacks
  std::string picture;                   // --picture PNG (X11): save the editor's picture, quit

  // Fills `options` from the arguments after the program name. Returns an empty string,
  // or a one-line error for an unknown option, a missing or malformed value, or an
  // inconsistent combination (checked only when not asking for --help).
  static std::string parse(const std::vector<std::string>& args, RenderOptions& options);

  static std::string helpText();
};

}  // namespace render
