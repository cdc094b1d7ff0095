#include "render/RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace render {
namespace {

constexpr int32_t kMaxBlockSize = 1 << 16;
constexpr double kMaxSampleRate = 1536000.0;
constexpr double kMaxTailSeconds = 3600.0;

bool parseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text.c_str(), &end);
  return errno == 0 && end == text.c_str() + text.size() && std::isfinite(out);
}

bool parseInt(const std::string& text, int32_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end != text.c_str() + text.size() || value < INT32_MIN || value > INT32_MAX)
    return false;
  out = static_cast<int32_t>(value);
  return true;
}

std::string checkCombination(const RenderOptions& o) {
  if (o.list || o.listPrograms) return {};
  if (o.inputs.empty()) return "no input file given (see --help)";
  if (o.showEdits && !o.editor && !(o.liveSeconds > 0.0))
    return "--show-edits needs --editor or --live";
  if (!o.picture.empty() && !o.editor) return "--picture needs --editor";
#ifdef _WIN32
  if (!o.picture.empty()) return "--picture reads the picture from the X server: Linux only";
#endif
  if (o.editor || o.liveSeconds > 0.0) {
    const char* mode = o.editor ? "--editor" : "--live";
    if (o.inputs.size() > 1) return std::string(mode) + " takes exactly one input";
    if (!o.output.empty() || !o.outDir.empty()) return std::string(mode) + " writes no output";
    return {};
  }
  if (!o.output.empty() && !o.outDir.empty()) return "give either -o/--output or --out-dir, not both";
  if (o.output.empty() && o.outDir.empty()) return "no output given: use -o FILE or --out-dir DIR";
  if (!o.output.empty() && o.inputs.size() > 1)
    return "-o/--output takes exactly one input; use --out-dir DIR for several";
  return {};
}

}  // namespace

std::string RenderOptions::parse(const std::vector<std::string>& args, RenderOptions& o) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      o.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // --name=value is the same as --name value.
    std::string inlineValue;
    bool hasInline = false;
    if (arg.compare(0, 2, "--") == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        hasInline = true;
      }
    }
    auto value = [&](std::string& out) -> std::string {
      if (hasInline) {
        out = inlineValue;
        return {};
      }
      if (i + 1 >= args.size()) return "option " + arg + " needs a value";
      out = args[++i];
      return {};
    };
    auto flag = [&](bool& out) -> std::string {
      if (hasInline) return "option " + arg + " takes no value";
      out = true;
      return {};
    };

    std::string text;
    std::string error;
    if (arg == "-h" || arg == "--help") {
      error = flag(o.help);
    } else if (arg == "--list") {
      error = flag(o.list);
    } else if (arg == "--list-programs") {
      error = flag(o.listPrograms);
    } else if (arg == "--editor") {
      error = flag(o.editor);
    } else if (arg == "--show-edits") {
      error = flag(o.showEdits);
    } else if (arg == "--picture") {
      error = value(o.picture);
      if (error.empty() && o.picture.empty()) error = "--picture needs a path";
    } else if (arg == "--norm") {
      error = flag(o.normalisedValues);
    } else if (arg == "--plugin") {
      error = value(o.plugin);
      if (error.empty() && o.plugin.empty()) error = "--plugin needs a path";
    } else if (arg == "--program") {
      error = value(o.program);
      if (error.empty() && o.program.empty()) error = "--program needs a number or a name";
    } else if (arg == "--param") {
      error = value(text);
      if (error.empty()) {
        size_t eq = text.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == text.size())
          error = "--param '" + text + "' is not NAME=VALUE or INDEX=VALUE";
        else
          o.parameters.push_back({text.substr(0, eq), text.substr(eq + 1)});
      }
    } else if (arg == "--block-size") {
      error = value(text);
      if (error.empty() && (!parseInt(text, o.blockSize) || o.blockSize < 1 ||
                            o.blockSize > kMaxBlockSize))
        error = "--block-size '" + text + "' is not a whole number from 1 to 65536";
    } else if (arg == "--sample-rate") {
      error = value(text);
      if (error.empty() && (!parseDouble(text, o.sampleRate) || o.sampleRate < 1.0 ||
                            o.sampleRate > kMaxSampleRate))
        error = "--sample-rate '" + text + "' is not a rate from 1 to 1536000 Hz";
    } else if (arg == "--live") {
      error = value(text);
      if (error.empty() && (!parseDouble(text, o.liveSeconds) || !(o.liveSeconds > 0.0) ||
                            o.liveSeconds > kMaxTailSeconds))
        error = "--live '" + text + "' is not a number of seconds above 0 and up to 3600";
    } else if (arg == "--tail") {
      error = value(text);
      if (error.empty() && (!parseDouble(text, o.tailSeconds) || o.tailSeconds < 0.0 ||
                            o.tailSeconds > kMaxTailSeconds))
        error = "--tail '" + text + "' is not a number of seconds from 0 to 3600";
    } else if (arg == "-o" || arg == "--output") {
      error = value(o.output);
      if (error.empty() && o.output.empty()) error = "-o/--output needs a path";
    } else if (arg == "--out-dir") {
      error = value(o.outDir);
      if (error.empty() && o.outDir.empty()) error = "--out-dir needs a directory";
    } else {
      error = "unknown option '" + arg + "' (see --help)";
    }
    if (!error.empty()) return error;
  }
  return o.help ? std::string() : checkCombination(o);
}

