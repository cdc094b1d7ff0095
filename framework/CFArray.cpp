#include "framework/CFArray.h"

CFArray* CFArray::fromTexts(std::initializer_list<const char*> texts) {
  return fromTexts(texts.begin(), static_cast<int>(texts.size()));
}

CFArray* CFArray::fromTexts(const char* const* texts, int count) {
  CFArray* array = new CFArray();
  array->items.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    CFString* string = new CFString(texts[i]);
    string->retain();
    array->items.push_back(string);
  }
  array->retain();
  return array;
}

CFArray::~CFArray() {
  for (CFType* item : items) item->release();
}
