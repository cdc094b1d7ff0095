#include "framework/CFString.h"

#include <map>
#include <mutex>

namespace {

// Owns one reference to every interned string and releases them all at unload.
class InternedStrings {
public:
  ~InternedStrings() {
    for (auto& entry : strings) entry.second->release();
    strings.clear();
  }

  CFString* get(const char* text) {
    // First uses can come from several host threads at once.
    std::lock_guard<std::mutex> guard(lock);
    auto found = strings.find(text);
    if (found != strings.end()) return found->second;
    CFString* string = new CFString(text);
    string->retain();
    strings.emplace(text, string);
    return string;
  }

private:
  std::mutex lock;
  std::map<const char*, CFString*> strings;
};

InternedStrings& internedStrings() {
  static InternedStrings table;
  return table;
}

}  // namespace

CFString* CFString::constant(const char* text) { return internedStrings().get(text); }
