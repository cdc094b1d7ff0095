// Command line of quorvella-standalone.
#pragma once

#include <string>
#include <vector>

struct StandaloneOptions {
  std::string program;     // --program NAME|NUMBER; empty: the program saved at the last quit
  bool connect = false;    // --connect: inputs and outputs to the first physical ports
  std::string name = "Quorvella";  // --name: the JACK client name (and the state file's)
  std::string server;      // --server: a JACK server other than the default one
  bool noGui = false;      // --no-gui: no window; OSC and MIDI control only
  bool verbose = false;    // --verbose: the first period's timing and the DSP load at quit
  bool help = false;
  bool version = false;

  // Fills `options` from the arguments after the program name. Returns an empty text, or a
  // one-line error for an unknown option, a missing or empty value, or a client name that
  // JACK could not take (too long for jack_client_name_size(), or holding ':').
  static std::string parse(const std::vector<std::string>& args, StandaloneOptions& options,
                           size_t maxNameLength);

  static std::string helpText();
};
