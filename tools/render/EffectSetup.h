// Puts a fresh plug-in instance into the state the command line asks for: the program
// first, then the parameters in the order given (they edit that program).
#pragma once

#include <string>
#include <vector>

#include "render/RenderOptions.h"
#include "vsthost/HostedEffect.h"

namespace render {

class EffectSetup {
 public:
  explicit EffectSetup(vsthost::HostedEffect& effect) : effect_(effect) {}

  // Returns an empty string or the error: no programs, program number out of range,
  // unknown or ambiguous program name, or a parameter error (see ParameterResolver).
  std::string apply(const RenderOptions& options);

  // Every program's name, in order: effGetProgramNameIndexed, or, for plug-ins that do
  // not answer it, by switching to each program and back.
  std::vector<std::string> programNames();

  // "N 'name'" for the current program, or "-" for a plug-in without programs.
  std::string currentProgram();

 private:
  std::string selectProgram(const std::string& wanted);

  vsthost::HostedEffect& effect_;
};

}  // namespace render
