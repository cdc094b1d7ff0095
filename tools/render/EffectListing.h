// The text of --list and --list-programs.
#pragma once

#include <ostream>
#include <string>

#include "vsthost/HostedEffect.h"

namespace render {

class EffectListing {
 public:
  // Plug-in identity, programs (current one marked '*') and parameters with index,
  // name, display text and label.
  static void write(vsthost::HostedEffect& effect, const std::string& path, std::ostream& out);
  // "INDEX<TAB>NAME" per program, nothing else.
  static void writePrograms(vsthost::HostedEffect& effect, std::ostream& out);
};

}  // namespace render
