// Modifier flags handed to the pointer operations of elements; any combination may be set.
#pragma once

namespace HC {

enum Modifier : int {
  ModifierAlt = 0x100,
  ModifierShift = 0x200,
  ModifierControl = 0x800,
};

}  // namespace HC