std::string RenderOptions::helpText() {
  return R"(Usage: quorvella-render [OPTIONS] INPUT -o OUTPUT
       quorvella-render [OPTIONS] INPUT... --out-dir DIR
       quorvella-render [OPTIONS] --list | --list-programs
       quorvella-render [OPTIONS] --editor INPUT
       quorvella-render [OPTIONS] --live SECONDS INPUT

Renders audio files through a VST 2.4 effect plug-in, driving it as a host does:
effOpen, sample rate, block size, mainsChanged(1), processing, mainsChanged(0), effClose.
Each input gets a fresh plug-in instance.

Options:
  --plugin PATH        plug-in to load (default: quorvella.so, or quorvella.dll on Windows,
                       next to this program)
  --program N|NAME     factory program by 0-based number or by name (exact, then
                       case-insensitive), as effGetProgramNameIndexed reports it
  --param NAME=VALUE   set a parameter after the program is chosen; repeatable.
  --param INDEX=VALUE  NAME is the name --list shows (Quorvella's full names, e.g.
                       "Pitch Offset Sweepable", or the 15-character names the host
                       sees), matched exactly, then case-insensitively, then as any
                       prefix that only one parameter has ("Pitch Offset Sw").
                       VALUE is plain, in the parameter's own units (60 for Osc
                       Pitch, 2.4 for Filter Type, 3151 for a frequency), or a
                       display text such as "Off", "SawUp" or "Track", or normalised
                       0..1 when it ends in 'n' (0.25n).
  --norm               every --param VALUE is normalised 0..1
  --block-size N       frames per processing call (default 512)
  --sample-rate R      rate the plug-in runs at and the output is written at
                       (default: the input's rate; samples are not resampled)
  --tail SECONDS       silence appended after the input to flush delays (default 0)
  -o, --output PATH    output file for a single input
  --out-dir DIR        write each input to DIR/<input file name> (DIR is created)
  --list               print the plug-in's programs and parameters (index, name,
                       display, label) after applying --program and --param
  --list-programs      print "INDEX<TAB>NAME" for each program
  --live SECONDS       loop INPUT through the plug-in in real time for SECONDS without
                       an editor, for OSC clients (Quorvella's OSC server, including
                       /startNote and /stopNote into its MIDI scripts; nothing is
                       written). The tool has no MIDI input: play MIDI into the
                       plug-in in a host. With --editor, close the editor after
                       SECONDS at the latest
  --editor             show the plug-in's editor in a window (X11, DISPLAY) until the
                       window is closed, while INPUT loops through the plug-in in real
                       time (nothing is written or played)
  --show-edits         with --editor or --live: print a line on stdout for each edit the
                       plug-in reports, as it comes: "begin edit N", "automate N VALUE"
                       (VALUE normalised 0..1) and "end edit N" for parameter N
  --picture FILE.png   with --editor (X11 only): once the editor has drawn its window,
                       save the window's picture as a PNG file and quit
  -h, --help           this text

Files are read and written with libsndfile. The output format follows the output's
extension (.wav, .flac, .aif/.aiff) with the input's sample format where that format
allows it, else 24-bit PCM. A mono input feeds every plug-in input; a plug-in with one
input gets the mean of a multichannel input's channels; otherwise plug-in input i reads
channel i, silence where the file has fewer. The output has the plug-in's output count
of channels, at most 2. Plug-in latency is not compensated. Samples beyond full scale
are clipped by integer formats (a warning says how many); float WAV keeps them. The
output is written next to its final name as NAME.part and renamed when complete.

A plain value of a Quorvella parameter is set through the plug-in's own mapping when it
lies in the parameter's range, whatever the display rounds it to or calls it. For other
plug-ins, plain values are found by bisection over normalised 0..1, reading the display
text back as a number, so they are reached to the precision the display shows; when the
display reads exactly VALUE, the middle of that stretch is used, and the ends of the
range are used exactly. This needs a display that grows or shrinks steadily with the
value; for anything else give a normalised value.

Inputs are rendered in order; the first failure stops the run. A one-line summary per
file goes to stdout; a progress bar goes to stderr when it is a terminal.

Exit status: 0 success; 1 an input, output or plug-in could not be used; 2 a bad
command line, an unknown program or parameter, or a value the parameter cannot take.
)";
}

}  // namespace render
