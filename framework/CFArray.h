// A reference-counted list that owns one reference to each element.
#pragma once

#include <initializer_list>
#include <vector>

#include "framework/CFString.h"

class CFArray : public CFType {
public:
  // Copies each text into a new string held by the array; the array starts with count 1,
  // the caller's reference.
  static CFArray* fromTexts(std::initializer_list<const char*> texts);
  static CFArray* fromTexts(const char* const* texts, int count);

  ~CFArray() override;

  int count() const { return static_cast<int>(items.size()); }
  CFType* at(int i) const { return items[static_cast<size_t>(i)]; }

private:
  CFArray() = default;
  std::vector<CFType*> items;
};
