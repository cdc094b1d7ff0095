// An immutable reference-counted text. Constant texts are interned: one shared object per
// address of a constant text, alive until the library unloads.
#pragma once

#include <string>

#include "framework/CFType.h"

class CFString : public CFType {
public:
  explicit CFString(std::string text) : value(std::move(text)) {}

  const std::string& text() const { return value; }
  const char* c_str() const { return value.c_str(); }

  // The interned string of a constant text (keyed by the text's address). The map holds
  // one reference; a caller that hands the string out retains it for the receiver.
  static CFString* constant(const char* text);

private:
  std::string value;
};
