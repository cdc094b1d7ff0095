#include "faces/standalone/StandaloneOptions.h"

std::string StandaloneOptions::parse(const std::vector<std::string>& args,
                                     StandaloneOptions& options, size_t maxNameLength) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // Options with a value take it from the next argument or after '='.
    std::string key = arg, value;
    bool inlineValue = false;
    const size_t equals = arg.find('=');
    if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      key = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      inlineValue = true;
    }
    auto takeValue = [&](std::string& out) -> std::string {
      if (!inlineValue) {
        if (i + 1 >= args.size()) return "option " + key + " needs a value";
        value = args[++i];
      }
      if (value.empty()) return "option " + key + " needs a value";
      out = value;
      return {};
    };
    auto noValue = [&]() -> std::string {
      return inlineValue ? "option " + key + " takes no value" : std::string();
    };
    std::string error;
    if (key == "-h" || key == "--help") {
      error = noValue();
      options.help = true;
    } else if (key == "--version") {
      error = noValue();
      options.version = true;
    } else if (key == "--connect") {
      error = noValue();
      options.connect = true;
    } else if (key == "--no-gui") {
      error = noValue();
      options.noGui = true;
    } else if (key == "--verbose" || key == "-v") {
      error = noValue();
      options.verbose = true;
    } else if (key == "--program" || key == "-p") {
      error = takeValue(options.program);
    } else if (key == "--name" || key == "-n") {
      error = takeValue(options.name);
    } else if (key == "--server" || key == "-s") {
      error = takeValue(options.server);
    } else {
      error = "unknown option " + arg + " (see --help)";
    }
    if (!error.empty()) return error;
  }
  if (options.name.find(':') != std::string::npos)
    return "the client name must not contain ':' (JACK separates client and port with it)";
  if (options.name.size() > maxNameLength)
    return "the client name is longer than JACK's " + std::to_string(maxNameLength) +
           " characters";
  return {};
}

std::string StandaloneOptions::helpText() {
  return "Usage: quorvella-standalone [options]\n"
         "\n"
         "Quorvella as a JACK client: two audio inputs, two audio outputs and a MIDI input.\n"
         "It runs with the JACK server and with PipeWire's JACK interface alike.\n"
         "\n"
         "Options:\n"
         "  -p, --program NAME|NUMBER  start with this program (a number from 0 to 10, or a\n"
         "                             name or its beginning); otherwise the program that\n"
         "                             was current when the application last quit\n"
         "  -n, --name NAME            JACK client name (default Quorvella); instances with\n"
         "                             other names run side by side, each with its own\n"
         "                             saved state\n"
         "      --connect              connect the inputs to the first physical capture\n"
         "                             ports and the outputs to the first playback ports\n"
         "  -s, --server NAME          use the JACK server of this name\n"
         "      --no-gui               no window: control through OSC and MIDI only\n"
         "  -v, --verbose              also report when the first period was processed (its\n"
         "                             JACK frame time) and JACK's DSP load at quit\n"
         "  -h, --help                 this text\n"
         "      --version              the version\n"
         "\n"
         "In the window, the strip above the editor shows the current program; click its\n"
         "arrows, or press Page Up and Page Down, to change it. Closing the window quits.\n"
         "SIGINT and SIGTERM quit too. The programs, their names and the current program\n"
         "are saved when the application quits and restored at the next start, in\n"
         "~/.config/Halvercast/Quorvella/Standalone/NAME.state ($XDG_CONFIG_HOME).\n"
         "\n"
         "Exit status: 0 after a quit, 1 when the JACK server went away or the state could\n"
         "not be saved, 2 for a wrong command line, 3 when it could not start (no JACK\n"
         "server, the name taken, no display without --no-gui).\n";
}
