#include "platform/FontFileFace.h"

#include <cctype>

namespace platform {

namespace {

// Font files shipped with Windows and the family (with style) each one holds.
struct WindowsFont {
  const char* file;  // without the extension, lower case
  const char* family;
  bool bold;
  bool italic;
};
constexpr WindowsFont kWindowsFonts[] = {
    {"arial", "Arial", false, false},
    {"arialbd", "Arial", true, false},
    {"ariali", "Arial", false, true},
    {"arialbi", "Arial", true, true},
    {"tahoma", "Tahoma", false, false},
    {"tahomabd", "Tahoma", true, false},
    {"verdana", "Verdana", false, false},
    {"verdanab", "Verdana", true, false},
    {"times", "Times New Roman", false, false},
    {"timesbd", "Times New Roman", true, false},
    {"cour", "Courier New", false, false},
    {"courbd", "Courier New", true, false},
    {"georgia", "Georgia", false, false},
    {"trebuc", "Trebuchet MS", false, false},
    {"segoeui", "Segoe UI", false, false},
    {"calibri", "Calibri", false, false},
    {"consola", "Consolas", false, false},
    {"lucon", "Lucida Console", false, false},
    {"micross", "Microsoft Sans Serif", false, false},
    {"comic", "Comic Sans MS", false, false},
    {"impact", "Impact", false, false},
};

// Style words that font files put after the family, and what each one means.
struct StyleSuffix {
  const char* word;  // lower case
  bool bold;
  bool italic;
};
constexpr StyleSuffix kStyles[] = {
    {"regular", false, false}, {"bold", true, false},       {"italic", false, true},
    {"oblique", false, true},  {"bolditalic", true, true}, {"boldoblique", true, true},
};

std::string lowerCase(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

FontFileFace FontFileFace::forFile(const std::string& name) {
  FontFileFace face;
  size_t slash = name.find_last_of("/\\:");
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  size_t dot = file.find_last_of('.');
  std::string stem = dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
  std::string key = lowerCase(stem);
  for (const WindowsFont& font : kWindowsFonts)
    if (key == font.file) {
      face.family = font.family;
      face.bold = font.bold;
      face.italic = font.italic;
      face.wellKnown = true;
      return face;
    }
  face.family = stem;
  size_t hyphen = stem.find_last_of('-');
  if (hyphen == std::string::npos || hyphen == 0) return face;
  std::string style = key.substr(hyphen + 1);
  for (const StyleSuffix& suffix : kStyles)
    if (style == suffix.word) {
      face.family = stem.substr(0, hyphen);
      face.bold = suffix.bold;
      face.italic = suffix.italic;
      break;
    }
  return face;
}

std::string FontFileFace::familyKey(const std::string& family) {
  std::string key;
  for (char c : family)
    if (c != ' ' && c != '-' && c != '_') key += char(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

}  // namespace platform
