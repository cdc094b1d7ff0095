// What the standalone application keeps between runs: every program's name and plain
// values, and which program is current. A small text file of our own:
//
//   # Quorvella standalone state
//   Quorvella state 1
//   current 3
//   program Sync To The Max
//   Dry Level=0.5
//   ...
//
// one "program" line per program in program order, each followed by one "name=value" line
// per parameter in parameter order (names as the parameter table gives them, values as
// shortest decimals that read back as the same float). Program names escape backslash, newline and carriage return
// as \\, \n and \r. Anything else is damage: parse() then keeps nothing and says where, so a
// half-written or edited file never yields a wrong sound.
//
// Threads: a plain value; no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ParameterDescriptor;

struct StandaloneState {
  struct Program {
    std::string name;
    std::vector<float> values;  // one per parameter
  };

  static constexpr size_t kMaxSize = 256 * 1024;

  int32_t current = 0;
  std::vector<Program> programs;

  std::string format(const ParameterDescriptor* descriptors, int32_t numParameters) const;
  // True when text holds exactly `numPrograms` programs of every parameter, each value a
  // finite number, and a current program among them; otherwise false with damage naming the
  // first fault ("line 7: not a number"). Values are kept as stored, in range or not, as the
  // product itself keeps what scripts and OSC set.
  bool parse(const std::string& text, const ParameterDescriptor* descriptors,
             int32_t numParameters, int32_t numPrograms, std::string& damage);
};
